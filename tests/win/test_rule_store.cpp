#include "platform/error.h"
#include "platform/handles.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "rules/rule_store.h"
#include "support/test_support.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <optional>

namespace vantrel {
namespace {

using vt::RuleSection;
using vt::RulesFile;

class RuleStoreTest : public ::testing::Test {
protected:
    LoadResult Load(const std::string& fileText) {
        std::ofstream(path_, std::ios::binary) << fileText;
        return LoadRules(path_, rules_);
    }
    std::string FileText() const { return vt::FileText(path_); }
    std::string Key(const std::string& section, const std::string& key) const {
        return platform::ReadProfileString(path_, section, key, "<missing>");
    }
    std::string Rows() const { return vt::RuleLines(rules_); }

    const vt::TempDir dir_;
    const std::string path_ = dir_.path() + "rules.dat";
    RuleList rules_;
};

const std::string kPlain = "|Default|Default||-|-\n";
constexpr int kNoRefresh = -1; // the timer keeps its state

TEST_F(RuleStoreTest, FilesLoadAsTheseRulesAndRefreshInterval) {
    const std::string head = "[Options]\nWindowCount=";
    const auto loads = [&](const std::string& name, int refreshMs, const std::string& file,
                           const std::string& rows) {
        EXPECT_EQ(Load(file).refreshIntervalMs.value_or(kNoRefresh), refreshMs) << name;
        EXPECT_EQ(Rows(), rows) << name;
    };
    loads("interval column follows AutoRefresh", kNoRefresh,
          head + "3\n[Window1]\nClassName=IEFrame\nAutoRefresh=No\nTimeInterval=45\n[Window2]\n"
                 "ClassName=Notepad\nAutoRefresh=-\nTimeInterval=45\n[Window3]\nAutoRefresh=No\n",
          "IEFrame|Default|Default||No|45\nNotepad" + kPlain + "|Default|Default||No|30\n");
    loads("codes convert, those outside the tables load as default", kNoRefresh,
          head + "0x5\n[Window1]\nAction=4\nZOrder=1\n[Window2]\nAction=0x2\nZOrder=0X2\n"
                 "[Window3]\nAction=two\nZOrder=one\n[Window4]\nAction=5\nZOrder=3\n"
                 "[Window5]\nAction=-1\nZOrder=-1\n",
          "|Minimize to tray|Stay on top||-|-\n|Minimize|Normal||-|-\n" + kPlain + kPlain + kPlain);
    loads("missing sections under a trusted count give default rules", kNoRefresh,
          head + "5\n[Window1]\nClassName=A\n[Window2]\nClassName=B\n",
          "A" + kPlain + "B" + kPlain + kPlain + kPlain + kPlain);
    loads("past a huge count only present sections load", kNoRefresh,
          head + "2000000000\n[Window1]\nClassName=A\n[Window2]\nClassName=B\n",
          "A" + kPlain + "B" + kPlain);
    // Leading zeros and trailing junk do not make a number.
    loads("section names match in any case", kNoRefresh,
          head + "2000000000\n[Window1]\nClassName=A\n[WINDOW3]\nClassName=C\n"
                 "[Window0009]\n[Window9x]\n[Window]\n",
          "A" + kPlain + "C" + kPlain);
    // A hostile high section number must not turn into millions of empty rules.
    loads("a high section number under a huge count", kNoRefresh,
          head + "2000000000\n[Window1]\nClassName=A\n[Window1999999999]\nClassName=Z\n",
          "A" + kPlain + "Z" + kPlain);
    loads("no section above an untrusted count", kNoRefresh,
          head + "1030\n[Window1]\nClassName=A\n[Window5000]\n", "A" + kPlain);
    loads("the last Yes rule sets the interval", 60000,
          head + "3\n[Window1]\nAutoRefresh=Yes\nTimeInterval=10\n[Window2]\nAutoRefresh=Yes\n"
                 "TimeInterval=60\n[Window3]\nAutoRefresh=No\nTimeInterval=5\n",
          "|Default|Default||Yes|10\n|Default|Default||Yes|60\n|Default|Default||No|5\n");
    for (const char* interval : {"0", "-5"}) {
        loads(std::string("interval ") + interval + " refreshes at the default", 30000,
              head + "1\n[Window1]\nAutoRefresh=Yes\nTimeInterval=" + interval + "\n",
              std::string("|Default|Default||Yes|") + interval + "\n");
    }
    // Every save writes every key of every rule and each write rewrites the file: empty rules made
    // up for a count of a thousand took minutes to save, at exit and after every rule command.
    for (const std::string count : {"500", "0x3FF", "1000", "1024"}) {
        loads("count " + count, kNoRefresh,
              head + count + "\n[Window1]\nClassName=a\n[Window7]\nClassName=g\n",
              "a" + kPlain + "g" + kPlain);
    }
    loads("an overlong class name is cut to the reader's buffer", kNoRefresh,
          head + "1\n[Window1]\nClassName=" + std::string(5000, 'x') + "\n",
          std::string(2047, 'x') + kPlain);
}

TEST_F(RuleStoreTest, SavedFilesAreByteExactAndLoadBack) {
    const std::string ie = "Start page - Windows Internet Explorer";
    // The rules load back as they were held, or as `loaded` says.
    const auto saves = [&](const char* name, int refreshMs, const std::vector<WindowRule>& rules,
                           const std::string& file, const char* loaded = nullptr) {
        rules_.clear();
        for (const WindowRule& r : rules) {
            rules_.append(r);
        }
        const std::string held = Rows();
        SaveRules(path_, rules_);
        EXPECT_EQ(FileText(), file) << name;
        EXPECT_EQ(LoadRules(path_, rules_).refreshIntervalMs.value_or(kNoRefresh), refreshMs)
            << name;
        EXPECT_EQ(Rows(), loaded ? loaded : held) << name;
    };
    saves("no rules", kNoRefresh, {}, "[Options]\r\nWindowCount=0\r\n");
    saves("captions, codes and an interval", 60000,
          {{"Notepad", "Maximize", "Default", "notes.txt - Notepad", "-", "-"},
           {"IEFrame", "Normal", "Stay on top", ie, "Yes", "60"}},
          RulesFile({RuleSection(1, "Notepad", 1, 0, "notes.txt - Notepad"),
                     RuleSection(2, "IEFrame", 3, 1, ie, "Yes", 60)}));
    // An interval emptied by the user is written as -1 and shown as such after a restart.
    saves("emptied intervals", 30000,
          {{"IEFrame", "Default", "Default", "", "Yes", ""},
           {"ieframe", "Default", "Default", "", "No", ""}},
          RulesFile({RuleSection(1, "IEFrame", 0, 0, "", "Yes"),
                     RuleSection(2, "ieframe", 0, 0, "", "No")}),
          "IEFrame|Default|Default||Yes|-1\nieframe|Default|Default||No|-1\n");
    saves("newer keys only for the rule that uses them", kNoRefresh,
          {{"Notepad", "Maximize", "Default", "", "-", "-"},
           {"", "Maximize", "Default", "", "-", "-", "", "*Report*", "10,20,640,480", "25", true}},
          RulesFile({RuleSection(1, "Notepad", 1, 0),
                     RuleSection(2, "", 1, 0) + "TitlePattern=*Report*\r\nPlacement=10,20,640,480"
                                                "\r\nTransparency=25\r\nApplyOnce=Yes\r\n"}));
}

TEST_F(RuleStoreTest, ShorterListsRenumberAndLeaveStaleSectionsAndKeysUnloaded) {
    rules_.StoreRule("", "A", "Maximize", "Default", "-", "-");
    rules_.StoreRule("", "B", "Maximize", "Default", "-", "-",
                     RuleExtras{"", "*Report*", "10,20,640,480", "25", true});
    rules_.StoreRule("", "C", "Maximize", "Default", "-", "-");
    SaveRules(path_, rules_);
    rules_.erase(0);
    SaveRules(path_, rules_);
    // The rules renumber, and the stale Window3 beyond the count is not loaded.
    EXPECT_EQ(Key("Options", "WindowCount") + Key("Window3", "ClassName"), "2C");
    ASSERT_FALSE(LoadRules(path_, rules_).refreshIntervalMs.has_value());
    EXPECT_EQ(Rows(),
              "B|Maximize|Default||-|-||*Report*|10,20,640,480|25|once\nC|Maximize|Default||-|-\n");

    // Cleared newer keys go from the file.
    rules_.at(0).titlePattern = "*Summary*";
    rules_.at(0).transparency.clear();
    rules_.at(0).applyOnce = false;
    rules_.erase(1);
    SaveRules(path_, rules_);
    EXPECT_EQ(Key("Window1", "Transparency") + Key("Window1", "ApplyOnce"), "<missing><missing>");
    LoadRules(path_, rules_);
    EXPECT_EQ(Rows(), "B|Maximize|Default||-|-||*Summary*|10,20,640,480||\n");

    SaveRules(path_, RuleList());
    EXPECT_EQ(Key("Options", "WindowCount") + Key("Window1", "ClassName"), "0B");
    LoadRules(path_, rules_);
    EXPECT_TRUE(rules_.empty());
}

// A folder in the file's place is refused the same way (HostileStart and HostileFileSlice).
TEST_F(RuleStoreTest, ALockedFileIsRefusedByName) {
    Load("[Options]\r\nWindowCount=0\r\n");
    rules_.StoreRule("", "A", "Default", "Default", "-", "-");
    // Another program holding the file without sharing refuses writes even to an administrator,
    // for whom a read-only attribute is no obstacle under Wine.
    platform::UniqueFile lock(CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    try {
        SaveRules(path_, rules_);
        ADD_FAILURE() << "the locked file was written";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path_);
    }
    lock.reset();
    EXPECT_EQ(FileText(), "[Options]\r\nWindowCount=0\r\n");
}

// A file of an older version holds its text in the legacy code page; it loads, and once the
// program writes it, it is UTF-8 that any program reads back.
TEST_F(RuleStoreTest, LegacyFileLoadsAndIsWrittenBackAsUtf8) {
    if (!platform::TextIsUtf8() || platform::LegacyCodePage() != 1252) {
        GTEST_SKIP() << "needs UTF-8 as the process code page, Windows-1252 as the legacy one";
    }
    const std::string caption = "Caf\xC3\xA9 \xC2\xAB\xC3\xA0 la carte\xC2\xBB";
    Load(RulesFile({RuleSection(1, "Caf\xE9\x43lass", 1, 0, "Caf\xE9 \xAB\xE0 la carte\xBB")}));
    EXPECT_EQ(Rows(), "Caf\xC3\xA9\x43lass|Maximize|Default|" + caption + "|-|-\n");

    // A single key written by the system keeps every other value of the file readable.
    ASSERT_TRUE(platform::WriteProfileString(path_, "Window1", "ZOrder", "1"));
    EXPECT_TRUE(platform::IsUtf8(FileText()));
    EXPECT_EQ(Key("Window1", "ClassName"), "Caf\xC3\xA9\x43lass");

    SaveRules(path_, rules_);
    EXPECT_TRUE(platform::IsUtf8(FileText()));
    EXPECT_NE(FileText().find("WindowCaption=" + caption + "\r\n"), std::string::npos);
    LoadRules(path_, rules_);
    ASSERT_EQ(rules_.size(), 1u);
    EXPECT_EQ(rules_.at(0).windowCaption, caption);
}

} // namespace
} // namespace vantrel
