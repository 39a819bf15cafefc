#include "formats/EncoderOffer.h"

#include "formats/OptionTranslation.h"

std::string EncoderOfCaption(OptionList list, const std::string& caption)
{
    if (list == OptionList::VideoEncoder) {
        const auto rule = VideoEncoderRuleOf(caption);
        return rule ? rule->codec : std::string();
    }
    if (list == OptionList::AudioEncoder) {
        const auto codec = AudioCodecOf(caption);
        return codec && *codec != "AUTO" ? *codec : std::string();
    }
    return {};
}

OptionItems OfferedItems(const FormatProfile& profile, OptionList list, const EncoderPresence& present)
{
    const OptionItems& items = *profile.lists[Index(list)].items;
    if (!profile.encodersChecked || !present || (list != OptionList::VideoEncoder && list != OptionList::AudioEncoder))
        return items;
    OptionItems offered;
    for (const std::string& caption : items) {
        const std::string encoder = EncoderOfCaption(list, caption);
        if (encoder.empty() || present(encoder))
            offered.push_back(caption);
    }
    return offered;
}

bool FormatOffered(int number, const EncoderPresence& present)
{
    const FormatProfile* profile = FindProfile(number);
    if (!profile)
        return false;
    return !OfferedItems(*profile, OptionList::VideoEncoder, present).empty() &&
           !OfferedItems(*profile, OptionList::AudioEncoder, present).empty();
}

std::vector<CatalogueEntry> OfferedEntries(const CataloguePage& page, const EncoderPresence& present)
{
    std::vector<CatalogueEntry> offered;
    for (const CatalogueEntry& entry : page.entries) {
        if (FormatOffered(entry.number, present))
            offered.push_back(entry);
    }
    return offered;
}
