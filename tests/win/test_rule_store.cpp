#include "platform/error.h"
#include "platform/handles.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "rules/rule_store.h"
#include "support/test_support.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>

namespace vantrel {
namespace {

class RuleStoreTest : public ::testing::Test {
protected:
    void SetUp() override { path_ = folder_ + "rules.dat"; }

    LoadResult Load(const std::string& fileText) {
        std::ofstream(path_, std::ios::binary) << fileText;
        return LoadRules(path_, rules_);
    }
    std::string FileText() const { return vt::FileText(path_); }
    std::string Key(const std::string& section, const std::string& key) const {
        return platform::ReadProfileString(path_, section, key, "<missing>");
    }
    // All six fields of one rule, joined by '|'.
    std::string Row(std::size_t index) const {
        const WindowRule& r = rules_.at(index);
        return r.className + '|' + r.action + '|' + r.zOrder + '|' + r.windowCaption + '|' +
               r.autoRefresh + '|' + r.timeInterval;
    }

    const vt::TempDir dir_;
    const std::string folder_ = dir_.path();
    std::string path_;
    RuleList rules_;
};

TEST_F(RuleStoreTest, ShorterListsRenumberAndLeaveStaleSectionsUnloaded) {
    for (const char* name : {"A", "B", "C"}) {
        rules_.StoreRule("", name, "Maximize", "Default", "-", "-");
    }
    SaveRules(path_, rules_);
    rules_.erase(1);
    SaveRules(path_, rules_);
    EXPECT_EQ(Key("Options", "WindowCount"), "2");
    EXPECT_EQ(Key("Window2", "ClassName"), "C");
    EXPECT_EQ(Key("Window3", "ClassName"), "C");
    LoadRules(path_, rules_);
    ASSERT_EQ(rules_.size(), 2u);
    EXPECT_EQ(Row(1), "C|Maximize|Default||-|-");

    SaveRules(path_, RuleList());
    EXPECT_EQ(Key("Options", "WindowCount"), "0");
    EXPECT_EQ(Key("Window1", "ClassName"), "A");
    LoadRules(path_, rules_);
    EXPECT_TRUE(rules_.empty());
}

TEST_F(RuleStoreTest, IntervalColumnFollowsAutoRefresh) {
    EXPECT_FALSE(Load("[Options]\nWindowCount=3\n"
                      "[Window1]\nClassName=IEFrame\nAutoRefresh=No\nTimeInterval=45\n"
                      "[Window2]\nClassName=Notepad\nAutoRefresh=-\nTimeInterval=45\n"
                      "[Window3]\nAutoRefresh=No\n")
                     .refreshIntervalMs.has_value());
    ASSERT_EQ(rules_.size(), 3u);
    EXPECT_EQ(Row(0), "IEFrame|Default|Default||No|45");
    EXPECT_EQ(Row(1), "Notepad|Default|Default||-|-");
    EXPECT_EQ(Row(2), "|Default|Default||No|30");
    SaveRules(path_, rules_);
    EXPECT_EQ(Key("Window2", "TimeInterval"), "-1");

    // An interval emptied by the user is written as -1 and shown as such after a restart.
    rules_.clear();
    rules_.StoreRule("", "IEFrame", "Default", "Default", "Yes", "");
    rules_.StoreRule("", "ieframe", "Default", "Default", "No", "");
    SaveRules(path_, rules_);
    EXPECT_EQ(Key("Window1", "TimeInterval"), "-1");
    EXPECT_EQ(LoadRules(path_, rules_).refreshIntervalMs, 30000);
    EXPECT_EQ(rules_.at(0).timeInterval, "-1");
    EXPECT_EQ(rules_.at(1).timeInterval, "-1");
}

TEST_F(RuleStoreTest, CodesConvertAndThoseOutsideTheTablesLoadAsDefault) {
    Load("[Options]\nWindowCount=0x5\n[Window1]\nAction=4\nZOrder=1\n"
         "[Window2]\nAction=0x2\nZOrder=0X2\n[Window3]\nAction=two\nZOrder=one\n"
         "[Window4]\nAction=5\nZOrder=3\n[Window5]\nAction=-1\nZOrder=-1\n");
    ASSERT_EQ(rules_.size(), 5u);
    EXPECT_EQ(Row(0), "|Minimize to tray|Stay on top||-|-");
    EXPECT_EQ(Row(1), "|Minimize|Normal||-|-");
    for (std::size_t i = 2; i < 5; ++i) {
        EXPECT_EQ(Row(i), "|Default|Default||-|-") << i;
    }
}

TEST_F(RuleStoreTest, MissingSectionsGiveDefaultRulesOnlyWhileTheCountIsTrusted) {
    Load("[Options]\nWindowCount=5\n[Window1]\nClassName=A\n[Window2]\nClassName=B\n");
    ASSERT_EQ(rules_.size(), 5u);
    EXPECT_EQ(Row(4), "|Default|Default||-|-");

    Load("[Options]\nWindowCount=2000000000\n[Window1]\nClassName=A\n[Window2]\nClassName=B\n");
    ASSERT_EQ(rules_.size(), 2u);
    EXPECT_EQ(Row(1), "B|Default|Default||-|-");

    // Section names match in any case; leading zeros and trailing junk do not make a number.
    Load("[Options]\nWindowCount=2000000000\n[Window1]\nClassName=A\n[WINDOW3]\nClassName=C\n"
         "[Window0009]\n[Window9x]\n[Window]\n");
    ASSERT_EQ(rules_.size(), 2u);
    EXPECT_EQ(Row(1), "C|Default|Default||-|-");

    // Past the trusted count only present sections load: a hostile high section number does
    // not turn into millions of empty rules, and none above the count is taken.
    Load("[Options]\nWindowCount=2000000000\n[Window1]\nClassName=A\n[Window1999999999]\n"
         "ClassName=Z\n");
    ASSERT_EQ(rules_.size(), 2u);
    EXPECT_EQ(Row(1), "Z|Default|Default||-|-");
    Load("[Options]\nWindowCount=1030\n[Window1]\nClassName=A\n[Window5000]\n");
    EXPECT_EQ(rules_.size(), 1u);
}

TEST_F(RuleStoreTest, LastYesRuleSetsTheRefreshInterval) {
    EXPECT_EQ(Load("[Options]\nWindowCount=3\n[Window1]\nAutoRefresh=Yes\nTimeInterval=10\n"
                   "[Window2]\nAutoRefresh=Yes\nTimeInterval=60\n"
                   "[Window3]\nAutoRefresh=No\nTimeInterval=5\n")
                  .refreshIntervalMs,
              60000);
    for (const std::string interval : {"0", "-5"}) {
        EXPECT_EQ(Load("[Options]\nWindowCount=1\n[Window1]\nAutoRefresh=Yes\nTimeInterval=" +
                       interval + "\n")
                      .refreshIntervalMs,
                  30000)
            << interval;
        EXPECT_EQ(rules_.at(0).timeInterval, interval);
    }
}

TEST_F(RuleStoreTest, RefusedWritesNameTheFile) {
    Load("[Options]\r\nWindowCount=0\r\n");
    rules_.StoreRule("", "A", "Default", "Default", "-", "-");
    {
        // Another program holding the file without sharing refuses writes even to an
        // administrator, for whom a read-only attribute is no obstacle under Wine.
        const HANDLE raw = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(raw, INVALID_HANDLE_VALUE);
        const platform::UniqueHandle lock(raw);
        try {
            SaveRules(path_, rules_);
            ADD_FAILURE() << "a locked file was written";
        } catch (const UserError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path_);
        }
    }
    EXPECT_EQ(FileText(), "[Options]\r\nWindowCount=0\r\n");

