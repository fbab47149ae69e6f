#include "commands/hidden_journal.h"
#include "platform/error.h"
#include "platform/link_check.h"
#include "platform/handles.h"
#include "platform/profile.h"
#include "platform/task_scheduler.h"
#include "ui/environment.h"
#include "ui/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <map>

namespace vantrel {
namespace {

using platform::ReadProfileString;
using platform::WriteProfileString;

// The application-data folder lacks a parent too, so creating it takes more than one level.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        location_.exeFolder = root_ + "exe";
        ASSERT_TRUE(CreateDirectoryA(location_.exeFolder.c_str(), nullptr));
        location_.appDataFolder = root_ + "profile\\Roaming\\";
    }

    const vt::TempDir dir_;
    const std::string root_ = dir_.path();
    SettingsLocation location_;
    std::string UserFile() const {
        return location_.appDataFolder + "Ostrim\\Vantrel\\vantrel.dat";
    }
    std::string ExeFile() const { return location_.exeFolder + "\\vantrel.dat"; }
    // The settings as loaded now, as one line: "system menu|action|z order".
    std::string Loaded() const {
        const CommonSettings s = LoadSettings(location_);
        return std::to_string(s.systemMenu) + '|' + s.action + '|' + s.zOrder;
    }
};

TEST_F(SettingsTest, NoFileGivesDefaultsAndASaveKeepsEveryOtherKey) {
    EXPECT_EQ(Loaded(), "1|Default|Default");
    EXPECT_EQ(SettingsFilePath(location_), UserFile());
    EXPECT_TRUE(vt::Exists(location_.appDataFolder + "Ostrim\\Vantrel\\"));
    EXPECT_FALSE(vt::Exists(UserFile()));
    EXPECT_FALSE(vt::Exists(ExeFile()));

    WriteProfileString(UserFile(), "Options", "Unknown", "1");
    WriteProfileString(UserFile(), "Other", "Key", "value");
    SaveSettings(location_, CommonSettings{false, "Minimize to tray", "Normal"});
    EXPECT_EQ(Loaded(), "0|Minimize to tray|Normal");
    EXPECT_EQ(ReadProfileString(UserFile(), "Options", "Unknown", ""), "1");
    EXPECT_EQ(ReadProfileString(UserFile(), "Other", "Key", ""), "value");
}

TEST_F(SettingsTest, ExecutableFolderCopySeedsTheUserFileAgainAfterItWasDeleted) {
    WriteProfileString(ExeFile(), "Options", "SystemMenu", "0x0");
    WriteProfileString(ExeFile(), "Options", "Action", "Maximize");
    WriteProfileString(ExeFile(), "Extra", "Kept", "yes");
    EXPECT_EQ(Loaded(), "0|Maximize|Default");
    EXPECT_EQ(vt::FileText(UserFile()), vt::FileText(ExeFile()));

    CommonSettings settings = LoadSettings(location_);
    settings.zOrder = "Stay on top";
    SaveSettings(location_, settings);
    EXPECT_EQ(ReadProfileString(ExeFile(), "Options", "ZOrder", "<missing>"), "<missing>");

    ASSERT_TRUE(DeleteFileA(UserFile().c_str()));
    settings.systemMenu = true;
    SaveSettings(location_, settings);
    EXPECT_EQ(ReadProfileString(UserFile(), "Extra", "Kept", ""), "yes");
    EXPECT_EQ(Loaded(), "1|Maximize|Stay on top");
}

TEST_F(SettingsTest, SystemMenuIsAnyNonZeroNumberElseTrue) {
    const std::pair<const char*, bool> cases[] = {{"0", false}, {"0x0", false}, {"0X00", false},
                                                  {"1", true},  {"-3", true},   {"zz", true}};
    for (const auto& [text, expected] : cases) {
        WriteProfileString(SettingsFilePath(location_), "Options", "SystemMenu", text);
        EXPECT_EQ(LoadSettings(location_).systemMenu, expected) << text;
    }
}

