// The built-in libx264 presets. Each one keeps the name and the settings of
// the classic libx264 preset file of that name, written line by line in the
// options of today's libx264 wrapper, because the old generic names are gone
// from libavcodec and would be refused:
//   flags2=+/-bpyramid   -> b-pyramid=normal / none
//   flags2=+/-mixed_refs -> mixed-refs=1 / 0
//   flags2=+/-wpred      -> weightb=1 / 0
//   flags2=+/-dct8x8     -> 8x8dct=1 / 0
//   flags2=+/-fastpskip  -> fast-pskip=1 / 0
//   flags2=+/-mbtree     -> mbtree=1 / 0
//   partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8 (the "+" ones)
//                        -> partitions=i8x8,i4x4,p8x8,p4x4,b8x8 ("none" when empty);
//                           the wrapper matches partition names by substring,
//                           so the old "-part..." text must not be passed on
//   directpred -> direct-pred, wpredp -> weightp, rc_lookahead -> rc-lookahead,
//   aq_mode -> aq-mode, cqp -> qp, flags=-loop -> x264-params=no-deblock=1
#include "engine/BuiltinPresets.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string_view>

#include "engine/OptionValues.h"

namespace {

// A line of a preset row: the option and its value, or kDropped to leave out
// a line the base has.
struct PresetLine {
    const char* name;
    const char* value;
};
constexpr const char* kDropped = nullptr;

enum PassSettings { kAsWritten, kFirstPass };

// A preset is its base with its own lines over it; a first-pass preset puts
// the fast first-pass settings over its base before its own lines.
struct PresetRow {
    const char* name;
    const char* base;  // the preset this one starts from, or null
    PassSettings pass;
    std::vector<PresetLine> lines;
};

// The first pass only gathers statistics for the second: the cheapest
// search and analysis. "subq" is a ceiling there, not a value: a base that
// already searches less keeps its own.
constexpr PresetLine kFirstPassLines[] = {
    {"partitions", "none"}, {"me_method", "dia"}, {"refs", "1"}, {"trellis", "0"}, {"mixed-refs", "0"}, {"8x8dct", "0"},
};
constexpr int kFirstPassSubqCeiling = 2;

// The order the lines of a preset's text are written in.
constexpr std::string_view kLineOrder[] = {
    "coder",     "flags",      "x264-params", "cmp",          "partitions", "me_method",    "subq",
    "me_range",  "g",          "keyint_min",  "sc_threshold", "i_qfactor",  "b_strategy",   "qcomp",
    "qmin",      "qmax",       "qdiff",       "bf",           "refs",       "direct-pred",  "trellis",
    "b-pyramid", "mixed-refs", "weightb",     "8x8dct",       "fast-pskip", "mbtree",       "level",
    "maxrate",   "bufsize",    "qp",          "weightp",      "aq-mode",    "rc-lookahead",
};

// clang-format off
const std::vector<PresetRow>& PresetRows()
{
    static const std::vector<PresetRow> rows = {
    {"libx264-baseline", nullptr, kAsWritten, {{"coder", "0"}, {"bf", "0"}, {"weightb", "0"}, {"8x8dct", "0"},
        {"weightp", "0"}}},
    {"libx264-default", nullptr, kAsWritten, {{"coder", "1"}, {"flags", "+loop"}, {"cmp", "+chroma"},
        {"partitions", "i8x8,i4x4,p8x8,b8x8"}, {"me_method", "hex"}, {"subq", "7"}, {"me_range", "16"},
        {"g", "250"}, {"keyint_min", "25"}, {"sc_threshold", "40"}, {"i_qfactor", "0.71"}, {"b_strategy", "1"},
        {"qcomp", "0.6"}, {"qmin", "10"}, {"qmax", "51"}, {"qdiff", "4"}, {"bf", "3"}, {"refs", "3"},
        {"direct-pred", "1"}, {"trellis", "1"}, {"mixed-refs", "1"}, {"weightb", "1"}, {"8x8dct", "1"},
        {"fast-pskip", "1"}}},
    {"libx264-fast", "libx264-medium", kAsWritten, {{"subq", "6"}, {"refs", "2"}, {"rc-lookahead", "30"}}},
    {"libx264-fast_firstpass", "libx264-fast", kFirstPass, {}},
    {"libx264-faster", "libx264-medium", kAsWritten, {{"subq", "4"}, {"refs", "2"}, {"mixed-refs", "0"},
        {"weightp", "1"}, {"rc-lookahead", "20"}}},
    {"libx264-faster_firstpass", "libx264-faster", kFirstPass, {}},
    {"libx264-fastfirstpass", "libx264-default", kAsWritten, {{"partitions", "none"}, {"me_method", "dia"},
        {"subq", "1"}, {"refs", "1"}, {"direct-pred", "3"}, {"trellis", "0"}, {"b-pyramid", "none"},
        {"mixed-refs", "0"}, {"weightb", "0"}, {"8x8dct", "0"}}},
    {"libx264-hq", "libx264-default", kAsWritten, {{"me_method", "umh"}, {"subq", "8"}, {"b_strategy", "2"},
        {"refs", "4"}, {"direct-pred", "3"}}},
    {"libx264-ipod320", "libx264-baseline", kAsWritten, {{"mbtree", "1"}, {"level", "13"},
        {"maxrate", "768000"}, {"bufsize", "3000000"}}},
    {"libx264-ipod640", "libx264-baseline", kAsWritten, {{"refs", "1"}, {"level", "30"},
        {"maxrate", "10000000"}, {"bufsize", "10000000"}}},
    {"libx264-lossless_fast", "libx264-lossless_medium", kAsWritten, {{"coder", "0"},
        {"partitions", "i4x4,p8x8"}, {"subq", "3"}, {"mbtree", "1"}, {"weightp", "0"}}},
    {"libx264-lossless_max", "libx264-lossless_slower", kAsWritten, {{"me_method", "esa"}, {"refs", "16"}}},
    {"libx264-lossless_medium", "libx264-default", kAsWritten, {{"partitions", "i4x4,p8x8,p4x4"}, {"subq", "5"},
        {"bf", kDropped}, {"refs", kDropped}, {"trellis", kDropped}, {"mixed-refs", kDropped},
        {"weightb", kDropped}, {"8x8dct", kDropped}, {"qp", "0"}, {"weightp", "2"}}},
    {"libx264-lossless_slow", "libx264-lossless_medium", kAsWritten, {{"partitions", "i8x8,i4x4,p8x8,p4x4"},
        {"me_method", "umh"}, {"subq", "6"}, {"refs", "2"}, {"8x8dct", "1"}, {"mbtree", "1"}}},
    {"libx264-lossless_slower", "libx264-lossless_medium", kAsWritten, {{"partitions", "i8x8,i4x4,p8x8,p4x4"},
        {"me_method", "umh"}, {"subq", "8"}, {"refs", "4"}, {"mixed-refs", "1"}, {"8x8dct", "1"},
        {"weightp", kDropped}}},
    {"libx264-lossless_ultrafast", "libx264-lossless_medium", kAsWritten, {{"coder", "0"},
        {"partitions", "none"}, {"me_method", "dia"}, {"subq", "0"}, {"mbtree", "1"}, {"weightp", kDropped}}},
    {"libx264-main", nullptr, kAsWritten, {{"8x8dct", "0"}}},
    {"libx264-max", "libx264-default", kAsWritten, {{"partitions", "i8x8,i4x4,p8x8,p4x4,b8x8"},
        {"me_method", "tesa"}, {"subq", "10"}, {"me_range", "24"}, {"b_strategy", "2"}, {"refs", "16"},
        {"direct-pred", "3"}, {"trellis", "2"}, {"fast-pskip", "0"}}},
    {"libx264-medium", "libx264-default", kAsWritten, {{"b-pyramid", "normal"}, {"weightp", "2"}}},
    {"libx264-medium_firstpass", "libx264-medium", kFirstPass, {}},
    {"libx264-normal", "libx264-default", kAsWritten, {{"subq", "6"}, {"refs", "2"}, {"direct-pred", "3"},
        {"trellis", "0"}, {"mixed-refs", kDropped}}},
    {"libx264-placebo", "libx264-veryslow", kAsWritten, {{"me_method", "tesa"}, {"bf", "16"},
        {"fast-pskip", "0"}}},
    // placebo spends everything on both passes
    {"libx264-placebo_firstpass", "libx264-placebo", kAsWritten, {}},
    {"libx264-slow", "libx264-medium", kAsWritten, {{"me_method", "umh"}, {"subq", "8"}, {"b_strategy", "2"},
        {"refs", "5"}, {"direct-pred", "3"}, {"rc-lookahead", "50"}}},
    {"libx264-slow_firstpass", "libx264-slow", kFirstPass, {}},
    {"libx264-slower", "libx264-medium", kAsWritten, {{"partitions", "i8x8,i4x4,p8x8,p4x4,b8x8"},
        {"me_method", "umh"}, {"subq", "9"}, {"b_strategy", "2"}, {"refs", "8"}, {"direct-pred", "3"},
        {"trellis", "2"}, {"rc-lookahead", "60"}}},
    {"libx264-slower_firstpass", "libx264-slower", kFirstPass, {}},
    {"libx264-slowfirstpass", "libx264-default", kAsWritten, {{"subq", "6"}, {"b_strategy", "2"}, {"refs", "1"},
        {"direct-pred", "3"}, {"trellis", "0"}, {"mixed-refs", kDropped}}},
    {"libx264-superfast", "libx264-medium", kAsWritten, {{"partitions", "i8x8,i4x4"}, {"me_method", "dia"},
        {"subq", "1"}, {"refs", "1"}, {"trellis", "0"}, {"mixed-refs", "0"}, {"mbtree", "0"}, {"weightp", "0"},
        {"rc-lookahead", "0"}}},
    {"libx264-superfast_firstpass", "libx264-superfast", kFirstPass, {}},
    {"libx264-ultrafast", "libx264-medium", kAsWritten, {{"coder", "0"}, {"flags", kDropped},
        {"x264-params", "no-deblock=1"}, {"partitions", "none"}, {"me_method", "dia"}, {"subq", "0"},
        {"sc_threshold", "0"}, {"b_strategy", "0"}, {"bf", "0"}, {"refs", "1"}, {"trellis", "0"},
        {"b-pyramid", "none"}, {"mixed-refs", "0"}, {"weightb", "0"}, {"8x8dct", "0"}, {"mbtree", "0"},
        {"weightp", "0"}, {"aq-mode", "0"}, {"rc-lookahead", "0"}}},
    {"libx264-ultrafast_firstpass", "libx264-ultrafast", kFirstPass, {{"aq-mode", kDropped},
        {"rc-lookahead", kDropped}}},
    {"libx264-veryfast", "libx264-medium", kAsWritten, {{"subq", "2"}, {"refs", "1"}, {"trellis", "0"},
        {"mixed-refs", "0"}, {"weightp", "0"}, {"rc-lookahead", "10"}}},
    {"libx264-veryfast_firstpass", "libx264-veryfast", kFirstPass, {}},
    {"libx264-veryslow", "libx264-medium", kAsWritten, {{"partitions", "i8x8,i4x4,p8x8,p4x4,b8x8"},
        {"me_method", "umh"}, {"subq", "10"}, {"me_range", "24"}, {"b_strategy", "2"}, {"bf", "8"},
        {"refs", "16"}, {"direct-pred", "3"}, {"trellis", "2"}, {"rc-lookahead", "60"}}},
    {"libx264-veryslow_firstpass", "libx264-veryslow", kFirstPass, {}},
    };
    return rows;
}
// clang-format on

using PresetValues = std::map<std::string, std::string>;

void ApplyLine(PresetValues& values, const PresetLine& line)
{
    if (line.value == kDropped)
        values.erase(line.name);
    else
        values[line.name] = line.value;
}

const PresetRow& RowNamed(std::string_view name)
{
    const auto& rows = PresetRows();
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const PresetRow& row) { return name == row.name; });
    if (found == rows.end())
        throw std::logic_error("built-in preset without its base: " + std::string(name));
    return *found;
}

