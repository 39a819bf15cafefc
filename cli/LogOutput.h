#pragma once
// -v and --log FILE: while a CliLogOutput lives, the engine's and the media
// libraries' log lines go to stderr and/or are appended to a file.
#include <fstream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

class CliLogOutput {
public:
    // `toStderr` writes to `err`; a non-empty `file` is appended to. False
    // from Opened() when the file cannot be opened for writing.
    CliLogOutput(bool toStderr, const std::string& file, std::ostream& err);
    ~CliLogOutput();
    CliLogOutput(const CliLogOutput&) = delete;
    CliLogOutput& operator=(const CliLogOutput&) = delete;

    bool Opened() const { return !fileWanted_ || file_.is_open(); }

private:
    void Write(const std::string& line);

    std::mutex lock_;  // guards file_, err_ (lines come from every thread)
    bool fileWanted_;
    std::ofstream file_;
    std::ostream* err_;
    bool active_ = false;
};
