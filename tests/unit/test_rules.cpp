#include "platform/profile.h"
#include "rules/rule.h"
#include "rules/rule_list.h"
#include "ui/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <vector>

namespace vantrel {
namespace {

std::vector<std::string> Fields(const WindowRule& rule) {
    return {rule.className,     rule.action,      rule.zOrder,
            rule.windowCaption, rule.autoRefresh, rule.timeInterval};
}

TEST(ProfileInt, DecimalAndHexConvertEverythingElseGivesTheDefault) {
    using platform::ProfileInt;
    EXPECT_EQ(ProfileInt("42", 7), 42);
    EXPECT_EQ(ProfileInt("-5", 7), -5);
    EXPECT_EQ(ProfileInt("+5", 7), 5);
    EXPECT_EQ(ProfileInt("007", 7), 7);
    EXPECT_EQ(ProfileInt("0x1F", 7), 31);
    EXPECT_EQ(ProfileInt("0XfF", 7), 255);
    EXPECT_EQ(ProfileInt("2147483647", 7), INT_MAX);
    EXPECT_EQ(ProfileInt("-2147483648", 7), INT_MIN);
    EXPECT_EQ(ProfileInt("0x7FFFFFFF", 7), INT_MAX);
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
    EXPECT_EQ(ActionTexts(4), "Minimize to tray");
    EXPECT_EQ(ZOrderTexts(1), "Stay on top");
    EXPECT_EQ(ActionTexts(5) + ActionTexts(-1) + ZOrderTexts(3), "DefaultDefaultDefault");
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
    EXPECT_EQ(IntervalForFile("-"), -1);
    EXPECT_EQ(IntervalForFile(""), -1);
    EXPECT_EQ(IntervalForFile("abc"), -1);
    EXPECT_EQ(IntervalForFile("045"), 45);
    EXPECT_EQ(IntervalSecondsForTimer("60"), 60);
    for (const char* unusable : {"abc", "", "-", "0", "-5"}) {
        EXPECT_EQ(IntervalSecondsForTimer(unusable), kDefaultIntervalSeconds) << unusable;
    }
    // The milliseconds of the largest interval must still fit an int.
    EXPECT_EQ(IntervalSecondsForTimer("99999999"), INT_MAX / 1000);
}

TEST(RuleList, WindowsMatchExactlyWhileFindRuleIgnoresCase) {
    CommonSettings settings;
    settings.action = "Normal";
    settings.zOrder = "Stay on top";
    RuleList rules;
    rules.StoreRule("", "Notepad", "Maximize", "Default", "-", "-");
    rules.StoreRule("", "notepad", "Minimize", "Normal", "-", "-");
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules.RuleActionText("notepad", settings), "Minimize");
    EXPECT_EQ(rules.RuleZOrderText("notepad", settings), "Normal");
    EXPECT_EQ(rules.RuleActionText("Notepad", settings), "Maximize");
    EXPECT_EQ(rules.FindRule("NOTEPAD"), 0);
    EXPECT_EQ(rules.FindRule("notepad"), 0);
    EXPECT_EQ(rules.FindRule("Calc"), -1);
    EXPECT_EQ(rules.RuleActionText("NOTEPAD", settings), "Normal");
    EXPECT_EQ(rules.RuleZOrderText("NOTEPAD", settings), "Stay on top");

    // A duplicate appended later never wins a lookup.
    rules.append({"Notepad", "Normal", "Normal", "", "-", "-"});
    EXPECT_EQ(rules.RuleActionText("Notepad", settings), "Maximize");
    rules.erase(0);
    EXPECT_EQ(rules.RuleActionText("Notepad", settings), "Normal");
    EXPECT_EQ(rules.FindRule("NOTEPAD"), 0);
    EXPECT_THROW(rules.erase(2), std::out_of_range);
}

TEST(RuleList, StoreRuleUpdatesTheFirstExactMatchAndKeepsItsCaption) {
    RuleList rules;
    rules.StoreRule("a.txt - Notepad", "Notepad", "Maximize", "Default", "-", "-");
    rules.StoreRule("", "Calc", "Normal", "Default", "-", "-");
    rules.StoreRule("b.txt - Notepad", "Notepad", "Normal", "Stay on top", "Yes", "45");
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(Fields(rules.at(0)), (std::vector<std::string>{"Notepad", "Normal", "Stay on top",
                                                             "a.txt - Notepad", "Yes", "45"}));
    EXPECT_EQ(rules.at(1).className, "Calc");

    rules.StoreRule("x", "NOTEPAD", "Minimize", "Normal", "-", "-");
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(Fields(rules.at(2)),
              (std::vector<std::string>{"NOTEPAD", "Minimize", "Normal", "x", "-", "-"}));
    EXPECT_EQ(rules.at(0).action, "Normal");
}

} // namespace
} // namespace vantrel
