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

// How many bytes at the start of `text` (at least one) must be written
// escaped, or 0 when its first character may stand as it is. With
// `keepLines` the line feeds and tabs of a report of many lines stand.
std::size_t EscapedBytes(std::string_view text, bool keepLines)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (keepLines && (lead == '\n' || lead == '\t'))
        return 0;
    const std::size_t length = SequenceLength(text);
    if (length == 0 || lead < 0x20 || lead == 0x7f)
        return 1;
    // U+0080 to U+009F, the C1 controls, are two bytes from 0xc2 0x80.
    if (length == 2 && lead == 0xc2 && byte(1) < 0xa0)
        return 2;
    // U+2028 and U+2029 break a line in some readers; U+202A to U+202E and
    // U+2066 to U+2069 reorder what follows them on the screen.
    if (length == 3 && lead == 0xe2 &&
        ((byte(1) == 0x80 && byte(2) >= 0xa8 && byte(2) <= 0xae) ||
         (byte(1) == 0x81 && byte(2) >= 0xa6 && byte(2) <= 0xa9)))
        return 3;
    return 0;
}

std::string Escaped(std::string_view text, std::size_t maxBytes, bool keepLines)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        if (at >= maxBytes) {
            out += "... (" + std::to_string(text.size()) + " bytes)";
            break;
        }
        const std::string_view rest = text.substr(at);
        if (const std::size_t bytes = EscapedBytes(rest, keepLines)) {
            for (std::size_t i = 0; i < bytes; ++i)
                AppendEscaped(out, static_cast<unsigned char>(rest[i]));
            at += bytes;
            continue;
        }
        const std::size_t length = SequenceLength(rest);
        out.append(rest.substr(0, length));
        at += length;
    }
    return out;
}

} // namespace

std::string PrintableText(std::string_view text, std::size_t maxBytes)
{
    return Escaped(text, maxBytes, false);
}

std::string PrintableLines(std::string_view text)
{
    return Escaped(text, std::string_view::npos, true);
}

bool NeedsEscapeAsLines(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::string_view rest = text.substr(at);
        // Plain ASCII is the whole of nearly every report: step over it fast.
        const auto lead = static_cast<unsigned char>(rest[0]);
        if (lead >= 0x20 && lead < 0x7f) {
            ++at;
            continue;
        }
        if (EscapedBytes(rest, true) != 0)
            return true;
        at += SequenceLength(rest);
    }
    return false;
}

std::string JsonForTerminal(std::string_view json)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(json.size());
    for (std::size_t at = 0; at < json.size();) {
        const std::string_view rest = json.substr(at);
        const std::size_t bytes = EscapedBytes(rest, true);
        if (bytes == 0) {
            const std::size_t length = SequenceLength(rest);
            out.append(rest.substr(0, length));
            at += length;
            continue;
        }
        // The code point of the escaped character: one byte, or the two of a
        // C1 control, or the three of a separator or direction mark.
        const auto byte = [&](std::size_t i) { return static_cast<unsigned>(rest[i]) & 0xffu; };
        unsigned point = bytes == 1 ? byte(0) : bytes == 2 ? byte(1) : 0;
        if (bytes == 1 && SequenceLength(rest) == 0)
            point = 0xfffd;
        if (bytes == 3)
            point = ((byte(0) & 0x0fu) << 12) | ((byte(1) & 0x3fu) << 6) | (byte(2) & 0x3fu);
        out += "\\u";
        for (const int shift : {12, 8, 4, 0})
            out += kDigits[(point >> shift) & 0xfu];
        at += bytes;
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
