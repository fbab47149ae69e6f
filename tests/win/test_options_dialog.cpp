// The Options dialog and the Settings command, driven through the real dialog. Settings live in a
// private folder and auto start in a private key, so the machine's Run key is never touched.
#include "app/main_form.h"
#include "platform/handles.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/task_scheduler.h"
#include "rules/rule.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "ui/environment.h"
#include "ui/options_dialog.h"
#include "ui/settings.h"
#include "ui/settings_command.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace vantrel {
namespace {

using vt::BoxAnswerer;
using vt::ShownBox;

const char* const kExePath = "C:\\Program Files\\Vantrel Test\\Vantrel.exe";
const char* const kTestRoot = "Software\\VantrelTest";
const HRESULT kNoTask = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

using vt::Exists;
using vt::FileText;

HWND Ctl(const Form& form, int id) {
    return vt::Control(form.Handle(), id);
}

// Selects one item of a radio group and tells the form, as a mouse click would.
void Choose(const Form& form, int firstId, int count, int index) {
    for (int i = 0; i < count; ++i) {
        SetChecked(Ctl(form, firstId + i), i == index);
    }
    vt::Click(Ctl(form, firstId + index));
}

int Selected(const Form& form, int firstId, int count) {
    int selected = -1;
    for (int i = 0; i < count; ++i) {
        if (IsChecked(Ctl(form, firstId + i))) {
            EXPECT_EQ(selected, -1) << "two items selected";
            selected = i;
        }
    }
    return selected;
}

struct RegValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string data;
};

RegValue ReadValue(const std::string& keyPath, const char* name) {
    RegValue value;
    platform::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) != ERROR_SUCCESS) {
        return value;
    }
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    if (::RegQueryValueExA(key.Get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer),
                           &size) == ERROR_SUCCESS) {
        value.present = true;
        value.data.assign(buffer, value.type == REG_SZ && size > 0 ? size - 1 : size);
    }
    return value;
}

bool KeyExists(const std::string& keyPath) {
    platform::RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) == ERROR_SUCCESS;
}

// A private stand-in for the Run key, removed with everything in it; the shared parent goes too
// once nothing else is left in it.
class TestRunKey {
public:
    TestRunKey() : path_(std::string(kTestRoot) + "\\" + vt::UniqueName("Run")) {}
    ~TestRunKey() {
        // A test that failed with the box ticked leaves its logon task behind.
        platform::DeleteTask(task());
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestRoot);
    }
    TestRunKey(const TestRunKey&) = delete;
    TestRunKey& operator=(const TestRunKey&) = delete;

    const std::string& path() const { return path_; }
    // The logon task of a dialog that writes this key.
    std::string task() const {
        return std::string(kAutoStartTaskName) + " " + path_.substr(path_.find_last_of('\\') + 1);
    }
    RegValue Value(const char* name = "Vantrel") const { return ReadValue(path_, name); }
    void SetString(const char* name, const std::string& data) const {
        platform::RegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, path_, KEY_SET_VALUE), ERROR_SUCCESS);
        ASSERT_EQ(key.WriteString(name, data), ERROR_SUCCESS);
    }
    void SetDword(const char* name, DWORD data) const {
        platform::RegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, path_, KEY_SET_VALUE), ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExA(key.Get(), name, 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&data), sizeof data),
                  ERROR_SUCCESS);
    }

private:
    std::string path_;
};

// Shows a dialog with `script` running inside its modal loop; returns the modal result.
int RunModal(Form& dialog, const std::function<void(const Form&)>& script) {
    vt::WhenModalOpens("Options", script);
    const vt::ModalDeadline deadline;
    const int result = dialog.ShowModal();
    EXPECT_EQ(deadline.Ended(), 0) << "the script left the dialog open";
    return result;
}

// As the installer leaves Program Files: changed by Administrators, SYSTEM and TrustedInstaller,
// read and run by users.
constexpr char kInstalled[] =
    "O:S-1-5-80-956008885-3425634829-2722637470-1476479046-2237066491"
    "D:(A;;FA;;;S-1-5-80-956008885-3425634829-2722637470-1476479046-2237066491)"
    "(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)";
