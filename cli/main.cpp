// quorvex-cli: the desktop program's formats and converter for scripts.
#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/LogOutput.h"
#include "cli/StopSignals.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CliParseResult parsed = ParseCliArguments(args);
    if (!parsed.ok) {
        std::cerr << "quorvex-cli: " << parsed.error << '\n' << CliUsage();
        return kExitUsage;
    }
    const CliCommand& command = parsed.command;
    CliLogOutput log(command.verbose, command.logFile, std::cerr);
    if (!log.Opened()) {
        std::cerr << "quorvex-cli: cannot write the log file " << command.logFile << '\n';
        return kExitFailed;
    }
    const bool terminal = isatty(STDOUT_FILENO) == 1;
    // before the first task is set up and before any thread exists
    if (command.kind == CliCommandKind::Convert || command.kind == CliCommandKind::Transcode)
        StopSignals::Install();
    switch (command.kind) {
    case CliCommandKind::Help:
        std::cout << CliUsage();
        return 0;
    case CliCommandKind::Formats:
        return RunFormats(std::cout);
    case CliCommandKind::Options:
        return RunOptions(command.formatNumber, std::cout, std::cerr);
    case CliCommandKind::Info:
        return RunInfo(command.files, command.timing, std::cout, std::cerr);
    case CliCommandKind::Convert:
        return RunConvert(command, terminal, std::cout, std::cerr);
    case CliCommandKind::Transcode:
        return RunTranscode(command, terminal, std::cout, std::cerr);
    }
    return kExitUsage;
}
