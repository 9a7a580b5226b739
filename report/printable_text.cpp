#include "report/printable_text.h"

namespace tevmar {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf; // the range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;  // no overlong forms
        high = lead == 0xed ? 0x9f : 0xbf; // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf)
            return 0;
    return length;
}

void AppendEscaped(std::string &out, unsigned char byte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xf];
}

} // namespace

std::string PrintableText(std::string_view text, std::size_t maxBytes)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        if (at >= maxBytes) {
            out += "... (" + std::to_string(text.size()) + " bytes)";
            break;
        }
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = SequenceLength(text.substr(at));
        // U+0080 to U+009F, the C1 controls, are two bytes from 0xc2 0x80.
        const bool c1Control =
            length == 2 && lead == 0xc2 && static_cast<unsigned char>(text[at + 1]) < 0xa0;
        if (length == 0 || lead < 0x20 || lead == 0x7f || c1Control) {
            const std::size_t bytes = c1Control ? 2 : 1;
            for (std::size_t i = 0; i < bytes; ++i)
                AppendEscaped(out, static_cast<unsigned char>(text[at + i]));
            at += bytes;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

std::string Quoted(std::string_view token)
{
    return "\"" + PrintableText(token, kQuotedTokenBytes) + "\"";
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text.substr(at));
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

} // namespace tevmar
