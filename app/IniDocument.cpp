#include "app/IniDocument.h"

#include "media/TextFormat.h"

#include <algorithm>

namespace {

constexpr size_t npos = std::string::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace

IniDocument::Line IniDocument::Classify(std::string raw)
{
    Line line;
    const std::string text = TrimText(raw);
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close != npos) {
            line.kind = LineKind::Section;
            line.name = TrimText(text.substr(1, close - 1));
        }
    } else if (!text.empty() && text.front() != ';') {
        const size_t eq = text.find('=');
        if (eq != npos) {
            line.kind = LineKind::Entry;
            line.name = TrimText(text.substr(0, eq));
            line.value = TrimText(text.substr(eq + 1));
        }
    }
    line.raw = std::move(raw);
    return line;
}

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument doc;
    if (text.substr(0, 3) == kByteOrderMark) {  // UTF-8 byte order mark, written back by Text()
        text.remove_prefix(3);
        doc.byteOrderMark_ = true;
    }
    if (text.empty())
        return doc;
    doc.endsWithNewline_ = text.back() == '\n';
    size_t start = 0;
    bool firstLine = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool hasNewline = end != npos;
        if (!hasNewline)
            end = text.size();
        std::string_view raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
            if (firstLine)
                doc.crlf_ = true;
        }
        firstLine = false;
        doc.lines_.push_back(Classify(std::string(raw)));
        start = end + 1;
    }
    return doc;
}

size_t IniDocument::FindSection(std::string_view section) const
{
    const std::string wanted = TrimText(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::Section && SameName(lines_[i].name, wanted))
            return i;
    }
    return npos;
}

bool IniDocument::HasSection(std::string_view section) const { return FindSection(section) != npos; }

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    const size_t header = FindSection(section);
    if (header == npos)
        return std::nullopt;
    const std::string wanted = TrimText(key);
    for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != LineKind::Section; ++i) {
        if (lines_[i].kind == LineKind::Entry && SameName(lines_[i].name, wanted))
            return lines_[i].value;
    }
    return std::nullopt;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string sectionName = TrimText(section);
    const std::string keyName = TrimText(key);
    // a line break inside the value would split the entry and break the file's structure
    const std::string_view oneLine = value.substr(0, std::min(value.find('\n'), value.find('\r')));
    Line entry = Classify(keyName + "=" + TrimText(oneLine));
    endsWithNewline_ = true;
    size_t header = FindSection(sectionName);
    if (header == npos) {
        if (!lines_.empty() && !TrimText(lines_.back().raw).empty())
            lines_.push_back(Classify(""));
        lines_.push_back(Classify("[" + sectionName + "]"));
        lines_.push_back(std::move(entry));
        return;
    }
    size_t lastContent = header;  // the new key goes after the section's last non-blank line
    size_t i = header + 1;
    for (; i < lines_.size() && lines_[i].kind != LineKind::Section; ++i) {
        if (lines_[i].kind == LineKind::Entry && SameName(lines_[i].name, keyName)) {
            lines_[i] = std::move(entry);
            return;
        }
        if (!TrimText(lines_[i].raw).empty())
            lastContent = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), std::move(entry));
}

std::string IniDocument::Text() const
{
    const char* eol = crlf_ ? "\r\n" : "\n";
    std::string out(byteOrderMark_ ? kByteOrderMark : std::string_view());
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].raw;
        if (i + 1 < lines_.size() || endsWithNewline_)
            out += eol;
    }
    return out;
}