// As a folder in the user's profile: the user may change it.
constexpr char kUserWritable[] = "O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)"
                                 "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        location_.exeFolder = dir_.path() + "exe\\";
        UseSettingsFolder("appdata");
        runKeyPath_ = runKey_.path();
    }
    void TearDown() override {
        EXPECT_EQ(vt::DropPendingScripts(), 0);
        // Nothing the dialog registered or wrote outlives the test.
        std::vector<std::string> tasks = {runKey_.task()};
        if (dialog_) {
            tasks.push_back(dialog_->TaskName());
        }
        for (const std::string& task : tasks) {
            std::wstring xml;
            EXPECT_EQ(platform::ReadTaskXml(task, xml), kNoTask) << task;
        }
        EXPECT_NE(runKey_.Value().data, AutoStartCommand(kExePath));
    }

    // A fresh dialog over the test's settings and key, shown with `script` in its modal loop.
    int Run(const std::function<void(const TfrmOptions&)>& script, int versionCode = 10) {
        dialog_ = std::make_unique<TfrmOptions>(nullptr, settings_, location_, versionCode,
                                                kExePath, runKeyPath_);
        dialog_->SetSecurityQuery(security_);
        dialog_->SetTaskScheduler(scheduler_);
        return RunModal(*dialog_, [script](const Form& form) {
            script(static_cast<const TfrmOptions&>(form));
        });
    }
    int RunOk(const std::function<void(const TfrmOptions&)>& steps = {}) {
        return Run([steps](const TfrmOptions& d) {
            if (steps) {
                steps(d);
            }
            vt::Click(Ctl(d, TfrmOptions::kIdOk));
        });
    }
    // Settings of their own, none stored yet: the system keeps recently read files cached by
    // name, so a run must never read what an earlier one wrote.
    void UseSettingsFolder(const std::string& name) {
        location_.appDataFolder = dir_.path() + name + "\\";
        settingsFile_ = location_.appDataFolder + "Ostrim\\Vantrel\\vantrel.dat";
        settings_ = CommonSettings{};
    }
    void WriteSettings(const std::string& systemMenu, const std::string& action,
                       const std::string& zOrder) {
        const std::string path = SettingsFilePath(location_);
        ASSERT_TRUE(platform::WriteProfileString(path, "Options", "SystemMenu", systemMenu));
        ASSERT_TRUE(platform::WriteProfileString(path, "Options", "Action", action));
        ASSERT_TRUE(platform::WriteProfileString(path, "Options", "ZOrder", zOrder));
        settings_ = LoadSettings(location_);
    }
    std::string Stored(const char* key) const {
        return platform::ReadProfileString(settingsFile_, "Options", key, "<missing>");
    }

    vt::TempDir dir_;
    SettingsLocation location_;
    std::string settingsFile_;
    CommonSettings settings_;
    TestRunKey runKey_;
    std::string runKeyPath_; // the key the dialog writes, runKey_ itself unless a test moves it
    BoxAnswerer boxes_;
    // As installed: Wine's own answers come from the Unix side.
    SecurityQuery security_ = [](const std::string&) { return std::string(kInstalled); };
    TaskScheduler scheduler_;
    std::unique_ptr<TfrmOptions> dialog_;
};

