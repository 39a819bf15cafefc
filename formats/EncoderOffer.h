#pragma once
// Which of today's formats and encoders are offered: those whose encoders the
// installed libraries have. The formats layer knows no library; the caller
// passes the question in (the engine answers it, see EncoderPresent).
#include <functional>
#include <string>
#include <vector>

#include "formats/FormatCatalogue.h"
#include "formats/FormatProfiles.h"

// True when an encoder of this name ("libx265", "libfaac") can be opened.
// An empty function counts every encoder as present.
using EncoderPresence = std::function<bool(const std::string& encoderName)>;

// The encoder a video or audio encoder caption opens; "" when it opens none
// of its own (the container's default, "该格式无视频").
std::string EncoderOfCaption(OptionList list, const std::string& caption);
// The entries of an encoder list that are offered: all of them for the older
// profiles, the present ones for profiles with encodersChecked.
OptionItems OfferedItems(const FormatProfile& profile, OptionList list, const EncoderPresence& present);
// A format is offered when its profile has an encoder left in both lists.
bool FormatOffered(int number, const EncoderPresence& present);
// The page's entries that are offered, in page order.
std::vector<CatalogueEntry> OfferedEntries(const CataloguePage& page, const EncoderPresence& present);