TEST_F(SettingsTest, ExecutableFolderIsTheFallback) {
    WriteProfileString(ExeFile(), "Options", "Action", "Normal");
    location_.appDataFolder.clear();
    EXPECT_EQ(SettingsFilePath(location_), ExeFile());
    EXPECT_EQ(LoadSettings(location_).action, "Normal");

    // A file standing where a folder has to go makes the folder impossible to create.
    std::ofstream(root_ + "blocked") << "x";
    location_.appDataFolder = root_ + "blocked\\";
    EXPECT_EQ(SettingsFilePath(location_), ExeFile());
    SaveSettings(location_, CommonSettings{false, "Default", "Normal"});
    EXPECT_EQ(Loaded(), "0|Default|Normal");
}

TEST_F(SettingsTest, NoWriteGoesThroughALinkInTheUserFolder) {
    // Which links count: below the user folder every one, above it none, outside it the file's.
    const std::string root = "C:\\Users\\u\\AppData\\Roaming\\";
    const std::string file = root + "Ostrim\\Vantrel\\vantrel.dat";
    const DWORD dir = FILE_ATTRIBUTE_DIRECTORY, link = FILE_ATTRIBUTE_REPARSE_POINT,
                plain = FILE_ATTRIBUTE_ARCHIVE;
    const struct {
        const char* name;
        std::string root, path;
        DWORD vantrel, dat, datLinks; // the folder "Vantrel" and the file; 0: not there yet
        bool through;
    } cases[] = {
        {"the rest made anew", root, file, 0, 0, 1, false},
        {"plain below a junction above the user folder", root, file, dir, plain, 1, false},
        {"a junction below the user folder", root, file, dir | link, plain, 1, true},
        {"the user folder spelt otherwise", "c:/users/u/appdata/roaming", file, dir | link, plain,
         1, true},
        {"the file a link", root, file, dir, plain | link, 1, true},
        {"the file of two names", root, file, dir, plain, 2, true},
        {"outside the user folder", root, "D:\\Exe\\vantrel.dat", dir, plain, 1, false},
    };
    for (const auto& c : cases) {
        std::map<std::string, platform::PathFacts> disk = {{"C:\\Users", {dir | link, 1}},
                                                           {root + "Ostrim", {dir, 1}},
                                                           {"D:\\Exe", {dir | link, 1}},
                                                           {"D:\\Exe\\vantrel.dat", {plain, 1}}};
        if (c.vantrel != 0) {
            disk[root + "Ostrim\\Vantrel"] = {c.vantrel, 1};
            disk[file] = {c.dat, c.datLinks};
        }
        EXPECT_EQ(platform::ReachesThroughLink(
                      c.root, c.path,
                      [&disk](const std::string& path, platform::PathFacts& facts) {
                          const auto found = disk.find(path);
                          facts = found != disk.end() ? found->second : facts;
                          return found != disk.end();
                      }),
                  c.through)
            << c.name;
    }

    // For real with a hard link, the link Wine can make: neither file is written through it.
    const std::string victim = root_ + "victim.txt";
    std::ofstream(victim, std::ios::binary) << "precious";
    const std::string settings = SettingsFilePath(location_);
    const std::string journalPath = settings.substr(0, settings.rfind('\\') + 1) + "hidden.dat";
    ASSERT_TRUE(CreateHardLinkA(settings.c_str(), victim.c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkA(journalPath.c_str(), victim.c_str(), nullptr));
    // The user is told which file could not be written, and nothing is written elsewhere instead.
    try {
        SaveSettings(location_, CommonSettings());
        ADD_FAILURE() << "the settings were written";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + UserFile());
    }
    const auto window = vt::PlainWindow("hidden");
    HiddenJournal journal;
    journal.SetPath(journalPath, location_.appDataFolder);
    journal.Save({window.get()});
    journal.Save({});
    EXPECT_EQ(vt::FileText(victim), "precious");
    EXPECT_TRUE(vt::Exists(journalPath));
    // Without the links both are written as usual.
    ASSERT_TRUE(DeleteFileA(settings.c_str()));
    ASSERT_TRUE(DeleteFileA(journalPath.c_str()));
    EXPECT_NO_THROW(SaveSettings(location_, CommonSettings()));
    EXPECT_EQ(ReadProfileString(settings, "Options", "Action", ""), "Default");
    journal.Save({window.get()});
    EXPECT_NE(vt::FileText(journalPath).find("Static"), std::string::npos);
    EXPECT_EQ(vt::FileText(victim), "precious");
}

