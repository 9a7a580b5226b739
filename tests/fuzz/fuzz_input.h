#pragma once

// How the fuzz targets read their input: lines, the first ones being the
// window's boxes. Seeds stay readable text that a person can write by hand.
//
//   line 1-4  f1, f2, Zhigh, Zlow as typed (GHz, GHz, ohms, ohms)
//   line 5    the absorbed value's box
//   line 6    choices: "4", "8" or "12"; a load word ("shunt-rc"); "absorb"
//   line 7-   target-specific (command-line arguments, one a line)

#include "engine/design_inputs.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tevmar::fuzz {

inline std::vector<std::string> SplitLines(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::string> lines;
    std::string_view text(reinterpret_cast<const char *>(data), size);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == text.npos ? text.size() : end + 1);
    }
    return lines;
}

// The design from the first six lines; lines left out are empty boxes and the
// window's initial choices. `used` is how many lines were taken.
inline DesignInputs DesignFromLines(const std::vector<std::string> &lines, std::size_t &used)
{
    DesignInputs inputs;
    std::string *const boxes[] = {&inputs.f1Text, &inputs.f2Text, &inputs.zhighText,
                                  &inputs.zlowText, &inputs.absorbText};
    used = 0;
    for (std::string *box : boxes)
        if (used < lines.size())
            *box = lines[used++];
    if (used < lines.size()) {
        std::istringstream words(lines[used++]);
        for (std::string word; words >> word;) {
            if (word == "4" || word == "8" || word == "12")
                inputs.networkOrder = std::stoi(word);
            else if (word == "absorb")
                inputs.absorb = true;
            else if (const auto type = LoadTypeFromWord(word))
                inputs.loadType = *type;
        }
    }
    return inputs;
}

} // namespace tevmar::fuzz