TEST_F(OptionsDialog, LayoutAndTheStoredChoicesShown) {
    settings_ = CommonSettings{false, "Minimize to tray", "Normal"};
    platform::UniqueWindow owner(::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 150,
                                                   100, 800, 600, nullptr, nullptr,
                                                   ::GetModuleHandleA(nullptr), nullptr));
    TfrmOptions dialog(owner.get(), settings_, location_, 10, kExePath, runKey_.path());
    RECT frame{};
    HWND focus = nullptr;
    int action = -1;
    int zOrder = -1;
    EXPECT_EQ(RunModal(dialog,
                       [&](const Form& d) {
                           ::GetWindowRect(d.Handle(), &frame);
                           focus = ::GetFocus();
                           action = Selected(d, TfrmOptions::kIdActionFirst, 5);
                           zOrder = Selected(d, TfrmOptions::kIdZOrderFirst, 3);
                           vt::Click(Ctl(d, TfrmOptions::kIdCancel));
                       }),
              kResultCancel);
    EXPECT_EQ(action, 4);
    EXPECT_EQ(zOrder, 2);
    // The box is the inverse of SystemMenu.
    EXPECT_TRUE(IsChecked(Ctl(dialog, TfrmOptions::kIdSystemMenu)));
    EXPECT_EQ(dialog.RunKey(), runKey_.path());

    const HWND form = dialog.Handle();
    EXPECT_EQ(ControlText(form), "Options");
    RECT client{};
    ::GetClientRect(form, &client);
    EXPECT_EQ(client.right, 399);
    EXPECT_EQ(client.bottom, 261);
    EXPECT_EQ(::GetWindowLongPtrA(form, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(::GetWindow(form, GW_OWNER), owner.get());
    EXPECT_NEAR((frame.left + frame.right) / 2, 150 + 400, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, 100 + 300, 1);
    EXPECT_EQ(focus, Ctl(dialog, TfrmOptions::kIdAutoStart));

    using O = TfrmOptions;
    const std::vector<std::pair<HWND, std::string>> captions = {
        {vt::ControlByText(form, "Common"), "Common"},
        {Ctl(dialog, O::kIdAutoStart), "Auto &start when system start"},
        {Ctl(dialog, O::kIdSystemMenu), "Don't add system &menu to other applications"},
        {vt::ControlByText(form, "Other applications that no set rule"),
         "Other applications that no set rule"},
        {vt::ControlByText(form, "Next start action"), "Next start &action"},
        {vt::ControlByText(form, "Next start Z Order"), "Next start &Z Order"},
        {Ctl(dialog, O::kIdOk), "&OK"},
        {Ctl(dialog, O::kIdCancel), "&Cancel"},
    };
    for (const auto& [control, text] : captions) {
        ASSERT_NE(control, nullptr) << text;
        // Every control is the form's own child, so its notifications reach the form.
        EXPECT_EQ(::GetParent(control), form) << text;
        EXPECT_EQ(ControlText(control), text);
    }
    // The choices are the program's own tables, and each of them tells its items apart.
    std::set<std::string> actions;
    for (int i = 0; i < kActionCount; ++i) {
        EXPECT_EQ(ControlText(Ctl(dialog, O::kIdActionFirst + i)), ActionTexts(i));
        actions.insert(ActionTexts(i));
    }
    std::set<std::string> zOrders;
    for (int i = 0; i < kZOrderCount; ++i) {
        EXPECT_EQ(ControlText(Ctl(dialog, O::kIdZOrderFirst + i)), ZOrderTexts(i));
        zOrders.insert(ZOrderTexts(i));
    }
    EXPECT_EQ(actions.size(), static_cast<std::size_t>(kActionCount));
    EXPECT_EQ(zOrders.size(), static_cast<std::size_t>(kZOrderCount));
    vt::ExpectSoundLayout(form);
    EXPECT_EQ(Ctl(dialog, O::kIdActionFirst + 5), nullptr);
    EXPECT_EQ(Ctl(dialog, O::kIdZOrderFirst + 3), nullptr);
    HWND icon = nullptr;
    for (HWND child = ::GetWindow(form, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = child;
        }
    }
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(::SendMessageA(icon, STM_GETICON, 0, 0), 0);
    EXPECT_TRUE(vt::ShownBoxes().empty());
}

TEST_F(OptionsDialog, EnterIsOkAndEscIsCancelFromTheKeyboard) {
    const struct {
        WORD key;
        int result;
    } cases[] = {{VK_ESCAPE, kResultCancel}, {VK_RETURN, kResultOk}};
    for (const auto& c : cases) {
        EXPECT_EQ(
            Run([&](const TfrmOptions& d) {
                ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == d.Handle(); }));
                EXPECT_EQ(::GetWindowLongA(Ctl(d, TfrmOptions::kIdOk), GWL_STYLE) & BS_TYPEMASK,
                          BS_DEFPUSHBUTTON);
                vt::PressKey(c.key);
            }),
            c.result)
            << c.key;
    }
}

