#include "ui/menu_tidy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace vantrel {
namespace {

MenuEntry Item(const std::string& caption, bool visible = true) {
    return MenuEntry{caption, false, visible};
}
MenuEntry Sep(bool visible = true) {
    return MenuEntry{"-", true, visible};
}

// What the user sees: drawn captions of the visible items, "-" for a separator.
std::vector<std::string> Shown(const std::vector<MenuEntry>& level) {
    std::vector<std::string> out;
    for (const MenuEntry& e : level) {
        if (e.visible) {
            out.push_back(e.separator ? "-" : StripAccessMark(e.caption));
        }
    }
    return out;
}

std::vector<std::string> Captions(const std::vector<MenuEntry>& level) {
    std::vector<std::string> out(level.size());
    std::transform(level.begin(), level.end(), out.begin(),
                   [](const MenuEntry& e) { return e.caption; });
    return out;
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
    std::vector<MenuEntry> menu = {Item("&Add Rule"),
                                   Item("&Refresh"),
                                   Item("&Window Properties"),
                                   Item("&Add Rule", false),
                                   Item("&Edit Rule", false),
                                   Item("&Delete Rule", false),
                                   Sep(),
                                   Item("&Minimize To Tray"),
                                   Item("Stay on Top"),
                                   Item("Transparency"),
                                   Item("Alignment"),
                                   Item("&Resize window"),
                                   Sep(),
                                   Item("S&ettings"),
                                   Sep(),
                                   Item("&Help"),
                                   Item("&About..."),
                                   Sep(),
                                   Item("&Exit")};
    const std::vector<int> tags = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 2, 0, 2};
    ApplyTabTags(menu, tags, 0);
    OpenMenu(menu);
    const std::vector<std::string> atStart = Shown(menu);
    EXPECT_EQ(atStart.size(), 16u);
    ExpectDistinctKeys(menu);

    ApplyTabTags(menu, tags, 1);
    OpenMenu(menu);
    EXPECT_EQ(Shown(menu),
              (std::vector<std::string>{"Add Rule", "Edit Rule", "Delete Rule", "-", "Settings",
                                        "-", "Help", "About...", "-", "Exit"}));
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
    EXPECT_EQ(Shown(menu),
              (std::vector<std::string>{"Settings", "-", "Help", "About...", "-", "Exit"}));
}

TEST(AccessLetters, ConflictsAndMissingMarksAreResolved) {
    std::vector<MenuEntry> level = {Item("&Edit"),  Item("&Exit"),        Item("&edit copy"),
                                    Item("&-dash"), Item("&Xray", false), Item("Zed")};
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), (std::vector<std::string>{"&Edit", "E&xit", "e&dit copy", "-d&ash",
                                                         "&Xray", "&Zed"}));
}

TEST(AccessLetters, MatchingGivesEveryItemALetterWhereGreedyWouldNot) {
    // Taking the first free letter in order would leave "C" without one.
    std::vector<MenuEntry> level = {Item("Close"), Item("Co"), Item("C")};
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), (std::vector<std::string>{"C&lose", "C&o", "&C"}));

    // Kept marks are not moved to make room, and an item with no free character stays bare.
    std::vector<MenuEntry> crowded = {Item("&Ab"), Item("b&a"), Item("AB"), Item("9 1"), Item("1")};
    TidyAccessLetters(crowded);
    EXPECT_EQ(Captions(crowded), (std::vector<std::string>{"&Ab", "&ba", "AB", "&9 1", "&1"}));
}

TEST(AccessLetters, EscapedAmpersandsAreText) {
    std::vector<MenuEntry> level = {Item("&&Bold"), Item("Save && &Bake"), Item("&&&Back"),
                                    Item("&&Zip")};
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level),
              (std::vector<std::string>{"&&B&old", "Save && &Bake", "&&B&ack", "&&&Zip"}));
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
    const std::vector<std::string> captions = {"&Top Left",    "T&op Center",    "To&p Right",
                                               "&Middle Left", "M&iddle Center", "Mi&ddle Right",
                                               "&Bottom Left", "Bottom &Center", "Bottom &Right"};
    std::vector<MenuEntry> level(captions.size());
    std::transform(captions.begin(), captions.end(), level.begin(),
                   [](const std::string& c) { return Item(c); });
    TidyAccessLetters(level);
    EXPECT_EQ(Captions(level), captions);
}

TEST(Separators, LeadingTrailingAndRunsAreTidied) {
    std::vector<MenuEntry> level = {Sep(),      Item("hidden", false), Sep(),      Item("a"),
                                    Sep(),      Item("x", false),      Sep(false), Item("b"),
                                    Sep(false), Item("y", false),      Sep(),      Item("c"),
                                    Sep(),      Item("z", false)};
    TidySeparators(level);
    EXPECT_EQ(Shown(level), (std::vector<std::string>{"a", "-", "b", "-", "c"}));
    EXPECT_FALSE(level[4].visible);
    EXPECT_TRUE(level[6].visible) << "the last of a run is shown even when it was hidden";
    EXPECT_FALSE(level[8].visible);
    EXPECT_TRUE(level[10].visible);
    EXPECT_FALSE(level[1].visible) << "items other than separators are left alone";

    std::vector<MenuEntry> nothing = {Sep(), Item("x", false), Sep()};
    TidySeparators(nothing);
    EXPECT_TRUE(Shown(nothing).empty());
}

} // namespace
} // namespace vantrel
