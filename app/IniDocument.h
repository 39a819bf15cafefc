#pragma once
// The text of one INI file, read and changed the way the Windows profile
// functions do it: section and key names match without regard to (ASCII)
// case, values are trimmed of surrounding blanks, the first matching section
// and key win, and a change keeps every other line exactly as it was.
// Self-contained (standard library only) so it can be fed any bytes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
public:
    IniDocument() = default;
    static IniDocument Parse(std::string_view text);

    // The trimmed value of `key` in `section`, or nothing when either is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;

    // Sets `key` in `section`: replaces the first matching line, or adds the
    // key at the end of the section, or adds the section at the end.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    // The whole file text, with the line ending the file used (LF for new files).
    std::string Text() const;

private:
    enum class LineKind { Other, Section, Entry };
    struct Line {
        std::string raw;  // the line as read, without its line ending
        LineKind kind = LineKind::Other;
        std::string name;  // section name or key, trimmed
        std::string value;  // entry value, trimmed
    };
    static Line Classify(std::string raw);
    // Index of the first line of the first section named `section`, or npos.
    size_t FindSection(std::string_view section) const;

    std::vector<Line> lines_;
    bool crlf_ = false;
    bool byteOrderMark_ = false;  // the file began with one; a second one is part of the first line
    bool endsWithNewline_ = true;
};