TEST(CheckedFiles, AnOpenedFileCountsOnlyAsThePlainFileItWasMeantToBe) {
    const std::string meant = "\\\\?\\C:\\Users\\u\\AppData\\Roaming\\Ostrim\\Vantrel\\hidden.dat";
    const struct {
        DWORD attributes, links;
        std::string finalPath;
        bool elsewhere;
    } cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, 1, meant, false},
        {FILE_ATTRIBUTE_NORMAL, 1,
         "\\\\?\\c:\\USERS\\u\\appdata\\roaming\\ostrim\\vantrel\\HIDDEN.DAT", false},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, 1, meant, true}, // a link itself
        {FILE_ATTRIBUTE_DIRECTORY, 1, meant, true},
        {FILE_ATTRIBUTE_ARCHIVE, 2, meant, true}, // another name of some other file
        // A junction swapped in on the way: the handle is somewhere else.
        {FILE_ATTRIBUTE_ARCHIVE, 1, "\\\\?\\C:\\Windows\\System32\\hidden.dat", true},
        {FILE_ATTRIBUTE_ARCHIVE, 1, meant + ".x", true},
        {FILE_ATTRIBUTE_ARCHIVE, 1, "", true}, // the system could not say
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::OpenedElsewhere({c.attributes, c.links, c.finalPath}, meant),
                  c.elsewhere)
            << c.attributes << ' ' << c.links << ' ' << c.finalPath;
    }
}

TEST(CheckedFiles, ProfileTextEditsReadBackAsTheSystemWritesThem) {
    const struct {
        std::string before, section, key, value, after;
    } cases[] = {
        {"", "Options", "Action", "Default", "[Options]\r\nAction=Default\r\n"},
        {"[Options]\r\nAction=Old\r\nZOrder=1\r\n", "options", "ACTION", "New",
         "[Options]\r\nACTION=New\r\nZOrder=1\r\n"},
        {"[A]\r\nx=1\r\n\r\n[Options]\r\nk=2\r\n\r\n[B]\r\n", "Options", "Action", "v",
         "[A]\r\nx=1\r\n\r\n[Options]\r\nk=2\r\nAction=v\r\n\r\n[B]\r\n"},
        {"[A]\r\nAction=1", "Options", "Action", "v",
         "[A]\r\nAction=1\r\n[Options]\r\nAction=v\r\n"},
        {"[ Options ]\nAction = 1\n", "Options", "Action", "2", "[ Options ]\nAction=2\r\n"},
        {"[Options]\r\nActions=1\r\n", "Options", "Action", "2",
         "[Options]\r\nActions=1\r\nAction=2\r\n"},
    };
    const vt::TempDir dir;
    const std::string path = dir.path() + "edit.dat";
    for (const auto& c : cases) {
        const std::string after = platform::WithProfileValue(c.before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after) << c.before;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << after;
        EXPECT_EQ(ReadProfileString(path, c.section, c.key, "?"), c.value) << c.before;
    }
}

