// quorvex-cli's convert and transcode, run as a child of the resume test:
// with PERCENT > 0 it stops itself (SIGSTOP) after writing the first progress
// line that shows at least PERCENT, so that the test kills it at that point.
// A run that keeps segments to resume from stops once its record names a
// finished one (they go to the disk beside the run, a moment after their
// end), at the next progress line that finds it so.
//   cli_resume_child PERCENT [-v] convert|transcode ARGS...
#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/LogOutput.h"
#include "engine/SegmentedOutput.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace {

// Whether a run writing into `folder` may be killed now: no segment folder
// there, or one whose record names a finished segment.
bool KeptPartOnDisk(const std::string& folder)
{
    bool segmented = false;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory(ignored) || !name.ends_with(".segments"))
            continue;
        segmented = true;
        SegmentRecord record;
        std::string problem;
        if (ReadSegmentRecord(entry.path().string(), record, problem) && KeptPartOf(record).segments > 0)
            return true;
    }
    return !segmented;
}

// Passes everything on to stdout and watches the progress lines go by.
class ProgressWatch final : public std::streambuf {
public:
    ProgressWatch(int percent, std::string outputFolder) : percent_(percent), outputFolder_(std::move(outputFolder)) {}

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
            if (start < mark && std::atoi(line_.substr(start, mark - start).c_str()) >= percent_ &&
                KeptPartOnDisk(outputFolder_)) {
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
    std::string outputFolder_;
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
    const std::string outputFolder = kind == CliCommandKind::Convert
                                         ? parsed.command.outputFolder
                                         : std::filesystem::path(parsed.command.files.at(1)).parent_path().string();
    ProgressWatch watch(std::atoi(argv[1]), outputFolder.empty() ? "." : outputFolder);
    std::ostream out(&watch);
    const int status = kind == CliCommandKind::Convert ? RunConvert(parsed.command, false, out, std::cerr)
                                                       : RunTranscode(parsed.command, false, out, std::cerr);
    out.flush();
    return status;
}
