#pragma once
// The command line of quorvex-cli, parsed into one command; no file is
// touched here, so every shape of argument list can be checked on its own.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class CliCommandKind { Formats, Options, Info, Convert, Transcode, Help };

struct CliCommand {
    CliCommandKind kind = CliCommandKind::Help;
    int formatNumber = 0;  // options, convert
    std::vector<std::string> files;  // info, convert; transcode: input, output
    std::string outputFolder = ".";  // convert -o
    int simultaneous = 0;  // convert -j, 1..10; 0: automatic for the machine's cores
    bool overwrite = false;  // convert --overwrite
    bool resumable = true;  // convert --no-resume: outputs written directly, nothing kept to resume from
    std::vector<std::pair<std::string, std::string>> selections;  // --set LIST=CAPTION, in order
    bool clip = false;  // --clip START STOP
    int64_t clipStartSeconds = 0;
    int64_t clipStopSeconds = 0;
    std::string inputOptions;  // transcode --input, lines joined by "\r\n"
    std::string outputOptions;  // transcode --output
    bool timing = false;  // info --timing: probe times to stderr
    bool verbose = false;  // -v before the command: the engine's and libraries' log to stderr
    std::string logFile;  // --log FILE before the command: that log appended to FILE
    int progressIntervalMs = 0;  // convert, transcode: time between progress lines; 0 the converter's own
};

struct CliParseResult {
    bool ok = false;
    CliCommand command;
    std::string error;  // why the arguments were refused
};

CliParseResult ParseCliArguments(const std::vector<std::string>& args);

// "90", "1:30" or "0:01:30" as seconds; -1 for anything else.
int64_t ParseClipTime(const std::string& text);

// The short usage text printed with an argument error.
const char* CliUsage();