TEST(Environment, VersionCodesInternetExplorerVersionsRunKeysAndMenuTexts) {
    const struct {
        unsigned platform, major, minor;
        int code;
    } cases[] = {{2, 3, 51, 5}, {2, 4, 0, 6},  {2, 5, 0, 7},  {2, 5, 1, 9},   {2, 5, 2, 10},
                 {2, 5, 3, 7},  {2, 6, 2, 11}, {2, 6, 3, 11}, {2, 10, 0, 10}, {1, 4, 0, 1},
                 {1, 4, 10, 3}, {1, 4, 90, 8}, {1, 4, 1, 10}, {1, 5, 0, 10},  {0, 4, 10, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(VersionCodeFor(c.platform, c.major, c.minor), c.code)
            << c.platform << ' ' << c.major << '.' << c.minor;
    }
    // Without a manifest naming supported systems every NT 6 and later reports 6.x.
    EXPECT_EQ(WindowsVersionCode(), 11);
    for (const auto& [text, major] :
         {std::pair{"9.11.9600.17843", 9}, {"11.0", 11}, {"11", 0}, {"x.1", 0}, {".1", 0}}) {
        EXPECT_EQ(IEMajorVersionFrom(text), major) << text;
    }
    EXPECT_EQ(RunKeyPath(true), "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(RunKeyPath(false), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

    const platform::UniqueMenu menu(CreatePopupMenu());
    ASSERT_TRUE(menu);
    AppendMenuA(menu.get(), MF_STRING, 1, "&Restore");
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, 2, "Minimize to tray");
    EXPECT_TRUE(MenuContainsText(menu.get(), "to tray"));
    EXPECT_FALSE(MenuContainsText(menu.get(), "To Tray"));
    EXPECT_FALSE(MenuContainsText(menu.get(), "Stay on top"));
}

// A quoted path with " -Start" reads back as on; a start without it does not. (Writing and
// removing the value: the Options dialog's auto-start test.)
TEST(AutoStartTest, OnlyAQuotedPathWithStartReadsBackAsOn) {
    const vt::TestRunKey run;
    EXPECT_FALSE(ReadAutoStart(run.path()));
    const std::string exe = "C:\\Program Files\\Vantrel\\Vantrel.exe";
    EXPECT_EQ(AutoStartCommand(exe), '"' + exe + "\" -Start");
    for (const auto& [value, on] : {std::pair{AutoStartCommand(exe), true},
                                    {"C:\\x.exe -start", false},
                                    {"\"C:\\x.exe\" -Start -Other", true}}) {
        run.Set("Vantrel", value);
        EXPECT_EQ(ReadAutoStart(run.path()), on) << value;
    }
}

TEST(AutoStartTest, LogonTaskRunsTheProgramWithStartAndHighestRightsAtTheUsersLogon) {
    const std::wstring xml = LogonTaskXml("C:\\Tools & More\\Vantrel.exe", "S-1-5-21-1-2-3-1001");
    for (const wchar_t* part :
         {L"<LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n"
          L"      <UserId>S-1-5-21-1-2-3-1001</UserId>",
          L"<UserId>S-1-5-21-1-2-3-1001</UserId>\r\n"
          L"      <LogonType>InteractiveToken</LogonType>",
          L"<RunLevel>HighestAvailable</RunLevel>",
          L"<Command>C:\\Tools &amp; More\\Vantrel.exe</Command>", L"<Arguments>-Start</Arguments>",
          L"<WorkingDirectory>C:\\Tools &amp; More</WorkingDirectory>",
          L"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
          L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"}) {
        EXPECT_NE(xml.find(part), std::wstring::npos) << std::string(part, part + wcslen(part));
    }
    // An unknown user leaves the choice to the scheduler rather than naming nobody.
    EXPECT_EQ(LogonTaskXml("C:\\V\\Vantrel.exe", "").find(L"UserId"), std::wstring::npos);
    EXPECT_EQ(platform::CurrentUserSid().rfind("S-1-5-", 0), 0u) << platform::CurrentUserSid();
    // Under Wine the shell runs as the same user as the tests.
    EXPECT_EQ(platform::InteractiveUserSid(), platform::CurrentUserSid());
}

} // namespace
} // namespace vantrel