    const std::string folderAsFile = folder_ + "sub";
    ASSERT_TRUE(CreateDirectoryA(folderAsFile.c_str(), nullptr));
    try {
        SaveRules(folderAsFile, rules_);
        ADD_FAILURE() << "a folder was written as a file";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + folderAsFile);
    }
    LoadRules(folderAsFile, rules_);
    EXPECT_TRUE(rules_.empty());
}

TEST_F(RuleStoreTest, JunkAndOverlongValuesLoadWithoutHarm) {
    std::string junk;
    for (int i = 0; i < 70000; ++i) {
        junk += static_cast<char>((i * 37 + 11) % 256);
    }
    Load(junk);
    EXPECT_LE(rules_.size(), 1024u);

    const std::string longName(5000, 'x');
    Load("[Options]\nWindowCount=1\n[Window1]\nClassName=" + longName + "\n");
    ASSERT_EQ(rules_.size(), 1u);
    EXPECT_EQ(rules_.at(0).className, longName.substr(0, 2047));
}

TEST_F(RuleStoreTest, SavedFileIsByteExact) {
    SaveRules(path_, rules_);
    EXPECT_EQ(FileText(), "[Options]\r\nWindowCount=0\r\n");
    rules_.StoreRule("notes.txt - Notepad", "Notepad", "Maximize", "Default", "-", "-");
    rules_.StoreRule("Start page - Windows Internet Explorer", "IEFrame", "Normal", "Stay on top",
                     "Yes", "60");
    SaveRules(path_, rules_);
    EXPECT_EQ(FileText(), "[Options]\r\nWindowCount=2\r\n"
                          "[Window1]\r\nClassName=Notepad\r\nAction=1\r\nZOrder=0\r\n"
                          "WindowCaption=notes.txt - Notepad\r\nAutoRefresh=-\r\n"
                          "TimeInterval=-1\r\n"
                          "[Window2]\r\nClassName=IEFrame\r\nAction=3\r\nZOrder=1\r\n"
                          "WindowCaption=Start page - Windows Internet Explorer\r\n"
                          "AutoRefresh=Yes\r\nTimeInterval=60\r\n");
    EXPECT_EQ(LoadRules(path_, rules_).refreshIntervalMs, 60000);
    ASSERT_EQ(rules_.size(), 2u);
    EXPECT_EQ(Row(0), "Notepad|Maximize|Default|notes.txt - Notepad|-|-");
    EXPECT_EQ(Row(1), "IEFrame|Normal|Stay on top|Start page - Windows Internet Explorer|Yes|60");
}

