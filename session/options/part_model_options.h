#pragma once

// The chip-part models and the pads as the engineer writes them, with units:
// an inductor "Q@F,CP" (55@1.5GHz,0.157pF), a capacitor "ESL,ESR@F"
// (0.45nH,0.12@1GHz, the ESR in plain ohms) and a pad "C" (0.05pF). Shared by
// tevmar-cli's options and the Python keywords (which pass through them).

#include "analysis/model/part.h"

#include <optional>
#include <string>
#include <variant>

namespace tevmar::session {

// What a model's text gives, or why it cannot be read: the message names the
// piece at fault and the form expected.
template <class T> using Parsed = std::variant<T, std::string>;

Parsed<analysis::ChipInductor> ParseInductorModel(const std::string &text);
Parsed<analysis::ChipCapacitor> ParseCapacitorModel(const std::string &text);
// The pad's capacitance in pF, 0 (no pads) up to 1e6 pF.
Parsed<double> ParsePad(const std::string &text);

// The texts again, as the JSON and the messages write a model back.
std::string InductorModelText(const analysis::ChipInductor &model);
std::string CapacitorModelText(const analysis::ChipCapacitor &model);

} // namespace tevmar::session
