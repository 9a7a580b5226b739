#pragma once

// The design given as command-line options: the window's boxes, or a
// measured load in their place.

#include "session/options/command_options.h"
#include "session/types.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The options --f1, --f2, --zhigh, --zlow, --order, --load and --absorb,
// filling `inputs`; an option left out is an empty box (or the window's
// initial choice). A box text that is not a plain number is taken as the
// window takes it, with a line for `warnings` ("--f1: \"2,5\" read as 2").
OptionTable DesignOptions(DesignInputs &inputs, std::vector<std::string> &warnings,
                          const OptionNaming &naming = {});

// --load-s1p, --source and --load-kind: a measured load in place of the
// port impedances and the load model.
struct MeasuredLoadArguments
{
    std::optional<std::string> filePath;
    std::optional<double> sourceOhms;
    std::optional<LoadType> loadKind;
    std::optional<std::string> sourcePath; // --source-s1p, in place of --source
    std::optional<LoadType> sourceKind;
    // --load-circuit and --source-circuit: a termination written as a circuit
    // of R, L and C, in place of the file of the same end.
    std::optional<std::string> loadCircuit, sourceCircuit;

    bool HasLoad() const { return filePath || loadCircuit; }
    bool HasSource() const { return sourcePath || sourceCircuit; }
};

// Those options, filling `arguments`.
OptionTable MeasuredLoadOptions(MeasuredLoadArguments &arguments);

// The design options a measured load replaces.
inline constexpr const char *kReplacedByMeasuredLoad[] = {"--zhigh", "--zlow", "--load",
                                                          "--absorb"};

} // namespace tevmar::session
