#include "platform/profile.h"
#include "rules/rule.h"
#include "rules/rule_list.h"
#include "rules/rule_more_dialog.h"
#include "support/test_support.h"
#include "ui/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace vantrel {
namespace {

TEST(ProfileInt, DecimalAndHexConvertEverythingElseGivesTheDefault) {
    using platform::ProfileInt;
    std::string read;
    for (const char* text :
         {"42", "-5", "+5", "010", "0x1F", "0XfF", "2147483647", "-2147483648", "0x7FFFFFFF"}) {
        read += std::to_string(ProfileInt(text, 7)) + " ";
    }
    EXPECT_EQ(read, "42 -5 5 10 31 255 2147483647 -2147483648 2147483647 ");
    for (const char* bad : {"", "-", "+", "0x", "0xG1", "12a", " 12", "1.5", "2147483648",
                            "-2147483649", "0x80000000", "-0x5", "99999999999999999999"}) {
        EXPECT_EQ(ProfileInt(bad, 7), 7) << '"' << bad << '"';
    }
}

TEST(RuleTexts, CodesAndTextsConvertBothWaysAndUnknownsAreDefault) {
    for (int code = 0; code < kActionCount; ++code) {
        EXPECT_EQ(ActionFromText(ActionTexts(code)), code);
    }
    for (int code = 0; code < kZOrderCount; ++code) {
        EXPECT_EQ(ZOrderFromText(ZOrderTexts(code)), code);
    }
    EXPECT_EQ(ActionFromText("maximize") + ActionFromText("Stay on top"), 0);
    EXPECT_EQ(ZOrderFromText("Maximize") + ZOrderFromText("normal"), 0);
}

TEST(RuleMatching, OnlyAsciiLettersFold) {
    EXPECT_TRUE(ContainsIEFrame("IEFrame"));
    EXPECT_TRUE(ContainsIEFrame("my_ieframe_2"));
    EXPECT_FALSE(ContainsIEFrame("IE Frame"));
    EXPECT_FALSE(ContainsIEFrame(""));
    EXPECT_TRUE(EqualsAsciiNoCase("Notepad", "NOTEPAD"));
    EXPECT_FALSE(EqualsAsciiNoCase("Notepad", "Notepad2"));
    EXPECT_TRUE(EqualsAsciiNoCase("\xE4x", "\xE4X"));
    EXPECT_FALSE(EqualsAsciiNoCase("\xE4", "\xC4")); // a-umlaut and A-umlaut in code page 1252
}

TEST(RuleIntervals, FileAndTimerForms) {
    EXPECT_EQ(IntervalForFile("045"), 45);
    for (const char* none : {"-", "", "abc"}) {
        EXPECT_EQ(IntervalForFile(none), -1) << none;
    }
    EXPECT_EQ(IntervalSecondsForTimer("60"), 60);
    for (const char* unusable : {"abc", "", "-", "0", "-5"}) {
        EXPECT_EQ(IntervalSecondsForTimer(unusable), kDefaultIntervalSeconds) << unusable;
    }
    // The milliseconds of the largest interval must still fit an int.
    EXPECT_EQ(IntervalSecondsForTimer("99999999"), INT_MAX / 1000);
}

TEST(RuleList, WindowsAndStoreRuleMatchExactlyWhileFindRuleIgnoresCase) {
    CommonSettings settings;
    settings.action = "Normal";
    settings.zOrder = "Stay on top";
    RuleList rules;
    rules.StoreRule("a.txt - Notepad", "Notepad", "Normal", "Normal", "-", "-");
    rules.StoreRule("", "notepad", "Minimize", "Normal", "-", "-");
    // Storing again updates the rule of the exact class, and keeps its caption.
    rules.StoreRule("b.txt - Notepad", "Notepad", "Maximize", "Default", "Yes", "45");
    EXPECT_EQ(vt::RuleLines(rules), "Notepad|Maximize|Default|a.txt - Notepad|Yes|45\n"
                                    "notepad|Minimize|Normal||-|-\n");
    const auto texts = [&](const char* cls) {
        return rules.RuleActionText(cls, settings) + "|" + rules.RuleZOrderText(cls, settings);
    };
    EXPECT_EQ(texts("notepad"), "Minimize|Normal");
    EXPECT_EQ(texts("Notepad"), "Maximize|Default");
    EXPECT_EQ(texts("NOTEPAD"), "Normal|Stay on top");
    EXPECT_EQ(rules.FindRule("NOTEPAD"), 0);
    EXPECT_EQ(rules.FindRule("notepad"), 0);
    EXPECT_EQ(rules.FindRule("Calc"), -1);

    // A duplicate appended later never wins a lookup.
    rules.append({"Notepad", "Normal", "Normal", "", "-", "-"});
    EXPECT_EQ(rules.RuleActionText("Notepad", settings), "Maximize");
    rules.erase(0);
    EXPECT_EQ(rules.RuleActionText("Notepad", settings), "Normal");
    EXPECT_EQ(rules.FindRule("NOTEPAD"), 0);
    EXPECT_THROW(rules.erase(2), std::out_of_range);
}

TEST(RuleMatching, ClassProgramAndPatternTogether) {
    const char* const slack = "C:\\Users\\me\\AppData\\slack\\Slack.exe";
    // Rule class, program, pattern; window class, path, caption; whether it matches.
    using S = const char*;
    const std::tuple<S, S, S, S, S, S, bool> cases[] = {
        {"Notepad", "", "", "Notepad", "C:\\notepad.exe", "x", true},
        {"Notepad", "", "", "notepad", "C:\\notepad.exe", "x", false}, // class keeps its case
        {"", "", "", "Notepad", "C:\\notepad.exe", "x", false},        // nothing named
        {"", "slack.exe", "", "Chrome_WidgetWin_1", slack, "Slack", true},
        {"", "SLACK.EXE", "", "Chrome_WidgetWin_1", slack, "Slack", true},
        {"", "slack", "", "Chrome_WidgetWin_1", slack, "Slack", false}, // the whole file name
        {"", "lack.exe", "", "Chrome_WidgetWin_1", slack, "Slack", false},
        {"", "c:\\users\\ME\\appdata\\slack\\slack.exe", "", "X", slack, "", true},
        {"", "D:\\slack\\slack.exe", "", "X", slack, "", false}, // a path is a whole path
        {"", "slack.exe", "", "X", "slack.exe", "", true},       // a bare process name
        {"Chrome_WidgetWin_1", "slack.exe", "", "Chrome_WidgetWin_1", "C:\\chrome.exe", "", false},
        {"Chrome_WidgetWin_1", "slack.exe", "*Huddle*", "Chrome_WidgetWin_1", slack,
         "Huddle with Ann", true},
        {"Chrome_WidgetWin_1", "slack.exe", "*Huddle*", "Chrome_WidgetWin_1", slack, "General",
         false},
        {"", "", "*report*", "X", "", "Monthly REPORT.docx - Word", true},
        {"", "", "report", "X", "", "report 2", false}, // the whole caption, not a part
        {"", "", "Re?ort", "X", "", "Report", true},
        {"", "", "Re?ort", "X", "", "Reort", false},
        {"", "", "*", "X", "", "", true},
        {"", "", "?", "X", "", "", false},
        {"", "", "a*b*c", "X", "", "aXbYbZc", true},
        {"", "", "a*b*c", "X", "", "aXbYcZ", false},
        {"", "", "**a", "X", "", "bba", true},
        {"", "", "\xE4*", "X", "", "\xC4rger", false}, // only ASCII letters fold
    };
    for (const auto& [ruleClass, program, pattern, cls, path, caption, matches] : cases) {
        const WindowRule rule{ruleClass, "", "", "", "", "", program, pattern};
        EXPECT_EQ(RuleMatches(rule, {cls, path, caption}), matches)
            << ruleClass << " / " << program << " / " << pattern << " against " << cls << " / "
            << path << " / " << caption;
    }
}

TEST(RuleList, FirstMatchInListOrderDecidesAndExistenceNeedsAllThree) {
    RuleList rules;
    rules.StoreRule("", "Chrome_WidgetWin_1", "Minimize", "Default", "-", "-",
                    RuleExtras{"slack.exe", "*Huddle*", "", "", false});
    rules.StoreRule("", "Chrome_WidgetWin_1", "Maximize", "Stay on top", "-", "-",
                    RuleExtras{"slack.exe", "", "", "", false});
    rules.StoreRule("", "Chrome_WidgetWin_1", "Normal", "Normal", "-", "-");
    ASSERT_EQ(rules.size(), 3u);
    const std::string cls = "Chrome_WidgetWin_1", slack = "C:\\s\\slack.exe",
                      chrome = "C:\\c\\chrome.exe", huddle = "Huddle", other = "General";
    CommonSettings settings;
    EXPECT_EQ(rules.RuleActionText({cls, slack, huddle}, settings), "Minimize");
    EXPECT_EQ(rules.RuleActionText({cls, slack, other}, settings), "Maximize");
    EXPECT_EQ(rules.RuleZOrderText({cls, slack, other}, settings), "Stay on top");
    EXPECT_EQ(rules.RuleActionText({cls, chrome, huddle}, settings), "Normal");
    EXPECT_EQ(rules.FindMatch({"Other", slack, huddle}), -1);

    EXPECT_EQ(rules.FindRule("chrome_widgetwin_1", "SLACK.exe", "*huddle*"), 0);
    EXPECT_EQ(rules.FindRule("Chrome_WidgetWin_1", "slack.exe", ""), 1);
    EXPECT_EQ(rules.FindRule("Chrome_WidgetWin_1", "", ""), 2);
    EXPECT_EQ(rules.FindRule("Chrome_WidgetWin_1", "", "*Huddle*"), -1);
    // Storing again for the same three updates that rule, extras included.
    rules.StoreRule("", "Chrome_WidgetWin_1", "Default", "Default", "-", "-",
                    RuleExtras{"Slack.EXE", "", "Top Left", "30", true});
    EXPECT_EQ(vt::RuleLines(rules),
              "Chrome_WidgetWin_1|Minimize|Default||-|-|slack.exe|*Huddle*|||\n"
              "Chrome_WidgetWin_1|Default|Default||-|-|Slack.EXE||Top Left|30|once\n"
              "Chrome_WidgetWin_1|Normal|Normal||-|-\n");
    EXPECT_EQ(ColumnText(rules.at(0), 0), "Chrome_WidgetWin_1 | slack.exe | *Huddle*");
    EXPECT_EQ(ColumnText(rules.at(2), 0), "Chrome_WidgetWin_1");
}

TEST(RulePlacementAndTransparency, OnlyUsableTextActs) {
    RulePlacement p;
    ASSERT_TRUE(ParseRulePlacement("bottom right", p));
    EXPECT_EQ(p.place, 8);
    ASSERT_TRUE(ParseRulePlacement("-10,20,800,600", p));
    EXPECT_EQ(p.place, -1);
    EXPECT_EQ(std::vector<int>({p.x, p.y, p.w, p.h}), std::vector<int>({-10, 20, 800, 600}));
    for (const char* bad :
         {"", "Top", "1,2,3", "1,2,3,4,5", "1,2,0,4", "1,2,3,-4", "a,2,3,4", "1, 2,3,4"}) {
        EXPECT_FALSE(ParseRulePlacement(bad, p)) << bad;
    }
    EXPECT_EQ(RuleTransparencyPercent("0"), 0);
    EXPECT_EQ(RuleTransparencyPercent("100"), 100);
    for (const char* bad : {"", "101", "-1", "50%"}) {
        EXPECT_EQ(RuleTransparencyPercent(bad), -1) << bad;
    }
    EXPECT_EQ(ExtrasProblem(RuleExtras{"", "", "Middle Center", "40", true}), "");
    EXPECT_NE(ExtrasProblem(RuleExtras{"", "", "middle", "", false}), "");
    EXPECT_NE(ExtrasProblem(RuleExtras{"", "", "", "250", false}), "");
}

} // namespace
} // namespace vantrel
