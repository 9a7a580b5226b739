#include "engine/absorption.h"

namespace tevmar {

AbsorptionPrompt AbsorptionRule(bool absorb, LoadType loadType)
{
    AbsorptionPrompt prompt;
    if (!absorb) {
        prompt.absorbText = " 0.0";
        return prompt;
    }
    prompt.unitPrompt = IsInductiveLoad(loadType) ? "L(nH)=" : "C(pF)=";
    return prompt;
}

} // namespace tevmar
