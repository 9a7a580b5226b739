#include "session/options/option_naming.h"

#include <algorithm>

namespace tevmar::session {

std::string OptionNaming::operator()(std::string_view option) const
{
    if (!keywords_)
        return std::string(option);
    while (option.starts_with('-'))
        option.remove_prefix(1);
    std::string keyword(option);
    std::ranges::replace(keyword, '-', '_');
    return keyword;
}

} // namespace tevmar::session
