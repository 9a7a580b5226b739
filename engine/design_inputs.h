#pragma once

// What the engineer types and picks before pressing Calculate. The band and
// port texts are kept exactly as typed, because the report prints them.

#include "units/quantity.h"

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

// The numbers in the boxes, each read once by the lenient rule of a
// calculator field (engine/lenient_number.h): "2.2 GHz" reads 2.2, a box that
// does not start with a number reads 0, a numeral beyond a double reads as an
// infinity. Each stays in the unit its box is typed in, because the design
// run's arithmetic starts from exactly these numbers (the band edge times
// 1000 in MHz is not always the same double as the edge in Hz over 1e6); the
// accessors give the SI quantity for the analysis.
struct InputValues
{
    double f1Ghz = 0, f2Ghz = 0;        // band edges, GHz
    double zhighOhms = 0, zlowOhms = 0; // port impedances, ohms
    // The load's reactance to absorb, nH (RL) or pF (RC); 0 when the LC
    // Absorption box is not ticked, whatever its value box holds.
    double absorbedValue = 0;

    units::Frequency f1() const { return units::Frequency::FromGHz(f1Ghz); }
    units::Frequency f2() const { return units::Frequency::FromGHz(f2Ghz); }
    units::Resistance zhigh() const { return units::Resistance::FromOhms(zhighOhms); }
    units::Resistance zlow() const { return units::Resistance::FromOhms(zlowOhms); }
};

// The one reading of the boxes: every number the design, its checks, the
// candidates and the exports work from.
InputValues ReadInputValues(const DesignInputs &inputs);

} // namespace tevmar
