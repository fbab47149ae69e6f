#include "ui/menu_tidy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vantrel {
namespace {

// A menu level written as one line: entries split at '|', "-" a separator, a leading '!' hidden.
std::vector<MenuEntry> Level(const std::string& line) {
    std::vector<MenuEntry> level;
    for (std::size_t start = 0, end = 0; end < line.size(); start = end + 1) {
        end = std::min(line.find('|', start), line.size());
        const bool hidden = line[start] == '!';
        const std::string caption = line.substr(start + hidden, end - start - hidden);
        level.push_back(MenuEntry{caption, caption == "-", !hidden});
    }
    return level;
}

// The level joined back with '|': every caption as held, or with `shownOnly` what the user sees
// (the drawn captions of the visible entries).
std::string Joined(const std::vector<MenuEntry>& level, bool shownOnly = true) {
    std::string out;
    for (const MenuEntry& e : level) {
        if (e.visible || !shownOnly) {
            out += (out.empty() ? "" : "|") + (shownOnly ? StripAccessMark(e.caption) : e.caption);
        }
    }
    return out;
}

TEST(ListMenu, TabSwitchShowsTheRightItemsAndSeparators) {
    std::vector<MenuEntry> menu =
        Level("&Add Rule|&Refresh|&Window Properties|!&Add Rule|!&Edit Rule|!&Delete Rule|-|"
              "&Minimize To Tray|Stay on Top|Transparency|Alignment|&Resize window|-|S&ettings|-|"
              "&Help|&About...|-|&Exit");
    const std::vector<int> tags = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 2, 0, 2};
    const std::string atStart = "Add Rule|Refresh|Window Properties|-|Minimize To Tray|"
                                "Stay on Top|Transparency|Alignment|Resize window|-|Settings|-|"
                                "Help|About...|-|Exit";
    const std::pair<int, std::string> tabs[] = {
        {0, atStart},
        {1, "Add Rule|Edit Rule|Delete Rule|-|Settings|-|Help|About...|-|Exit"},
        {0, atStart},
        {5, "Settings|-|Help|About...|-|Exit"}, // an unknown tab: only the both-tab items
    };
    for (const auto& [tab, shown] : tabs) {
        ApplyTabTags(menu, tags, tab);
        TidySeparators(menu);
        TidyAccessLetters(menu);
        EXPECT_EQ(Joined(menu), shown) << "tab " << tab;
        // Every caption has enough letters for a distinct key on each visible item.
        std::set<char> keys;
        for (const MenuEntry& e : menu) {
            if (e.visible && !e.separator) {
                EXPECT_NE(AccessKeyOf(e.caption), 0) << e.caption;
                EXPECT_TRUE(keys.insert(AccessKeyOf(e.caption)).second) << e.caption;
            }
        }
        // The run before Settings collapses to its last separator.
        EXPECT_EQ(menu[12].visible && !menu[6].visible, tab == 1) << "tab " << tab;
    }
}

TEST(AccessLetters, ConflictsMissingMarksAndEscapedAmpersandsAreResolved) {
    const std::string alignment = "&Top Left|T&op Center|To&p Right|&Middle Left|M&iddle Center|"
                                  "Mi&ddle Right|&Bottom Left|Bottom &Center|Bottom &Right";
    // A level as written, then as tidied.
    const std::pair<std::string, std::string> cases[] = {
        {"&Edit|&Exit|&edit copy|&-dash|!&Xray|Zed", "&Edit|E&xit|e&dit copy|-d&ash|&Xray|&Zed"},
        // Taking the first free letter in order would leave "C" without one.
        {"Close|Co|C", "C&lose|C&o|&C"},
        // Kept marks are not moved to make room, and an item with no free character stays bare.
        {"&Ab|b&a|AB|9 1|1", "&Ab|&ba|AB|&9 1|&1"},
        {"&&Bold|Save && &Bake|&&&Back|&&Zip", "&&B&old|Save && &Bake|&&B&ack|&&&Zip"},
        {alignment, alignment},
    };
    for (const auto& [written, tidied] : cases) {
        std::vector<MenuEntry> level = Level(written);
        TidyAccessLetters(level);
        EXPECT_EQ(Joined(level, false), tidied) << written;
    }
    // A caption, its access key, what is drawn.
    const std::tuple<std::string, char, std::string> marks[] = {
        {"Save && &Bake", 'B', "Save & Bake"},
        {"&&B&ack", 'A', "&Back"},
        {"&&&Zip", 'Z', "&Zip"},
        {"a&&b", 0, "a&b"},
        {"S&ettings", 'E', "Settings"},
        {"trailing&", 0, "trailing"},
        {"&&&&x&y", 'Y', "&&xy"},
    };
    for (const auto& [caption, key, drawn] : marks) {
        EXPECT_EQ(AccessKeyOf(caption), key) << caption;
        EXPECT_EQ(StripAccessMark(caption), drawn) << caption;
    }
}

TEST(Separators, LeadingTrailingAndRunsAreTidied) {
    std::vector<MenuEntry> level = Level("-|!hidden|-|a|-|!x|!-|b|!-|!y|-|c|-|!z");
    TidySeparators(level);
    EXPECT_EQ(Joined(level), "a|-|b|-|c");
    EXPECT_FALSE(level[4].visible);
    EXPECT_TRUE(level[6].visible) << "the last of a run is shown even when it was hidden";
    EXPECT_FALSE(level[8].visible);
    EXPECT_TRUE(level[10].visible);
    EXPECT_FALSE(level[1].visible) << "items other than separators are left alone";

    std::vector<MenuEntry> nothing = Level("-|!x|-");
    TidySeparators(nothing);
    EXPECT_EQ(Joined(nothing), "");
}

} // namespace
} // namespace vantrel
