#include "cli/cli_main.h"

#include "cli/outcome_writer.h"
#include "report/printable_text.h"
#include "session/options/command_line.h"
#include "session/options/input_checks.h"

#include <new>
#include <ostream>
#include <system_error>

#ifndef TEVMAR_VERSION
#error "TEVMAR_VERSION must be defined by the build"
#endif

namespace tevmar::cli {

std::string UsageText()
{
    return "Usage: tevmar-cli --f1 TEXT --f2 TEXT --zhigh TEXT --zlow TEXT [--order 4|8|12]\n"
           "                  [--load series-rl|series-rc|shunt-rl|shunt-rc] [--absorb TEXT]\n"
           "                  [analysis options]\n"
           "       tevmar-cli --f1 TEXT --f2 TEXT --load-s1p FILE.s1p | --load-circuit CIRCUIT\n"
           "                  --source OHMS | --source-s1p FILE.s1p | --source-circuit CIRCUIT\n"
           "                  [--source-kind TYPE]\n"
           "                  [--order 4|8|12] [--load-kind TYPE] [analysis options]\n"
           "       tevmar-cli --device FILE.s2p [--f1 TEXT --f2 TEXT] [--gain-circles DB,...]\n"
           "                  [--noise-circles DB,...] [--json]\n"
           "       tevmar-cli --device FILE.s2p --amplifier --f1 TEXT --f2 TEXT\n"
           "                  [--goal gain|noise] [--source OHMS | --source-s1p FILE.s1p]\n"
           "                  [--load-ohms OHMS | --load-s1p FILE.s1p] [--json]\n"
           "                  [--stability-margin M] [--tolerance PERCENT] [--stabilise]\n"
           "                  [--sweep PATH] [--touchstone PATH]\n"
           "       tevmar-cli --substrate ER,H,... --microstrip OHMS|WIDTH --at FREQ,...\n"
           "                  [--length LENGTH] [--json]\n"
           "\n"
           "Designs a Chebyshev bandpass impedance-matching network as the window's\n"
           "Calculate command does: saves the report (\"tevmar.prt\" in the current\n"
           "directory unless --report names another path) and prints the window's result\n"
           "lines on standard output.\n"
           "\n"
           "Options:\n" +
           session::OptionListText() +
           "\n"
           "Each TEXT is taken as typed into the window's box: its leading number counts,\n"
           "with \".\" as the decimal point, and the band and port texts appear verbatim in\n"
           "the report. An option left out is an empty box. Without --absorb nothing is\n"
           "absorbed.\n"
           "\n"
           "A measured load: --load-s1p reads a network analyser's one-port file\n"
           "(Touchstone 1.1 or 2.0) and fits its impedance at the points inside the band\n"
           "as each load kind (series R+L, series R+C, R parallel L, R parallel C; at\n"
           "least 3 points). The kind of least rms relative error whose resistance lies\n"
           "on the right side of --source (a series kind below it, a shunt kind above)\n"
           "is designed for, unless --load-kind names one; the fit follows the pane\n"
           "lines. Every figure, the tuning included, is into the measured data (linear\n"
           "between its points); the band must lie within the data. The Bode-Fano limit,\n"
           "the Touchstone file and the SPICE bench describe the fitted model; the CSV\n"
           "sweep is into the data where they reach, into the fitted model beyond (its\n"
           "termination column says which).\n"
           "\n"
           "A circuit: --load-circuit (or --source-circuit) takes the termination as R, L\n"
           "and C with their units, in series (+) and parallel (||), grouped by\n"
           "parentheses: \"(20 + 2.7nH) || 0.3pF\". It is fitted as a measurement is, and\n"
           "every figure is into its exact impedance.\n"
           "\n"
           "A measured source: --source-s1p reads the source's one-port file the same\n"
           "way and fits it as each kind (the best, or --source-kind); the design is for\n"
           "its fitted resistance, the tuner (--tune) handles its reactance, and every\n"
           "figure is between the two measurements: the reflection is the power-wave\n"
           "one, |Zin - Zs*| / |Zin + Zs|. The files describe the network alone, each\n"
           "port referred to the fitted resistance at its end.\n"
           "\n"
           "A transistor: --device reads its two-port file (Touchstone 1.1 or 2.0, with\n"
           "the noise parameters where it has them) and prints, at each data frequency\n"
           "(from --f1 to --f2 when both are given), K, |Delta|, mu, mu', MSG, MAG and the\n"
           "simultaneous conjugate match where the device is unconditionally stable, the\n"
           "noise parameters, and the stability, gain and noise-figure circles in the\n"
           "reflection planes of the file's reference; --json writes them as a document.\n"
           "No report is written and no other option applies.\n"
           "\n"
           "An amplifier: --amplifier with --device designs the input network (from the\n"
           "--source resistance, 50 ohms unless given, or the --source-s1p measurement, to\n"
           "the device) and the output network (from the device to the --load-ohms\n"
           "resistance, 50 unless given, or the --load-s1p measurement) over\n"
           "--f1 to --f2, both together, from lowpass, highpass and bandpass ladders of 2\n"
           "to 6 parts a side: --goal gain (the default) for the greatest in-band minimum\n"
           "transducer gain, --goal noise for the least in-band maximum noise figure and\n"
           "then the most gain. In band both loops |GammaS Gamma in| and |GammaL Gamma out|\n"
           "stay at or below the square of --stability-margin (0.9 unless given) and the\n"
           "gain at or below the device's MAG or MSG; over the whole file both stay below 1\n"
           "with each part moved alone by 2 % (and by --tolerance); where no network does\n"
           "that, or the device has no forward gain, the exit status is 1. --stabilise\n"
           "first loads the device with a series resistor at its input, a shunt resistor\n"
           "across its output or both, for the least gain lost, until its mu is 1.02 or\n"
           "more at every data frequency (exit status 1 where no such resistor does).\n"
           "--sweep writes\n"
           "the whole amplifier's figures at every data frequency and 201 points over the\n"
           "band as CSV, --touchstone its scattering matrix referred to the file's\n"
           "resistance, --touchstone-v2 the same with port 1 referred to the source and\n"
           "port 2 to the load, --spice the two networks as subcircuits (SPICE cannot hold\n"
           "the device's data: the netlist leaves it out and says so).\n"
           "\n" +
           session::AnalysisUsageText() +
           "\n"
           "Exit status: 0 designed and saved, 1 no solution (\"  SOLUTION OUT OF RANGE\";\n"
           "standard error says why; or no stable amplifier), 2 bad usage, nothing written (an "
           "output that is the\n"
           "--load-s1p or --source-s1p file, or one that cannot be read or fitted, or a\n"
           "--device file that cannot be read or does not cover the band, too),\n"
           "3 report not saved, 4 standard output could not be written, 5 an analysis file\n"
           "could not be written, 6 no textbook design but --tune wrote the tuned network\n"
           "or --candidates the candidates.\n";
}

namespace {

int RunCliUnguarded(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                    const std::filesystem::path &defaultReportPath)
{
    const session::CommandLine c = session::ParseCommandLine(args, defaultReportPath);
    if (!c.problem.empty()) {
        err << "tevmar-cli: " << PrintableText(c.problem) << " (see \"tevmar-cli --help\")\n";
        return kExitBadUsage;
    }
    if (c.help || c.version) {
        out << (c.help ? UsageText() : std::string(TEVMAR_VERSION) + "\n");
        out.flush();
        return out ? kExitDesigned : kExitOutputFailed;
    }
    for (const std::string &warning : c.warnings)
        err << "tevmar-cli: warning: " << PrintableText(warning) << '\n';
    for (const std::string &warning : session::DesignInputWarnings(c.design))
        err << "tevmar-cli: warning: " << warning << '\n';
    return WriteOutcome(session::Run(session::RequestOf(c)), out, err);
}

int OutOfMemory(std::ostream &err)
{
    err << "tevmar-cli: out of memory; the run was stopped, and no file was written after that "
           "point\n";
    return kExitBadUsage;
}

} // namespace

int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const std::filesystem::path &defaultReportPath)
{
    // Memory runs out under a limit (ulimit -v) or on a small machine: the
    // run ends with the reason, not an abort, and writes no file after it.
    try {
        return RunCliUnguarded(args, out, err, defaultReportPath);
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err);
    } catch (const std::system_error &e) {
        // A thread of the searches that cannot be started for want of memory.
        if (e.code() != std::errc::resource_unavailable_try_again &&
            e.code() != std::errc::not_enough_memory)
            throw;
        return OutOfMemory(err);
    }
}

} // namespace tevmar::cli
