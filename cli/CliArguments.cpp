#include "cli/CliArguments.h"

#include <charconv>

namespace {

constexpr int kMaxSimultaneous = 10;

bool ParseInt(const std::string& text, int64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && last == end;
}

// Adds one option text to `text`: lines separated by "\r\n" as the converter reads them.
void AppendOptionText(std::string& text, const std::string& more)
{
    std::string lines;
    for (char c : more) {
        if (c == '\r')
            continue;
        if (c == '\n' || c == ';')
            lines += "\r\n";
        else
            lines += c;
    }
    if (!text.empty())
        text += "\r\n";
    text += lines;
}

CliParseResult Fail(std::string error)
{
    CliParseResult result;
    result.error = std::move(error);
    return result;
}

CliParseResult ParseConvert(const std::vector<std::string>& args)
{
    CliParseResult result;
    CliCommand& c = result.command;
    c.kind = CliCommandKind::Convert;
    bool formatGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto needs = [&](size_t count) { return i + count < args.size(); };
        if (arg == "-f") {
            int64_t n = 0;
            if (!needs(1) || !ParseInt(args[++i], n) || n <= 0 || n > 100000)
                return Fail("-f needs a format number");
            c.formatNumber = static_cast<int>(n);
            formatGiven = true;
        } else if (arg == "-o") {
            if (!needs(1) || args[i + 1].empty())
                return Fail("-o needs a folder");
            c.outputFolder = args[++i];
        } else if (arg == "-j") {
            int64_t n = 0;
            if (!needs(1) || !ParseInt(args[++i], n) || n < 1 || n > kMaxSimultaneous)
                return Fail("-j needs a number from 1 to 10");
            c.simultaneous = static_cast<int>(n);
        } else if (arg == "--overwrite") {
            c.overwrite = true;
        } else if (arg == "--no-resume") {
            c.resumable = false;
        } else if (arg == "--set") {
            if (!needs(1))
                return Fail("--set needs LIST=CAPTION");
            const std::string& value = args[++i];
            const size_t eq = value.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
                return Fail("--set needs LIST=CAPTION, got \"" + value + "\"");
            c.selections.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else if (arg == "--clip") {
            if (!needs(2))
                return Fail("--clip needs START and STOP");
            c.clipStartSeconds = ParseClipTime(args[++i]);
            c.clipStopSeconds = ParseClipTime(args[++i]);
            if (c.clipStartSeconds < 0 || c.clipStopSeconds < 0)
                return Fail("--clip times are seconds or H:MM:SS");
            if (c.clipStartSeconds >= c.clipStopSeconds)
                return Fail("--clip START must be before STOP");
            c.clip = true;
        } else if (arg == "--") {
            c.files.insert(c.files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option " + arg);
        } else {
            c.files.push_back(arg);
        }
    }
    if (!formatGiven)
        return Fail("convert needs -f N");
    if (c.files.empty())
        return Fail("convert needs at least one file");
    result.ok = true;
    return result;
}

CliParseResult ParseTranscode(const std::vector<std::string>& args)
{
    CliParseResult result;
    CliCommand& c = result.command;
    c.kind = CliCommandKind::Transcode;
    bool outputGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--input" || arg == "--output") {
            if (i + 1 >= args.size())
                return Fail(arg + " needs an option text");
            AppendOptionText(arg == "--input" ? c.inputOptions : c.outputOptions, args[++i]);
            outputGiven = outputGiven || arg == "--output";
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option " + arg);
        } else {
            c.files.push_back(arg);
        }
    }
    if (!outputGiven)
        return Fail("transcode needs --output OPTIONTEXT");
    if (c.files.size() != 2)
        return Fail("transcode needs exactly IN and OUT");
    result.ok = true;
    return result;
}

}  // namespace

int64_t ParseClipTime(const std::string& text)
{
    int64_t total = 0;
    size_t start = 0;
    int parts = 0;
    while (start <= text.size()) {
        const size_t colon = text.find(':', start);
        const std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        int64_t value = 0;
        if (!ParseInt(part, value) || value < 0 || value > 1'000'000 || ++parts > 3)
            return -1;
        total = total * 60 + value;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return parts == 0 ? -1 : total;
}

static CliParseResult ParseCommand(const std::vector<std::string>& args)
{
    if (args.empty())
        return Fail("no command given");
    const std::string& name = args[0];
    if (name == "-h" || name == "--help" || name == "help") {
        CliParseResult result;
        result.ok = true;
        result.command.kind = CliCommandKind::Help;
        return result;
    }
    if (name == "formats") {
        if (args.size() != 1)
            return Fail("formats takes no arguments");
        CliParseResult result;
        result.ok = true;
        result.command.kind = CliCommandKind::Formats;
        return result;
    }
    if (name == "options") {
        int64_t n = 0;
        if (args.size() != 2 || !ParseInt(args[1], n) || n <= 0 || n > 100000)
            return Fail("options needs one format number");
        CliParseResult result;
        result.ok = true;
        result.command.kind = CliCommandKind::Options;
        result.command.formatNumber = static_cast<int>(n);
        return result;
    }
    if (name == "info") {
        CliParseResult result;
        result.command.kind = CliCommandKind::Info;
        size_t first = 1;
        if (args.size() > 1 && args[1] == "--timing") {
            result.command.timing = true;
            first = 2;
        }
        if (args.size() <= first)
            return Fail("info needs at least one file");
        result.command.files.assign(args.begin() + static_cast<long>(first), args.end());
        result.ok = true;
        return result;
    }
    if (name == "convert")
        return ParseConvert(args);
    if (name == "transcode")
        return ParseTranscode(args);
    return Fail("unknown command " + name);
}

CliParseResult ParseCliArguments(const std::vector<std::string>& allArgs)
{
    // the log options come before the command
    bool verbose = false;
    std::string logFile;
    size_t first = 0;
    while (first < allArgs.size()) {
        if (allArgs[first] == "-v" || allArgs[first] == "--verbose") {
            verbose = true;
            ++first;
        } else if (allArgs[first] == "--log") {
            if (first + 1 >= allArgs.size() || allArgs[first + 1].empty())
                return Fail("--log needs a file");
            logFile = allArgs[first + 1];
            first += 2;
        } else {
            break;
        }
    }
    CliParseResult result = ParseCommand({allArgs.begin() + static_cast<long>(first), allArgs.end()});
    result.command.verbose = verbose;
    result.command.logFile = logFile;
    return result;
}

const char* CliUsage()
{
    return "usage: quorvex-cli [-v] [--log FILE] COMMAND ...\n"
           "       quorvex-cli formats\n"
           "       quorvex-cli options N\n"
           "       quorvex-cli info [--timing] FILE...\n"
           "       quorvex-cli convert -f N [-o DIR] [-j K] [--overwrite] [--no-resume]\n"
           "                           [--set LIST=CAPTION]... [--clip START STOP] FILE...\n"
           "       quorvex-cli transcode [--input OPTIONTEXT] --output OPTIONTEXT IN OUT\n"
           "-v: the engine's and the media libraries' log on stderr; --log FILE: appended to FILE\n"
           "LIST: video-encoder, video-bitrate, frame-size, frame-rate, audio-encoder,\n"
           "      audio-bitrate, sample-rate, channels, scaling, volume (or 1..10)\n"
           "OPTIONTEXT: name=value lines, separated by newlines or ';'\n"
           "-j K: K files at once (default: as many as suit the machine's cores)\n"
           "--no-resume: outputs written directly; a stopped conversion starts again from the beginning\n";
}
