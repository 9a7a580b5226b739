#pragma once

// A kit folder read from disk: its .s2p files and parts.csv, each read
// bounded as a measured file is and never blocking (a FIFO or a device named
// like a part file is refused unread), turned into the kit for one band. Only
// the folder's own files are read: a link that leads out of the folder is
// refused by its name, unread.

#include "analysis/readers/part_kit.h"

#include <filesystem>
#include <string>

namespace tevmar::session {

// Whether the file `name` of a kit folder is one of its part files (.s2p,
// in any case).
bool IsPartFile(const std::filesystem::path &name);

// The kit in `folder` for the band lowHz to highHz, its parts clear of
// resonance by `srfMarginPercent` above the band's top. A folder that cannot be
// listed is the reading's problem; a file that cannot be read is skipped
// with a warning, as analysis::BuildKit does with one that is not a two-port.
analysis::KitReading ReadPartKit(const std::string &folder, double lowHz, double highHz,
                                 double srfMarginPercent = analysis::kDefaultSrfMarginPercent);

} // namespace tevmar::session
