#pragma once

// Runs tevmar-cli, for the tests that check a file the window writes against
// the one the command line writes for the same design and choices.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

namespace tevmar::test {

struct CliRun
{
    int exitCode = -1;
    std::string standardOutput;
    std::string standardError;
};

inline CliRun RunCli(const QString &directory, const QStringList &arguments)
{
    QProcess cli;
    cli.setWorkingDirectory(directory);
    cli.start(QStringLiteral(TEVMAR_CLI), arguments);
    CliRun run;
    if (!cli.waitForFinished(60000))
        return run;
    run.exitCode = cli.exitCode();
    run.standardOutput = cli.readAllStandardOutput().toStdString();
    run.standardError = cli.readAllStandardError().toStdString();
    return run;
}

} // namespace tevmar::test
