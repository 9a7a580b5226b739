#pragma once

// How a front end names an option in the messages the run gives back. The
// option tables know each option by its command-line spelling ("--load-s1p");
// tevmar-cli shows that, the Python module the keyword argument the caller
// wrote ("load_s1p"), so that every problem points at something the caller
// can find in their own call.

#include <string>
#include <string_view>

namespace tevmar::session {

class OptionNaming
{
  public:
    OptionNaming() = default; // tevmar-cli's
    // "--load-s1p" as it is.
    static OptionNaming CommandLine() { return OptionNaming(false); }
    // "--load-s1p" as "load_s1p".
    static OptionNaming KeywordArguments() { return OptionNaming(true); }

    // The option of the command-line spelling `option`, as this front end
    // names it.
    std::string operator()(std::string_view option) const;

  private:
    explicit OptionNaming(bool keywords) : keywords_(keywords) {}
    bool keywords_ = false;
};

} // namespace tevmar::session
