#pragma once

// The design inputs as the engineer typed them, kept for the JSON file.

#include "engine/window_services.h"

#include <string>

namespace tevmar::analysis {

struct DesignInputs
{
    // The text boxes character for character.
    std::string F1_text, F2_text, Zhigh_text, Zlow_text, LC_text;
    std::string loadType = "SRL"; // "SRL", "SRC", "PRL" or "PRC"
    int networkOrder = 4;         // 4, 8 or 12
    bool absorb = false;          // the LC_abs check box
};

// Reads the inputs from the window; call it before the design run, which
// rewrites LC_text when absorption is off.
DesignInputs CaptureInputs(const WindowServices &window);

} // namespace tevmar::analysis
