#pragma once
// The format chooser without its widgets: which page is active, which entry
// each page's list has selected, and what each user action leads to.
#include <array>
#include <vector>

#include "formats/FormatCatalogue.h"
#include "formats/FormatSession.h"

class IFormatsDialogs;

class ChooserModel {
public:
    // Fills the lists (PC, mobile, audio, today's) as the window's creation
    // does; afterwards FormatNumber is 100 and the mobile page is active.
    // Each page holds the entries the session's EncoderPresent offers.
    ChooserModel(FormatSession& session, IFormatsDialogs& dialogs);

    void SetDialogs(IFormatsDialogs& dialogs) { dialogs_ = &dialogs; }

    // Each time the window is shown: ChooserResult := "1".
    void Shown();
    // A selection change in a page's list; `index` -1 means none selected.
    void SelectionChanged(int page, int index);
    // The tab control made `page` active: its first entry is selected.
    void PageChanged(int page);
    // A single click on a list: with nothing selected, the "提示" message.
    void Clicked(int page);
    // A double click: true when it acts as 下一步 (an entry is selected);
    // otherwise the "提示" message is shown.
    bool DoubleClicked(int page);
    // 下一步: true when the option window is to be opened. With no entry
    // selected on the active page it shows the "提示" message instead.
    bool NextRequested();
    // 取消, the title bar's close and Escape: ChooserResult := "2".
    void Cancelled();

    // The entries a page's list shows, in order; a list index is a position here.
    const std::vector<CatalogueEntry>& Entries(int page) const { return entries_.at(page); }
    int ActivePage() const { return activePage_; }
    int SelectedIndex(int page) const { return selected_.at(page); }

private:
    void ShowChooseTypeMessage();

    FormatSession& session_;
    IFormatsDialogs* dialogs_;
    int activePage_ = 0;
    std::array<std::vector<CatalogueEntry>, kCataloguePageCount> entries_;
    std::array<int, kCataloguePageCount> selected_{-1, -1, -1, -1};
};
