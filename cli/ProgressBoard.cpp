#include "cli/ProgressBoard.h"

namespace {
constexpr const char* kLineUp = "\x1b[A";
constexpr const char* kEraseLine = "\r\x1b[2K";
}  // namespace

std::string ProgressBoard::Redraw(const std::string& permanent)
{
    std::string text;
    for (int i = 0; i < drawnLines_; ++i)
        text += kLineUp;
    if (drawnLines_ > 0)
        text += "\r\x1b[J";  // clear from here to the end of the screen
    if (!permanent.empty())
        text += permanent + "\n";
    for (const auto& [index, line] : live_)
        text += std::string(kEraseLine) + line + "\n";
    drawnLines_ = static_cast<int>(live_.size());
    return text;
}

std::string ProgressBoard::Update(int index, const std::string& line)
{
    if (!terminal_)
        return line + "\n";
    live_[index] = line;
    return Redraw("");
}

std::string ProgressBoard::Finish(int index, const std::string& text)
{
    if (!terminal_)
        return text + "\n";
    live_.erase(index);
    return Redraw(text);
}
