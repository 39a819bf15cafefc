// quorvex-cli's convert and transcode, run as a child of the resume test:
// with PERCENT > 0 it stops itself (SIGSTOP) after writing the first progress
// line that shows at least PERCENT, so that the test kills it at that point.
//   cli_resume_child PERCENT [-v] convert|transcode ARGS...
#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/LogOutput.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// Passes everything on to stdout and watches the progress lines go by.
class ProgressWatch final : public std::streambuf {
public:
    explicit ProgressWatch(int percent) : percent_(percent) {}

protected:
    int overflow(int c) override
    {
        if (c == traits_type::eof())
            return 0;
        std::cout.put(static_cast<char>(c));
        if (c != '\n' && c != '\r') {
            line_ += static_cast<char>(c);
            return c;
        }
        const size_t mark = line_.find('%');
        if (percent_ > 0 && mark != std::string::npos) {
            size_t start = mark;
            while (start > 0 && line_[start - 1] >= '0' && line_[start - 1] <= '9')
                --start;
            if (start < mark && std::atoi(line_.substr(start, mark - start).c_str()) >= percent_) {
                std::cout.flush();
                raise(SIGSTOP);
            }
        }
        line_.clear();
        return c;
    }
    int sync() override
    {
        std::cout.flush();
        return 0;
    }

private:
    int percent_;
    std::string line_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return kExitUsage;
    const std::vector<std::string> args(argv + 2, argv + argc);
    CliParseResult parsed = ParseCliArguments(args);
    const CliCommandKind kind = parsed.command.kind;
    if (!parsed.ok || (kind != CliCommandKind::Convert && kind != CliCommandKind::Transcode)) {
        std::cerr << "cli_resume_child: " << parsed.error << '\n';
        return kExitUsage;
    }
    parsed.command.progressIntervalMs = 100;
    CliLogOutput log(parsed.command.verbose, parsed.command.logFile, std::cerr);
    ProgressWatch watch(std::atoi(argv[1]));
    std::ostream out(&watch);
    const int status = kind == CliCommandKind::Convert ? RunConvert(parsed.command, false, out, std::cerr)
                                                       : RunTranscode(parsed.command, false, out, std::cerr);
    out.flush();
    return status;
}