// A scheduler that gives every call the same answer: one that refuses, or none on the system.
TaskScheduler AnsweringAlways(HRESULT hr) {
    TaskScheduler scheduler;
    scheduler.registerXml = [hr](const std::string&, const std::wstring&) { return hr; };
    scheduler.remove = [hr](const std::string&) { return hr; };
    scheduler.read = [hr](const std::string&, std::wstring&) { return hr; };
    return scheduler;
}

// One logon start, whatever the scheduler does: the task where it takes one, else the Run value
// in its place; a refusal is reported, a missing scheduler is not. Unticking removes both, and
// only ours.
TEST_F(OptionsDialog, AutoStartIsTheTaskOrTheRunValueInItsPlace) {
    runKey_.SetString("Other", "C:\\other.exe");
    const std::string refused = "Failed to set data for '" + runKey_.task() + "'";
    const struct {
        const char* scheduler;
        TaskScheduler calls;
        bool task;       // registered with the system's scheduler
        bool runValue;   // set beside it
        std::string box; // what the user is told on ticking and on unticking
    } cases[] = {
        {"system", TaskScheduler{}, true, false, ""},
        {"refusing", AnsweringAlways(E_ACCESSDENIED), false, true, refused},
        {"missing", AnsweringAlways(REGDB_E_CLASSNOTREG), false, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scheduler);
        scheduler_ = c.calls;
        for (const bool tick : {true, false}) {
            const std::size_t boxesBefore = vt::ShownBoxes().size();
            bool shown = tick;
            EXPECT_EQ(RunOk([&](const TfrmOptions& d) {
                          shown = IsChecked(Ctl(d, TfrmOptions::kIdAutoStart));
                          vt::Toggle(Ctl(d, TfrmOptions::kIdAutoStart));
                      }),
                      kResultOk);
            EXPECT_EQ(shown, !tick) << "read back from what the last OK wrote";
            std::wstring xml;
            EXPECT_EQ(platform::ReadTaskXml(runKey_.task(), xml), tick && c.task ? S_OK : kNoTask);
            EXPECT_EQ(xml.find(L"PT0S") != std::wstring::npos, tick && c.task);
            EXPECT_EQ(runKey_.Value().data, tick && c.runValue ? AutoStartCommand(kExePath) : "");
            EXPECT_EQ(runKey_.Value("Other").data, "C:\\other.exe");
            ASSERT_EQ(vt::ShownBoxes().size(), boxesBefore + (c.box.empty() ? 0 : 1));
            if (!c.box.empty()) {
                EXPECT_EQ(vt::ShownBoxes().back().text, c.box);
            }
        }
    }
    // Auto start is not one of the settings kept in the file.
    EXPECT_FALSE(Exists(settingsFile_));
}

TEST_F(OptionsDialog, AutoStartFromAFolderOthersCanChangeSetsNeitherAndSaysWhy) {
    // A user may change one file of the program: ticking sets neither the Run value nor the task,
    // and one message says why. Unticking still removes both.
    security_ = [](const std::string& path) {
        return path.size() > 9 && path.substr(path.size() - 9) == "rules.dat" ? kUserWritable
                                                                              : kInstalled;
    };
    runKey_.SetString("Vantrel", "\"C:\\Program Files\\Vantrel Test\\Vantrel.exe\" -Start");
    EXPECT_EQ(RunOk([](const TfrmOptions& d) {
                  if (!IsChecked(Ctl(d, TfrmOptions::kIdAutoStart))) {
                      vt::Toggle(Ctl(d, TfrmOptions::kIdAutoStart));
                  }
              }),
              kResultOk);
    EXPECT_FALSE(runKey_.Value().present);
    std::wstring xml;
    EXPECT_EQ(platform::ReadTaskXml(dialog_->TaskName(), xml), kNoTask);
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    EXPECT_NE(vt::ShownBoxes()[0].text.find("Program Files"), std::string::npos);
}

