#include "engine/OptionValues.h"
#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

#include <cerrno>
#include <cstdlib>
#include <set>

namespace {

[[noreturn]] void RaiseIntError(const std::string& value)
{
    throw FFmpegException("'" + value + "' is not a valid integer value");
}

}  // namespace

bool ReadBoolValue(const std::string& value) { return value != "0"; }

int64_t ReadInt64Value(const std::string& value)
{
    const std::string text = TrimText(value);
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    if (pos == text.size())
        RaiseIntError(value);
    for (size_t i = pos; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            RaiseIntError(value);
    errno = 0;
    const long long result = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        RaiseIntError(value);
    return result;
}

int ReadIntValue(const std::string& value)
{
    const int64_t result = ReadInt64Value(value);
    if (result < INT32_MIN || result > INT32_MAX)
        RaiseIntError(value);
    return static_cast<int>(result);
}

double ReadFloatValue(const std::string& value)
{
    const std::string text = TrimText(value);
    const auto fail = [&value]() { return FFmpegException("'" + value + "' is not a valid floating point value"); };
    if (text.empty())
        throw fail();
    const char first = text[0];
    if (!(first == '+' || first == '-' || first == '.' || (first >= '0' && first <= '9')))
        throw fail();
    char* end = nullptr;
    errno = 0;
    const double result = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE)
        throw fail();
    return result;
}

std::string LowerText(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string NormaliseLineEnds(const std::string& text, bool crlfMarker)
{
    static const std::string marker = "<CRLF>";
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (crlfMarker && text.compare(i, marker.size(), marker) == 0) {
            result += '\n';
            i += marker.size() - 1;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void TCustomFFmpeg::ApplyOptionText(const std::string& text, bool includeStreamOptions)
{
    // applied by the component in its own order
    static const std::set<std::string> skipped = {"newvideo", "newaudio", "newsubtitle", "apre",
                                                  "vpre",     "spre",     "vfilters",    "vf"};
    static const std::set<std::string> streamOptions = {"acodec", "vcodec", "scodec", "s"};

    for (const std::string& line : SplitLines(NormaliseLineEnds(TrimText(text), true))) {
        const size_t equals = line.find('=');
        const std::string name = LowerText(line.substr(0, equals));
        const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        if (skipped.count(name))
            continue;
        if (streamOptions.count(name) && !includeStreamOptions)
            continue;
        SetOption(name, value);
    }
}
