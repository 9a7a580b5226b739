#include "engine/design_inputs.h"

#include "engine/lenient_number.h"

namespace tevmar {

namespace {

constexpr LoadTypeNames kLoadTypes[] = {
    {LoadType::SeriesRL, "SRL", "series-rl", "series RL"},
    {LoadType::SeriesRC, "SRC", "series-rc", "series RC"},
    {LoadType::ShuntRL, "PRL", "shunt-rl", "shunt RL"},
    {LoadType::ShuntRC, "PRC", "shunt-rc", "shunt RC"},
};

} // namespace

const LoadTypeNames &NamesOf(LoadType type)
{
    return kLoadTypes[static_cast<int>(type)];
}

std::optional<LoadType> LoadTypeFromWord(std::string_view word)
{
    for (const LoadTypeNames &names : kLoadTypes)
        if (word == names.word)
            return names.type;
    return std::nullopt;
}

InputValues ReadInputValues(const DesignInputs &inputs)
{
    InputValues values;
    values.f1Ghz = ReadNumber(inputs.f1Text);
    values.f2Ghz = ReadNumber(inputs.f2Text);
    values.zhighOhms = ReadNumber(inputs.zhighText);
    values.zlowOhms = ReadNumber(inputs.zlowText);
    values.absorbedValue = inputs.absorb ? ReadNumber(inputs.absorbText) : 0;
    return values;
}

} // namespace tevmar