TEST(AutoStartFolder, OnlyAdministratorsMayChangeWhatStartsElevated) {
    const std::string exe = "C:\\Program Files\\Vantrel\\Vantrel.exe";
    const struct {
        std::string path; // whose descriptor differs from the installed one ("" none)
        std::string sddl;
        bool allowed;
    } cases[] = {
        {"", "", true},
        {exe, kUserWritable, false},
        {"C:\\Program Files\\Vantrel", kUserWritable, false},
        {"C:\\Program Files\\Vantrel\\vantrel_hook32.dll", kUserWritable, false},
        {"C:\\Program Files\\Vantrel\\rules.dat", "", true}, // missing: nobody can add it
        {"C:\\Program Files\\Vantrel\\rules.dat", "unreadable", false},
        // Owned by a user, who may rewrite the DACL whatever it says.
        {exe, "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)(A;;FA;;;SY)", false},
        {exe, "O:BAD:", true},                                    // nobody may even read
        {exe, "O:BA", false},                                     // no DACL: everyone may
        {exe, "O:BAD:(A;OICIIO;FA;;;S-1-5-21-1-2-3-1001)", true}, // for children only
        {exe, "O:BAD:(D;;FA;;;WD)(A;;FR;;;WD)", true},            // read for everyone
        {exe, "O:BAD:(A;;FA;;;S-1-5-80-956008885-3425634829-2722637470-1476479046-2237066491)",
         true},
        {exe, "O:BAD:(A;;0x100;;;AU)", false}, // FILE_WRITE_ATTRIBUTES
        {exe, "O:BAD:(A;;GW;;;AU)", false},
        // The folders above may be added to (C:\\ lets users make folders), not moved.
        {"C:\\", "O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x4;;;AU)(A;OICIIO;SDGXGWGR;;;AU)", true},
        {"C:\\Program Files", "O:BAD:(A;;DE;;;AU)", false},
        {"C:\\", "O:BAD:(A;;WD;;;BU)", false},
    };
    for (const auto& c : cases) {
        const SecurityQuery query = [&c](const std::string& path) {
            return path == c.path ? c.sddl : std::string(kInstalled);
        };
        EXPECT_EQ(InstalledForAutoStart(exe, query), c.allowed) << c.path << " " << c.sddl;
    }
    // The system's answers for a folder the user made: not one to start elevated from.
    const vt::TempDir dir;
    EXPECT_FALSE(InstalledForAutoStart(dir.path() + "Vantrel.exe", SystemSecurityOf));
}

TEST_F(OptionsDialog, NonTextRunValueIsReportedAndTheBoxOpensClear) {
    runKey_.SetDword("Vantrel", 1);
    bool ticked = true;
    bool opened = false;
    size_t boxesBeforeOpen = 0;
    EXPECT_EQ(Run([&](const TfrmOptions& d) {
                  opened = true;
                  boxesBeforeOpen = vt::ShownBoxes().size();
                  ticked = IsChecked(Ctl(d, TfrmOptions::kIdAutoStart));
                  vt::Click(Ctl(d, TfrmOptions::kIdCancel));
              }),
              kResultCancel);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(ticked);
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    EXPECT_EQ(boxesBeforeOpen, 1u); // reported as the dialog opened, not later
    EXPECT_EQ(vt::ShownBoxes()[0].title, "Vantrel");
    EXPECT_EQ(vt::ShownBoxes()[0].text, "Invalid data type for 'Vantrel'");
    // Cancel leaves the odd value alone; OK with the box clear removes it without complaint.
    EXPECT_EQ(runKey_.Value().type, static_cast<DWORD>(REG_DWORD));
    const size_t shownBefore = vt::ShownBoxes().size();
    EXPECT_EQ(RunOk(), kResultOk);
    EXPECT_EQ(vt::ShownBoxes().size(), shownBefore + 1); // only the one on opening
    EXPECT_FALSE(runKey_.Value().present);
}

