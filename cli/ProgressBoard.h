#pragma once
// The progress shown while files convert. On a terminal one live line per
// running file is redrawn in place; otherwise every update is a plain line.
// Finished files leave one permanent line either way.
#include <map>
#include <string>

class ProgressBoard {
public:
    explicit ProgressBoard(bool terminal) : terminal_(terminal) {}

    // The text to write for a new progress line of file `index`.
    std::string Update(int index, const std::string& line);
    // The text to write when file `index` has ended with the line `text`.
    std::string Finish(int index, const std::string& text);

private:
    // Erases the live block and writes `permanent` (if any) and the live lines.
    std::string Redraw(const std::string& permanent);

    bool terminal_;
    std::map<int, std::string> live_;  // running files by index, in index order
    int drawnLines_ = 0;
};
