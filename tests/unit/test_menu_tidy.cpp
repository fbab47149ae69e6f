#include "ui/menu_tidy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
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

// The level joined back with '|': every caption as held, or what the user sees (the drawn
// captions of the visible entries).
std::string Joined(const std::vector<MenuEntry>& level, bool shownOnly) {
    std::string out;
    for (const MenuEntry& e : level) {
        if (e.visible || !shownOnly) {
            out += (out.empty() ? "" : "|") + (shownOnly ? StripAccessMark(e.caption) : e.caption);
        }
    }
    return out;
}
std::string Shown(const std::vector<MenuEntry>& level) {
    return Joined(level, true);
}
std::string Captions(const std::vector<MenuEntry>& level) {
    return Joined(level, false);
}

// Every caption of the list menu has enough letters for a distinct key on each visible item.
void ExpectDistinctKeys(const std::vector<MenuEntry>& level) {
    std::set<char> keys;
    for (const MenuEntry& e : level) {
        if (e.visible && !e.separator) {
            EXPECT_NE(AccessKeyOf(e.caption), 0) << e.caption;
            EXPECT_TRUE(keys.insert(AccessKeyOf(e.caption)).second) << e.caption;
        }
    }
}

void OpenMenu(std::vector<MenuEntry>& level) {
    TidySeparators(level);
    TidyAccessLetters(level);
}

TEST(ListMenu, TabSwitchShowsTheRightItemsAndSeparators) {
    std::vector<MenuEntry> menu =
        Level("&Add Rule|&Refresh|&Window Properties|!&Add Rule|!&Edit Rule|!&Delete Rule|-|"
              "&Minimize To Tray|Stay on Top|Transparency|Alignment|&Resize window|-|S&ettings|-|"
              "&Help|&About...|-|&Exit");
    const std::vector<int> tags = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 2, 0, 2};
    ApplyTabTags(menu, tags, 0);
    OpenMenu(menu);
    const std::string atStart = "Add Rule|Refresh|Window Properties|-|Minimize To Tray|"
                                "Stay on Top|Transparency|Alignment|Resize window|-|Settings|-|"
                                "Help|About...|-|Exit";
    EXPECT_EQ(Shown(menu), atStart);
    ExpectDistinctKeys(menu);

    ApplyTabTags(menu, tags, 1);
    OpenMenu(menu);
    EXPECT_EQ(Shown(menu), "Add Rule|Edit Rule|Delete Rule|-|Settings|-|Help|About...|-|Exit");
    EXPECT_TRUE(menu[12].visible) << "the run before Settings collapses to its last separator";
    EXPECT_FALSE(menu[6].visible);
    ExpectDistinctKeys(menu);

    ApplyTabTags(menu, tags, 0);
    OpenMenu(menu);
    EXPECT_EQ(Shown(menu), atStart);
    ExpectDistinctKeys(menu);

    // An unknown tab index leaves only the both-tab items.
    ApplyTabTags(menu, tags, 5);
    OpenMenu(menu);
    EXPECT_EQ(Shown(menu), "Settings|-|Help|About...|-|Exit");
}

TEST(AccessLetters, ConflictsAndMissingMarksAreResolved) {
    std::vector<MenuEntry> level = Level("&Edit|&Exit|&edit copy|&-dash|!&Xray|Zed");
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), "&Edit|E&xit|e&dit copy|-d&ash|&Xray|&Zed");
}

TEST(AccessLetters, MatchingGivesEveryItemALetterWhereGreedyWouldNot) {
    // Taking the first free letter in order would leave "C" without one.
    std::vector<MenuEntry> level = Level("Close|Co|C");
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), "C&lose|C&o|&C");

    // Kept marks are not moved to make room, and an item with no free character stays bare.
    std::vector<MenuEntry> crowded = Level("&Ab|b&a|AB|9 1|1");
    TidyAccessLetters(crowded);
    EXPECT_EQ(Captions(crowded), "&Ab|&ba|AB|&9 1|&1");
}

TEST(AccessLetters, EscapedAmpersandsAreText) {
    std::vector<MenuEntry> level = Level("&&Bold|Save && &Bake|&&&Back|&&Zip");
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), "&&B&old|Save && &Bake|&&B&ack|&&&Zip");
    EXPECT_EQ(StripAccessMark(level[1].caption), "Save & Bake");
    EXPECT_EQ(AccessKeyOf(level[2].caption), 'A');
    EXPECT_EQ(AccessKeyOf(level[3].caption), 'Z');

    EXPECT_EQ(AccessKeyOf("a&&b"), 0);
    EXPECT_EQ(AccessKeyOf("S&ettings"), 'E');
    EXPECT_EQ(AccessKeyOf("trailing&"), 0);
    EXPECT_EQ(StripAccessMark("trailing&"), "trailing");
    EXPECT_EQ(StripAccessMark("&&&&x&y"), "&&xy");
}

TEST(AccessLetters, AlignmentSubmenuIsAlreadyTidy) {
    const std::string captions = "&Top Left|T&op Center|To&p Right|&Middle Left|M&iddle Center|"
                                 "Mi&ddle Right|&Bottom Left|Bottom &Center|Bottom &Right";
    std::vector<MenuEntry> level = Level(captions);
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), captions);
}

TEST(Separators, LeadingTrailingAndRunsAreTidied) {
    std::vector<MenuEntry> level = Level("-|!hidden|-|a|-|!x|!-|b|!-|!y|-|c|-|!z");
    TidySeparators(level);
    EXPECT_EQ(Shown(level), "a|-|b|-|c");
    EXPECT_FALSE(level[4].visible);
    EXPECT_TRUE(level[6].visible) << "the last of a run is shown even when it was hidden";
    EXPECT_FALSE(level[8].visible);
    EXPECT_TRUE(level[10].visible);
    EXPECT_FALSE(level[1].visible) << "items other than separators are left alone";

    std::vector<MenuEntry> nothing = Level("-|!x|-");
    TidySeparators(nothing);
    EXPECT_EQ(Shown(nothing), "");
}

} // namespace
} // namespace vantrel
