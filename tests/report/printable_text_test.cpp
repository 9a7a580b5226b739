// Text from files and the command line made safe for one line of a report,
// a netlist comment or a terminal: the bytes that could start a line, move
// the cursor or retitle the terminal come out as \xNN, readable text stays.

#include "report/printable_text.h"

#include <gtest/gtest.h>

namespace tevmar {
namespace {

TEST(PrintableText, ControlsLineBreaksAndBadBytesAreEscapedTextStays)
{
    // A part file's name built to become netlist cards and terminal commands.
    const std::string hostile = "L1\n.control\r\nshell touch PWNED\n.endc\x1b]0;owned\x07\xff";
    const std::string shown = PrintableText(hostile);
    EXPECT_EQ(shown, "L1\\x0a.control\\x0d\\x0ashell touch PWNED\\x0a.endc\\x1b]0;owned\\x07\\xff");
    EXPECT_EQ(shown.find_first_of("\n\r\x1b\x07"), std::string::npos);

    // Readable UTF-8 (micro sign, ohm, a CJK part name) stays as written.
    EXPECT_EQ(PrintableText("2.7 \xc2\xb5H 50 \xce\xa9 \xe9\x83\xa8\xe5\x93\x81"),
              "2.7 \xc2\xb5H 50 \xce\xa9 \xe9\x83\xa8\xe5\x93\x81");
    // The C1 controls (here CSI, U+009B), the line and paragraph separators,
    // a right-to-left override and an isolate; a truncated sequence and an
    // overlong slash.
    EXPECT_EQ(PrintableText("a\xc2\x9b"
                            "b\xe2\x80\xa8"
                            "c\xe2\x80\xa9"
                            "d\xe2\x80\xae"
                            "e\xe2\x81\xa6"
                            "f\xe2\x80"
                            "g\xc0\xaf"),
              "a\\xc2\\x9bb\\xe2\\x80\\xa8c\\xe2\\x80\\xa9d\\xe2\\x80\\xaee\\xe2\\x81\\xa6"
              "f\\xe2\\x80g\\xc0\\xaf");
    // A dash or quote from the punctuation block next to them is text.
    EXPECT_EQ(PrintableText("a\xe2\x80\x93"
                            "b\xe2\x80\x9c"),
              "a\xe2\x80\x93"
              "b\xe2\x80\x9c");
    EXPECT_EQ(PrintableText("0123456789", 4), "0123... (10 bytes)");
}

TEST(PrintableLines, AReportKeepsItsLinesAndTabsButNothingElse)
{
    const std::string report = "Candidates\n\tL1 24 nH ZL\x1b]0;x\x07\xff\nC2 1 pF\r\n";
    EXPECT_TRUE(NeedsEscapeAsLines(report));
    EXPECT_EQ(PrintableLines(report),
              "Candidates\n\tL1 24 nH ZL\\x1b]0;x\\x07\\xff\nC2 1 pF\\x0d\n");

    // A clean report, UTF-8 included, needs no copy and would be unchanged.
    const std::string clean = "Load: 20 \xce\xa9 + 2.7 nH\n\tL1 24 nH\n";
    EXPECT_FALSE(NeedsEscapeAsLines(clean));
    EXPECT_EQ(PrintableLines(clean), clean);
    EXPECT_FALSE(NeedsEscapeAsLines(""));
    EXPECT_TRUE(NeedsEscapeAsLines("ok\xc2"));
}

TEST(JsonForTerminal, StringsKeepTheirValueInJsonsOwnEscapes)
{
    // DEL, a C1 control, a line separator and a direction override stand raw
    // in a JSON writer's output; a byte that is not UTF-8 should never, but
    // becomes the replacement character if it does. Readable text stays.
    const std::string json =
        "{\n  \"part\": \"a\x7f b\xc2\x9b c\xe2\x80\xa8 d\xe2\x80\xae e\xff\",\n"
        "  \"unit\": \"\xc2\xb5H \\u001b\"\n}\n";
    EXPECT_EQ(JsonForTerminal(json),
              "{\n  \"part\": \"a\\u007f b\\u009b c\\u2028 d\\u202e e\\ufffd\",\n"
              "  \"unit\": \"\xc2\xb5H \\u001b\"\n}\n");
}

} // namespace
} // namespace tevmar
