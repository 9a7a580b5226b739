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

// `text` with control bytes (NUL, BEL, ESC, DEL, the C1 controls, and so line
// feeds and carriage returns), the Unicode line and paragraph separators and
// the marks that reverse the order text is shown in, and bytes that are not
// UTF-8 written as \xNN; printable UTF-8 stays as it is. The result is one
// line that cannot start another line, a netlist card or a file's next
// record. Past `maxBytes` of `text` the rest is left out and "... (N bytes)"
// says how long the whole was.
std::string PrintableText(std::string_view text, std::size_t maxBytes = std::string_view::npos);

// A report of many lines for a terminal: each line as PrintableText makes it,
// the line feeds and tabs between them kept.
std::string PrintableLines(std::string_view text);

// True when PrintableLines would change `text`: a report that is already fit
// for a terminal is then written without a copy.
bool NeedsEscapeAsLines(std::string_view text);

// A JSON document made fit for a terminal without changing what it says: the
// characters PrintableLines escapes, which can only stand inside its strings,
// written as JSON's own \uXXXX escapes (a byte that is not UTF-8 as U+FFFD,
// which a JSON writer puts in its place anyway).
std::string JsonForTerminal(std::string_view json);

// PrintableText of a token, cut at kQuotedTokenBytes, in double quotes.
std::string Quoted(std::string_view token);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates), so
// that a JSON document can carry it unchanged.
bool IsValidUtf8(std::string_view text);

} // namespace tevmar
