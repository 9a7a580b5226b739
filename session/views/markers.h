#pragma once

// Marker readouts, as on a network analyser, without Qt: the figures of the
// network at each marker's frequency, and the marker table as text.

#include "session/views/response.h"

#include <string>
#include <vector>

namespace tevmar::session {

inline constexpr std::size_t kMaxMarkers = 4;

struct MarkerReading
{
    int number = 1; // 1 to kMaxMarkers, as the plot labels it
    double frequencyHz = 0;
    double gamma = 0; // |S11|
    double returnLossDb = 0;
    double vswr = 1;
    double s21Db = 0;        // with the parts' loss when a Q is set
    double groupDelayNs = 0; // of the same network
};

// The figures of the full-precision network with the true load at each
// frequency (the parts' loss included when a Q is set), numbered in order.
std::vector<MarkerReading> ReadMarkers(const Response &response,
                                       const std::vector<double> &frequenciesHz);

// The column heads and one line of cells per marker: what the table shows.
std::vector<std::string> MarkerColumns();
std::vector<std::string> MarkerCells(const MarkerReading &reading);

// The table as tab-separated lines with a header, for the clipboard.
std::string MarkerTableText(const std::vector<MarkerReading> &readings);

} // namespace tevmar::session
