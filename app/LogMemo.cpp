#include "app/LogMemo.h"

void LogMemo::Append(const std::string& line)
{
    lines_.push_back(line);
    if (onAppend_)
        onAppend_(line);
}

void LogMemo::AppendBlock(const std::string& line)
{
    Append("");
    Append(line);
    Append("");
}

void LogMemo::Clear()
{
    lines_.clear();
    if (onClear_)
        onClear_();
}
