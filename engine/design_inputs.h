#pragma once

// What the engineer types and picks before pressing Calculate. The band and
// port texts are kept exactly as typed, because the report prints them.

#include <optional>
#include <string>
#include <string_view>

namespace tevmar {

// The kind of load whose reactance the network may absorb. A series load sits
// at the low-impedance port, a shunt load at the high-impedance port.
enum class LoadType { SeriesRL, SeriesRC, ShuntRL, ShuntRC };

inline bool IsSeriesLoad(LoadType type)
{
    return type == LoadType::SeriesRL || type == LoadType::SeriesRC;
}
inline bool IsInductiveLoad(LoadType type)
{
    return type == LoadType::SeriesRL || type == LoadType::ShuntRL;
}

// The names of a load type: the short code ("SRL") of the exported files, the
// command-line word ("series-rl") and the words of a sentence ("series RL").
struct LoadTypeNames
{
    LoadType type;
    const char *code;
    const char *word;
    const char *phrase;
};
const LoadTypeNames &NamesOf(LoadType type);
std::optional<LoadType> LoadTypeFromWord(std::string_view word);

struct DesignInputs
{
    std::string f1Text, f2Text;      // band edges in GHz
    std::string zhighText, zlowText; // port impedances in ohms
    int networkOrder = 4;            // 4, 8 or 12
    LoadType loadType = LoadType::SeriesRL;
    bool absorb = false;             // the LC Absorption box is ticked
    std::string absorbText = " 0.0"; // the absorbed value's box: nH (RL) or pF (RC)
};

} // namespace tevmar