// A file of an older version holds its text in the legacy code page; it loads, and once the
// program writes it, it is UTF-8 that any program reads back.
TEST_F(RuleStoreTest, LegacyFileLoadsAndIsWrittenBackAsUtf8) {
    if (!platform::TextIsUtf8() || platform::LegacyCodePage() != 1252) {
        GTEST_SKIP() << "needs UTF-8 as the process code page and Windows-1252 as the legacy one";
    }
    Load("[Options]\r\nWindowCount=1\r\n[Window1]\r\nClassName=Caf\xE9"
         "Class\r\nAction=1\r\n"
         "ZOrder=0\r\nWindowCaption=Caf\xE9 \xAB\xE0 la carte\xBB\r\nAutoRefresh=-\r\n"
         "TimeInterval=-1\r\n");
    ASSERT_EQ(rules_.size(), 1u);
    EXPECT_EQ(Row(0), "Caf\xC3\xA9"
                      "Class|Maximize|Default|Caf\xC3\xA9 \xC2\xAB\xC3\xA0 la carte\xC2\xBB|-|-");

    // A single key written by the system keeps every other value of the file readable.
    ASSERT_TRUE(platform::WriteProfileString(path_, "Window1", "ZOrder", "1"));
    EXPECT_TRUE(platform::IsUtf8(FileText()));
    EXPECT_EQ(Key("Window1", "ClassName"), "Caf\xC3\xA9"
                                           "Class");

    SaveRules(path_, rules_);
    const std::string saved = FileText();
    EXPECT_TRUE(platform::IsUtf8(saved));
    EXPECT_NE(saved.find("WindowCaption=Caf\xC3\xA9 \xC2\xAB\xC3\xA0 la carte\xC2\xBB\r\n"),
              std::string::npos);
    LoadRules(path_, rules_);
    ASSERT_EQ(rules_.size(), 1u);
    EXPECT_EQ(rules_.at(0).windowCaption, "Caf\xC3\xA9 \xC2\xAB\xC3\xA0 la carte\xC2\xBB");
}

TEST_F(RuleStoreTest, NewKeysAreWrittenOnlyForRulesThatUseThemAndGoWhenCleared) {
    rules_.StoreRule("", "Notepad", "Maximize", "Default", "-", "-");
    rules_.StoreRule("", "", "Maximize", "Default", "-", "-",
                     RuleExtras{"", "*Report*", "10,20,640,480", "25", true});
    SaveRules(path_, rules_);
    EXPECT_EQ(FileText(), "[Options]\r\nWindowCount=2\r\n"
                          "[Window1]\r\nClassName=Notepad\r\nAction=1\r\nZOrder=0\r\n"
                          "WindowCaption=\r\nAutoRefresh=-\r\nTimeInterval=-1\r\n"
                          "[Window2]\r\nClassName=\r\nAction=1\r\nZOrder=0\r\n"
                          "WindowCaption=\r\nAutoRefresh=-\r\nTimeInterval=-1\r\n"
                          "TitlePattern=*Report*\r\nPlacement=10,20,640,480\r\n"
                          "Transparency=25\r\nApplyOnce=Yes\r\n");
    ASSERT_EQ(LoadRules(path_, rules_).refreshIntervalMs, std::nullopt);
    ASSERT_EQ(rules_.size(), 2u);
    const WindowRule& loaded = rules_.at(1);
    EXPECT_EQ(loaded.program + "|" + loaded.titlePattern + "|" + loaded.placement + "|" +
                  loaded.transparency,
              "|*Report*|10,20,640,480|25");
    EXPECT_TRUE(loaded.applyOnce);
    // The first rule goes: the pattern rule moves into Window1, and Window2 (left as it is
    // beyond the count) is not loaded; the old rule's keys in Window1 do not linger.
    rules_.erase(0);
    rules_.at(0).titlePattern = "*Summary*";
    rules_.at(0).transparency.clear();
    rules_.at(0).applyOnce = false;
    SaveRules(path_, rules_);
    EXPECT_EQ(Key("Window1", "TitlePattern"), "*Summary*");
    EXPECT_EQ(Key("Window1", "Transparency") + Key("Window1", "ApplyOnce"), "<missing><missing>");
    ASSERT_EQ(LoadRules(path_, rules_).refreshIntervalMs, std::nullopt);
    ASSERT_EQ(rules_.size(), 1u);
    EXPECT_FALSE(rules_.at(0).applyOnce);
    EXPECT_EQ(rules_.at(0).placement, "10,20,640,480");
}

} // namespace
} // namespace vantrel
