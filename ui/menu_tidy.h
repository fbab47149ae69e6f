#pragma once
// Tidying of a popup menu level right before it opens: the tab rule and the commands' own enabled
// states hide items freely, so separators and access letters are repaired afterwards instead of
// being maintained by every code path that changes visibility.
#include <string>
#include <vector>

namespace vantrel {

struct MenuEntry {
    std::string caption;
    bool separator = false;
    bool visible = true;
};

// Hides separators that would lead or trail the visible items and collapses each run between two
// visible items to its last separator, showing that one even if it was hidden.
void TidySeparators(std::vector<MenuEntry>& level);

// Makes the access letters of the visible items unique and gives a letter to as many items as
// possible; only captions change.
void TidyAccessLetters(std::vector<MenuEntry>& level);

// Caption as drawn: marking '&' removed, "&&" turned into "&".
std::string StripAccessMark(const std::string& caption);

// Upper-cased character after the marking '&', or 0 when there is none.
char AccessKeyOf(const std::string& caption);

// Top-level items of the list menu carry a tag: 0 window list only, 1 rules only, 2 both tabs.
void ApplyTabTags(std::vector<MenuEntry>& level, const std::vector<int>& tags, int tab);

} // namespace vantrel
