#pragma once

// What every run a fuzz target makes must give, whatever it was asked: an
// exit status the program knows, messages that carry no control byte to the
// terminal, and, where it designed or tuned, a JSON document that parses
// (a NaN or an infinity would not) with every candidate's |S11| from 0 to 1.

#include "session/run/run.h"

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

namespace tevmar::fuzz {

inline void RequirePrintable(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            std::abort();
}

inline void CheckOutcome(const session::Outcome &o)
{
    using session::ExitStatus;
    for (const session::Message &m : o.messages)
        if (m.kind != session::Message::Kind::Box)
            RequirePrintable(m.text);
    switch (o.status) {
    case ExitStatus::BadUsage:
        // Refused: said why, computed and wrote nothing.
        if (o.messages.empty() || !o.standardOutput.empty() || !o.files.empty())
            std::abort();
        return;
    case ExitStatus::Designed:
    case ExitStatus::NoSolution:
    case ExitStatus::Tuned:
        break;
    default:
        std::abort(); // nothing is written, so no file or output can fail
    }
    if (o.status != ExitStatus::NoSolution && !nlohmann::json::accept(o.standardOutput))
        std::abort();
    if (o.candidates)
        for (const analysis::Candidate &c : o.candidates->candidates)
            if (!(c.tuned.gammaMax >= 0 && c.tuned.gammaMax <= 1))
                std::abort();
}

} // namespace tevmar::fuzz
