#include "cli/outcome_writer.h"

#include "report/printable_text.h"

#include <ostream>

namespace tevmar::cli {

int WriteOutcome(const session::Outcome &outcome, std::ostream &out, std::ostream &err)
{
    using Kind = session::Message::Kind;
    bool written = true;
    if (!outcome.standardOutput.empty()) {
        // The report quotes part numbers and file names: whatever slipped
        // through unescaped must not retitle or reprogram the terminal.
        // A JSON document keeps every value: its strings are escaped in
        // JSON's own way.
        const std::string &report = outcome.standardOutput;
        if (!NeedsEscapeAsLines(report))
            out << report;
        else if (report.front() == '{')
            out << JsonForTerminal(report);
        else
            out << PrintableLines(report);
        out.flush();
        written = static_cast<bool>(out);
    }
    // Messages may quote a file's bytes or a path: nothing of them may
    // reach the terminal as a control.
    for (const session::Message &message : outcome.messages) {
        const std::string text = PrintableText(message.text);
        switch (message.kind) {
        case Kind::Box:
            err << text << '\n';
            break;
        case Kind::Warning:
            err << "tevmar-cli: warning: " << text << '\n';
            break;
        case Kind::Problem:
        case Kind::Note:
            err << "tevmar-cli: " << text << '\n';
            break;
        case Kind::Usage:
            err << "tevmar-cli: " << text << " (see \"tevmar-cli --help\")\n";
            break;
        }
    }
    session::ExitStatus status = outcome.status;
    if (!written) {
        err << "tevmar-cli: cannot write the design to standard output\n";
        status = session::StatusAfterOutputFailure(status);
    }
    return static_cast<int>(status);
}

} // namespace tevmar::cli
