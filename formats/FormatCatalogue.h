#pragma once
// The catalogue of target formats as the chooser shows it: four pages, each
// owning a range of format numbers (base + position in the page's list).
#include <span>
#include <string>

struct CatalogueEntry {
    int number;
    int imageIndex;  // index in the page's image list
    const char* caption;
};

struct CataloguePage {
    const char* tabCaption;
    const char* listName;  // objectName of the page's list
    const char* imageListName;
    int base;
    std::span<const CatalogueEntry> entries;
};

inline constexpr int kCataloguePageCount = 4;
// Pages in tab order: mobile (base 100), PC video (base 1), audio (base 200),
// today's formats (base 300).
std::span<const CataloguePage> CataloguePages();
// The entry with this format number, or nullptr for a number that names no format.
const CatalogueEntry* FindCatalogueEntry(int number);
