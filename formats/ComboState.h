#pragma once
// One drop-down list of the option window: its entries, the selected one and
// whether the user may change it.
#include <string>
#include <vector>

struct ComboState {
    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;

    // The selected entry's caption; empty when nothing is selected.
    std::string Selected() const
    {
        return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected] : std::string();
    }
};
