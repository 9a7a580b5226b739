#pragma once

// Several bands at once in the Response window: the Bands and Reject boxes
// read as the command line reads --band and --reject, and the design the
// candidates over them start from, made as the command line makes it, so
// that every figure the window gives for the bands is the command line's.

#include "session/run/calculation.h"
#include "session/run/run.h"
#include "session/views/response.h"

#include <string>

namespace tevmar::session {

class Study;

// What the two boxes say: the bands, or why they cannot be read, naming the
// box ("Bands: ..."). Both empty: no bands, the main window's band. One
// plain passband is the main window's F1 and F2, not a goal: refused so.
struct BandsReading
{
    ResponseBands bands;
    std::string problem;
};
BandsReading ReadResponseBands(const std::string &bandsText, const std::string &rejectText);

// Why the bands cannot be matched for the main window's outcome, or empty:
// a measured load's fit is made for one band.
std::string BandsProblem(const ResponseBands &bands, const CalculateOutcome &given);

// The design the candidates over the bands start from: the main window's
// inputs with F1 and F2 spanning the passbands, as tevmar-cli --band makes it.
CalculateOutcome BandsDesign(Study &study, const CalculateOutcome &given,
                             const ResponseBands &bands);

// The window's status line over several bands, as the command line's pane
// gives it first, and the band the main window's design keeps.
std::string BandsNote(const ResponseBands &bands, const CalculateOutcome &given);

// A run of the window's network (an export of the candidate drawn) over the
// bands, as tevmar-cli --band ... --pick K runs it: the design spanning the
// passbands, the bands as its goal, only the candidates, no report. Without
// several bands the request is left as it is.
void OverBands(Request &request, const ResponseBands &bands);

} // namespace tevmar::session
