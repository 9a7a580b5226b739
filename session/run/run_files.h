#pragma once

// The files one run reads and the files it writes, so that no output ever
// replaces a measurement, a transistor's data or a part of the kit it was
// made from.

#include "session/io/safe_file.h"
#include "session/run/run.h"

#include <string>
#include <vector>

namespace tevmar::session {

// Every file the request reads, each named by the option that reads it: the
// measured load and source, the transistor, the amplifier's measured
// terminations, and each part file and parts.csv of the kit folder.
std::vector<NamedPath> InputFilesOf(const Request &request);

// Every file the request writes (the report and each file asked for, standard
// output aside), each named as messages name it.
std::vector<NamedPath> OutputFilesOf(const Request &request);

} // namespace tevmar::session