// Each row starts from a file of its own, or none, and OKs its choices: the dialog showed what
// was stored, tells which kind of setting changed, and memory and file hold all three keys. The
// file is rewritten only for a change; the Run key, removed outside, is made again by every OK.
TEST_F(OptionsDialog, OkStoresTheChoicesAsTheirTextsAndTellsWhatChanged) {
    using O = TfrmOptions;
    // SystemMenu, Action and ZOrder as the file holds them; the box shows the inverse of the first.
    using Texts = std::vector<std::string>;
    const auto toggleSystemMenu = [](const O& d) { vt::Toggle(Ctl(d, O::kIdSystemMenu)); };
    const struct {
        const char* name;
        Texts stored; // no file when empty
        Texts shown;
        std::function<void(const O&)> choose;
        bool defaultsChanged;
        bool systemMenuChanged;
        Texts after;
    } rows[] = {
        {"nothing chosen", Texts{"1", "Normal", "Stay on top"}, Texts{"1", "Normal", "Stay on top"},
         nullptr, false, false, Texts{"1", "Normal", "Stay on top"}},
        {"stored text in another case shows as default and is corrected",
         Texts{"1", "maximize", "Stay on top"}, Texts{"1", "Default", "Stay on top"}, nullptr, true,
         false, Texts{"1", "Default", "Stay on top"}},
        {"the item matching the stored text but for its case is a change",
         Texts{"1", "Default", "normal"}, Texts{"1", "Default", "Default"},
         [](const O& d) { Choose(d, O::kIdZOrderFirst, 3, 2); }, true, false,
         Texts{"1", "Default", "Normal"}},
        {"chosen defaults with no file before", Texts{}, Texts{"1", "Default", "Default"},
         [](const O& d) {
             Choose(d, O::kIdActionFirst, 5, 4);
             Choose(d, O::kIdZOrderFirst, 3, 2);
         },
         true, false, Texts{"1", "Minimize to tray", "Normal"}},
        {"the z order alone is a change of the defaults", Texts{"1", "Minimize to tray", "Normal"},
         Texts{"1", "Minimize to tray", "Normal"},
         [](const O& d) { Choose(d, O::kIdZOrderFirst, 3, 1); }, true, false,
         Texts{"1", "Minimize to tray", "Stay on top"}},
        {"ticking the system menu box with no file before", Texts{},
         Texts{"1", "Default", "Default"}, toggleSystemMenu, false, true,
         Texts{"0", "Default", "Default"}},
        {"unticking the system menu box", Texts{"0", "Default", "Default"},
         Texts{"0", "Default", "Default"}, toggleSystemMenu, false, true,
         Texts{"1", "Default", "Default"}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE(row.name);
        UseSettingsFolder("row" + std::to_string(i));
        if (!row.stored.empty()) {
            WriteSettings(row.stored[0], row.stored[1], row.stored[2]);
        }
        const std::string before = FileText(settingsFile_);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, runKey_.path().c_str()); // as if removed outside
        Texts shown;
        EXPECT_EQ(RunOk([&](const O& d) {
                      const auto chosen = [&d](int first, int count) {
                          const int index = Selected(d, first, count);
                          return index < 0 ? "<none>" : ControlText(Ctl(d, first + index));
                      };
                      shown = {IsChecked(Ctl(d, O::kIdSystemMenu)) ? "0" : "1",
                               chosen(O::kIdActionFirst, 5), chosen(O::kIdZOrderFirst, 3)};
                      if (row.choose) {
                          row.choose(d);
                      }
                  }),
                  kResultOk);
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(dialog_->DefaultsChanged(), row.defaultsChanged);
        EXPECT_EQ(dialog_->SystemMenuChanged(), row.systemMenuChanged);
        EXPECT_EQ((Texts{settings_.systemMenu ? "1" : "0", settings_.action, settings_.zOrder}),
                  row.after);
        // Every key is written, the unchanged ones too.
        EXPECT_EQ((Texts{Stored("SystemMenu"), Stored("Action"), Stored("ZOrder")}), row.after);
        EXPECT_EQ(FileText(settingsFile_) == before,
                  !row.defaultsChanged && !row.systemMenuChanged);
        EXPECT_TRUE(KeyExists(runKey_.path()));
        EXPECT_FALSE(runKey_.Value().present);
        EXPECT_TRUE(vt::ShownBoxes().empty());
    }
}

