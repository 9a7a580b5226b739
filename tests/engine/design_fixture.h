#pragma once

#include "engine/design.h"
#include "engine/design_inputs.h"

namespace tevmar {

// The worked band and ports typed in: 1 to 2 GHz, 50 and 10 ohms. A value to
// absorb ticks the LC Absorption box.
inline DesignInputs WorkedInputs(int order = 4, LoadType load = LoadType::SeriesRL,
                                 const char *absorb = nullptr)
{
    DesignInputs inputs;
    inputs.f1Text = "1";
    inputs.f2Text = "2";
    inputs.zhighText = "50";
    inputs.zlowText = "10";
    inputs.networkOrder = order;
    inputs.loadType = load;
    if (absorb) {
        inputs.absorb = true;
        inputs.absorbText = absorb;
    }
    return inputs;
}

} // namespace tevmar
