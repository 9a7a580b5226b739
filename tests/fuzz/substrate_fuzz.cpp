// The substrate text of --substrate on any bytes: it reads a substrate or
// refuses the text naming what is wrong, in printable text, nothing else. A
// substrate it reads is sound, and a line on it, for an impedance or of a
// width, worked out over the frequencies a board is used at and beyond,
// gives a document with no NaN or infinity in it.

#include "session/options/line_options.h"
#include "session/run/run.h"
#include "tests/fuzz/run_checks.h"

#include <cstdlib>
#include <string>

using namespace tevmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const session::SubstrateRead read = session::ReadSubstrate(text);
    if (!read.substrate) {
        if (read.problem.empty())
            std::abort();
        fuzz::RequirePrintable(read.problem);
        return 0;
    }
    if (!read.problem.empty() || !session::SubstrateProblem(*read.substrate).empty())
        std::abort();
    const double height = read.substrate->height;
    for (const int kind : {0, 1, 2}) {
        session::Request request;
        request.microstrip = session::MicrostripInput{};
        request.microstrip->substrate = *read.substrate;
        if (kind == 0)
            request.microstrip->impedanceOhms = 50;
        else
            request.microstrip->width = kind == 1 ? height : 3e-3;
        request.microstrip->frequenciesHz = {1e6, 2.4e9, 77e9, 1e12};
        request.microstrip->length = 25e-3;
        request.json = true;
        const session::Outcome outcome = session::Run(request);
        fuzz::CheckOutcome(outcome);
        if (outcome.status == session::ExitStatus::Designed && !outcome.microstrip)
            std::abort();
    }
    return 0;
}
