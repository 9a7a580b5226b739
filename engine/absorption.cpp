#include "engine/absorption.h"

#include "engine/lenient_number.h"

namespace tevmar {

AbsorptionPrompt AbsorptionRule(bool absorb, LoadType loadType, std::string_view absorbText)
{
    AbsorptionPrompt prompt;
    if (!absorb) {
        prompt.absorbText = " 0.0";
        return prompt;
    }
    prompt.unitPrompt = IsInductiveLoad(loadType) ? "L(nH)=" : "C(pF)=";
    prompt.absorbedValue = ReadNumber(absorbText);
    return prompt;
}

} // namespace tevmar