TEST_F(OptionsDialog, VersionCodeElevenGreysTheSystemMenuBoxWithItsState) {
    settings_.systemMenu = false;
    for (int code : {11, 10, 7}) {
        bool enabled = code == 11;
        bool ticked = false;
        Run(
            [&](const TfrmOptions& d) {
                enabled = ::IsWindowEnabled(Ctl(d, TfrmOptions::kIdSystemMenu)) != FALSE;
                ticked = IsChecked(Ctl(d, TfrmOptions::kIdSystemMenu));
                vt::Click(Ctl(d, TfrmOptions::kIdCancel));
            },
            code);
        EXPECT_EQ(enabled, code != 11) << "code " << code;
        EXPECT_TRUE(ticked) << "code " << code;
    }
}

TEST_F(OptionsDialog, CancelChangesNothing) {
    WriteSettings("1", "Normal", "Stay on top");
    runKey_.SetString("Vantrel", "D:\\Old\\Vantrel.exe -Start");
    const std::string before = FileText(settingsFile_);
    EXPECT_EQ(Run([](const TfrmOptions& d) {
                  vt::Toggle(Ctl(d, TfrmOptions::kIdAutoStart));
                  vt::Toggle(Ctl(d, TfrmOptions::kIdSystemMenu));
                  Choose(d, TfrmOptions::kIdActionFirst, 5, 1);
                  Choose(d, TfrmOptions::kIdZOrderFirst, 3, 2);
                  vt::Click(Ctl(d, TfrmOptions::kIdCancel));
              }),
              kResultCancel);
    EXPECT_FALSE(dialog_->DefaultsChanged());
    EXPECT_FALSE(dialog_->SystemMenuChanged());
    EXPECT_TRUE(settings_.systemMenu);
    EXPECT_EQ(settings_.action, "Normal");
    EXPECT_EQ(settings_.zOrder, "Stay on top");
    EXPECT_EQ(FileText(settingsFile_), before);
    EXPECT_EQ(runKey_.Value().data, "D:\\Old\\Vantrel.exe -Start");
    EXPECT_TRUE(vt::ShownBoxes().empty());
}

