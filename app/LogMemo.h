#pragma once
// The window's hidden log mmoLog: the lines the add operations and the
// logger write. The window mirrors it through the two notifications.
#include <functional>
#include <string>
#include <vector>

class LogMemo {
public:
    void Append(const std::string& line);
    // An empty line, `line`, an empty line: how the add operations report.
    void AppendBlock(const std::string& line);
    void Clear();
    const std::vector<std::string>& Lines() const { return lines_; }

    void SetOnAppend(std::function<void(const std::string&)> handler) { onAppend_ = std::move(handler); }
    void SetOnClear(std::function<void()> handler) { onClear_ = std::move(handler); }

private:
    std::vector<std::string> lines_;
    std::function<void(const std::string&)> onAppend_;
    std::function<void()> onClear_;
};
