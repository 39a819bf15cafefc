// formats, options and info: what the chooser, the option window and the
// information window show, as text.
#include "cli/CliCommands.h"
#include "cli/ListNames.h"

#include "engine/CodecSelection.h"
#include "engine/TMediaConverter.h"
#include "formats/EncoderOffer.h"
#include "formats/FormatCatalogue.h"
#include "formats/FormatProfiles.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionWindowModel.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {

std::string DefaultCaption(const FormatProfile& profile, OptionList list)
{
    const OptionChoice& choice = profile.lists[Index(list)];
    if (!choice.items || choice.items->empty())
        return "-";
    return choice.items->at(static_cast<size_t>(choice.defaultIndex));
}

// Filling the option window shows no message.
class NoDialogs final : public IFormatsDialogs {
public:
    void ShowInformation(const std::string&, const std::string&) override {}
    void OpenWithDefaultApplication(const std::string&) override {}
};

// The information text's "\r\n" line ends as this system's "\n".
std::string PlainLines(const std::string& text)
{
    std::string plain;
    plain.reserve(text.size());
    for (char c : text)
        if (c != '\r')
            plain += c;
    return plain;
}

}  // namespace

int RunFormats(std::ostream& out)
{
    for (const CataloguePage& page : CataloguePages()) {
        for (const CatalogueEntry& entry : OfferedEntries(page, EncoderPresent)) {
            const FormatProfile* profile = FindProfile(entry.number);
            out << entry.number << '\t' << page.tabCaption << '\t' << entry.caption << '\t'
                << (profile ? profile->extension : "?") << '\t'
                << (profile && profile->extra == ProfileExtra::AudioOnly ? std::string("-")
                    : profile ? DefaultCaption(*profile, OptionList::VideoEncoder)
                              : "?")
                << '\t' << (profile ? DefaultCaption(*profile, OptionList::AudioEncoder) : "?") << '\n';
        }
    }
    return 0;
}

int RunOptions(int formatNumber, std::ostream& out, std::ostream& err)
{
    const CatalogueEntry* entry = FindCatalogueEntry(formatNumber);
    if (!entry || !FormatOffered(formatNumber, EncoderPresent)) {
        err << "quorvex-cli: unknown format number " << formatNumber << " (see quorvex-cli formats)\n";
        return kExitUsage;
    }
    // the lists as the option window fills them
    FormatSession session;
    session.FormatNumber = formatNumber;
    session.EncoderPresent = EncoderPresent;
    NoDialogs dialogs;
    OptionWindowModel window(session, dialogs);
    window.Fill();
    out << formatNumber << '\t' << entry->caption << '\t' << FindProfile(formatNumber)->extension << '\n';
    for (size_t i = 0; i < kOptionListCount; ++i) {
        const ComboState& list = window.List(static_cast<OptionList>(i));
        out << kCliListNames[i] << ':' << '\n';
        for (size_t k = 0; k < list.items.size(); ++k)
            out << (static_cast<int>(k) == list.selected ? "  * " : "    ") << list.items[k] << '\n';
    }
    return 0;
}

int RunInfo(const std::vector<std::string>& files, bool timing, std::ostream& out, std::ostream& err)
{
    TMediaConverter converter;
    if (!converter.LoadAVLib("LibAV")) {
        err << "quorvex-cli: " << converter.LastErrMsg() << '\n';
        return kExitFailed;
    }
    int status = 0;
    for (const std::string& file : files) {
        std::error_code ignored;
        if (std::filesystem::is_directory(file, ignored)) {
            err << "quorvex-cli: " << file << ": " << kFolderText << '\n';
            status = kExitFailed;
            continue;
        }
        TAVProbe& probe = converter.Probe();
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = probe.LoadFile(file);
        const std::string text = loaded ? probe.GetInfoText() : std::string();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (timing) {
            char line[64];
            std::snprintf(line, sizeof line, "%.3f", ms);
            err << "probe-ms " << file << ' ' << line << '\n';
        }
        if (!loaded) {
            err << "quorvex-cli: " << file << ": " << probe.LastErrMsg() << '\n';
            status = kExitFailed;
            continue;
        }
        out << "== " << file << '\n' << PlainLines(text);
        probe.Close();
    }
    return status;
}