TEST_F(OptionsDialog, FailedSettingsWriteIsReportedAndSkipsTheRunValue) {
    // A folder in the file's place refuses every write.
    ASSERT_TRUE(::CreateDirectoryA(location_.appDataFolder.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((location_.appDataFolder + "Ostrim").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((location_.appDataFolder + "Ostrim\\Vantrel").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(settingsFile_.c_str(), nullptr));
    EXPECT_EQ(RunOk([](const TfrmOptions& d) {
                  vt::Toggle(Ctl(d, TfrmOptions::kIdAutoStart));
                  Choose(d, TfrmOptions::kIdActionFirst, 5, 1);
              }),
              kResultOk);
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    EXPECT_EQ(vt::ShownBoxes()[0].text, "Unable to write to " + settingsFile_);
    // The choices hold in memory for the caller to apply; auto start was not reached.
    EXPECT_TRUE(dialog_->DefaultsChanged());
    EXPECT_EQ(settings_.action, "Maximize");
    EXPECT_FALSE(runKey_.Value().present);
}

TEST_F(OptionsDialog, FailedRunValueWriteIsReportedAndStillCloses) {
    // A volatile key takes no lasting subkey, so the Run key cannot be created under it.
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, runKey_.path().c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&::RegCloseKey)> parent(
        raw, &::RegCloseKey);
    runKeyPath_ = runKey_.path() + "\\Run";
    // Without a scheduler the Run value is the entry to write.
    scheduler_ = AnsweringAlways(REGDB_E_CLASSNOTREG);
    EXPECT_EQ(RunOk([](const TfrmOptions& d) {
                  vt::Toggle(Ctl(d, TfrmOptions::kIdAutoStart));
                  Choose(d, TfrmOptions::kIdZOrderFirst, 3, 1);
              }),
              kResultOk);
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    EXPECT_EQ(vt::ShownBoxes()[0].title, "Vantrel");
    EXPECT_EQ(vt::ShownBoxes()[0].text, "Failed to set data for 'Vantrel'");
    // The settings were saved before the Run value was tried.
    EXPECT_TRUE(dialog_->DefaultsChanged());
    EXPECT_EQ(Stored("ZOrder"), "Stay on top");
    EXPECT_FALSE(KeyExists(runKeyPath_));
}

// The Settings command on a real main window, with other applications' windows around it.
class OptionsCommand : public vt::MainFormTest {
protected:
    void TearDown() override {
        EXPECT_EQ(vt::DropPendingScripts(), 0);
        vt::MainFormTest::TearDown();
    }
    void Execute(const std::function<void(const Form&)>& script) {
        vt::WhenModalOpens("Options", script);
        const vt::ModalDeadline deadline;
        aSettingsExecute(form(), runKey_.path());
        EXPECT_EQ(deadline.Ended(), 0) << "the script left the dialog open";
    }
    std::string StoredSetting(const char* key) const {
        return platform::ReadProfileString(folder() + "appdata\\Ostrim\\Vantrel\\vantrel.dat",
                                           "Options", key, "<missing>");
    }

    TestRunKey runKey_;
    BoxAnswerer boxes_;
};

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

TEST_F(OptionsCommand, NewDefaultActionReachesOnlyWindowsWithoutARule) {
    vt::Fixture fixture;
    vt::WindowSpec freeSpec;
    freeSpec.className = vt::UniqueName("OptFree");
    freeSpec.caption = "no rule";
    const HWND unruled = fixture.CreateOne(freeSpec);
    vt::WindowSpec claimed;
    claimed.className = vt::UniqueName("OptRuled");
    claimed.caption = "has a rule";
    const HWND ruled = fixture.CreateOne(claimed);

    auto& f = Start();
    const int unruledRow = RowOf(unruled);
    ASSERT_GE(unruledRow, 0);
    ASSERT_GE(f.windows().Find(ruled), 0);
    EXPECT_EQ(f.windows().At(unruledRow).autoAction, "Default");
    // The rule is found whatever the letter case, so it protects its window from the defaults
    // (which, as no rule matches the window exactly, would maximize it too).
    f.rules().append(WindowRule{Upper(claimed.className), "Default", "Default", "", "-", "-"});
    ASSERT_FALSE(::IsZoomed(unruled));
    ASSERT_FALSE(::IsZoomed(ruled));

    Execute([](const Form& d) {
        Choose(d, TfrmOptions::kIdActionFirst, 5, 1);
        vt::Click(Ctl(d, TfrmOptions::kIdOk));
    });
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(unruled) != FALSE; }));
    EXPECT_EQ(f.settings().action, "Maximize");
    EXPECT_EQ(StoredSetting("Action"), "Maximize");
    const int row = f.windows().Find(unruled);
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.windows().At(row).autoAction, "Maximize");
    EXPECT_EQ(f.windows().At(row).autoZOrder, "Default");
    // Maximizing is done by the time the command returns, so the other window had its turn.
    EXPECT_FALSE(::IsZoomed(ruled));
    EXPECT_FALSE(::IsIconic(ruled));
    EXPECT_TRUE(vt::ShownBoxes().empty());
}

TEST_F(OptionsCommand, SystemMenuAloneSavesButLeavesTheWindowsAlone) {
    vt::Fixture fixture;
    const HWND window = fixture.CreateOfNewClass("OptMenu");
    auto& f = Start();
    ASSERT_GE(RowOf(window), 0);
    // A default that was never carried out: only a change of the defaults would carry it out now.
    f.settings().action = "Maximize";
    ASSERT_FALSE(::IsZoomed(window));

    Execute([](const Form& d) {
        vt::Toggle(Ctl(d, TfrmOptions::kIdSystemMenu));
        vt::Click(Ctl(d, TfrmOptions::kIdOk));
    });
    EXPECT_FALSE(f.settings().systemMenu);
    EXPECT_EQ(StoredSetting("SystemMenu"), "0");
    EXPECT_EQ(StoredSetting("Action"), "Maximize");
    EXPECT_FALSE(::IsZoomed(window));
    EXPECT_GE(f.windows().Find(window), 0);
    EXPECT_TRUE(vt::ShownBoxes().empty());
}

} // namespace
} // namespace vantrel