PresetValues ValuesOf(const PresetRow& row)
{
    PresetValues values = row.base ? ValuesOf(RowNamed(row.base)) : PresetValues{};
    if (row.pass == kFirstPass) {
        for (const PresetLine& line : kFirstPassLines)
            ApplyLine(values, line);
        const auto subq = values.find("subq");
        if (subq == values.end() || std::stoi(subq->second) > kFirstPassSubqCeiling)
            values["subq"] = std::to_string(kFirstPassSubqCeiling);
    }
    for (const PresetLine& line : row.lines)
        ApplyLine(values, line);
    return values;
}

// name=value lines in kLineOrder; an option missing there is written last.
std::string TextOf(PresetValues values)
{
    std::string text;
    for (const std::string_view name : kLineOrder) {
        const auto found = values.find(std::string(name));
        if (found == values.end())
            continue;
        text += found->first + "=" + found->second + "\n";
        values.erase(found);
    }
    for (const auto& [name, value] : values)
        text += name + "=" + value + "\n";
    return text;
}

}  // namespace

const std::vector<TOptionsPreset>& BuiltinPresets()
{
    // the texts live as long as the table that points at them
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all;
        for (const PresetRow& row : PresetRows())
            all.push_back(TextOf(ValuesOf(row)));
        return all;
    }();
    static const std::vector<TOptionsPreset> presets = [] {
        std::vector<TOptionsPreset> all;
        for (size_t i = 0; i < texts.size(); ++i)
            all.push_back({PresetRows()[i].name, texts[i].c_str()});
        return all;
    }();
    return presets;
}

const char* FindBuiltinPreset(const std::string& name)
{
    const std::string wanted = LowerText(name);
    for (const TOptionsPreset& preset : BuiltinPresets())
        if (LowerText(preset.Name) == wanted)
            return preset.Text;
    return nullptr;
}
