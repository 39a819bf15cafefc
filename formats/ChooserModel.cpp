#include "formats/ChooserModel.h"

#include "formats/FormatsTexts.h"
#include "formats/IFormatsDialogs.h"

namespace {
constexpr int kMobilePage = 0;
constexpr int kComputerPage = 1;
}  // namespace

ChooserModel::ChooserModel(FormatSession& session, IFormatsDialogs& dialogs) : session_(session), dialogs_(&dialogs)
{
    for (int page = 0; page < kCataloguePageCount; ++page)
        entries_[page] = OfferedEntries(CataloguePages()[page], session_.EncoderPresent);
    // Filled in the order PC, mobile, audio; the first two select their first
    // entry, so the mobile list's selection decides the number.
    SelectionChanged(kComputerPage, 0);
    SelectionChanged(kMobilePage, 0);
}

void ChooserModel::Shown() { session_.ChooserResult = kChooserGoOn; }

void ChooserModel::SelectionChanged(int page, int index)
{
    const std::vector<CatalogueEntry>& entries = entries_.at(page);
    const int count = static_cast<int>(entries.size());
    selected_.at(page) = index >= 0 && index < count ? index : -1;
    // no selection: one below the page's first number, which names no format
    session_.FormatNumber = selected_[page] >= 0 ? entries[selected_[page]].number : CataloguePages()[page].base - 1;
}

void ChooserModel::PageChanged(int page)
{
    activePage_ = page;
    SelectionChanged(page, 0);
}

void ChooserModel::Clicked(int page)
{
    if (selected_.at(page) < 0)
        ShowChooseTypeMessage();
}

bool ChooserModel::DoubleClicked(int page)
{
    if (selected_.at(page) < 0) {
        ShowChooseTypeMessage();
        return false;
    }
    return NextRequested();
}

bool ChooserModel::NextRequested()
{
    if (selected_[activePage_] < 0) {
        ShowChooseTypeMessage();
        return false;
    }
    return true;
}

void ChooserModel::Cancelled() { session_.ChooserResult = kChooserCancelled; }

void ChooserModel::ShowChooseTypeMessage() { dialogs_->ShowInformation(kPromptCaption, kChooseTypeMessage); }
