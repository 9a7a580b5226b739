#pragma once

// Text that came from a file or the command line, made fit for a message on a
// terminal or in a dialog: nothing in it may move the cursor, ring the bell,
// end the message early or flood the screen.

#include <cstddef>
#include <string>
#include <string_view>

namespace tevmar {

// The most of one token a message quotes; a longer one is cut.
inline constexpr std::size_t kQuotedTokenBytes = 40;

// `text` with control bytes (NUL, BEL, ESC, DEL, the C1 controls) and bytes
// that are not UTF-8 written as \xNN; printable UTF-8 stays as it is. Past
// `maxBytes` of `text` the rest is left out and "... (N bytes)" says how long
// the whole was.
std::string PrintableText(std::string_view text, std::size_t maxBytes = std::string_view::npos);

// PrintableText of a token, cut at kQuotedTokenBytes, in double quotes.
std::string Quoted(std::string_view token);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates), so
// that a JSON document can carry it unchanged.
bool IsValidUtf8(std::string_view text);

} // namespace tevmar
