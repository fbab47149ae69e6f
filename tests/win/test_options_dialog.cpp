// The Options dialog and the Settings command, driven through the real dialog. Settings live in a
// private folder and auto start in a private key, so the machine's Run key is never touched.
#include "app/main_form.h"
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
#include <shlobj.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace vantrel {
namespace {

using O = TfrmOptions;
using vt::Control;
const char* const kExePath = "C:\\Program Files\\Vantrel Test\\Vantrel.exe";
const HRESULT kNoTask = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

int CountOf(int firstId) {
    return firstId == O::kIdActionFirst ? kActionCount : kZOrderCount;
}

// The captions of the radio group's selected items, joined by '+'.
std::string Chosen(const Form& form, int firstId) {
    std::string chosen;
    for (int i = 0; i < CountOf(firstId); ++i) {
        if (IsChecked(Control(form, firstId + i))) {
            chosen += (chosen.empty() ? "" : "+") + ControlText(Control(form, firstId + i));
        }
    }
    return chosen.empty() ? "<none>" : chosen;
}

// What a person clicks in the dialog: an item of each radio group (-1 none), and which boxes.
void Change(const Form& form, int action, int zOrder, bool systemMenu = false,
            bool autoStart = false) {
    for (const int id :
         {action < 0 ? 0 : O::kIdActionFirst + action, zOrder < 0 ? 0 : O::kIdZOrderFirst + zOrder,
          systemMenu ? O::kIdSystemMenu : 0, autoStart ? O::kIdAutoStart : 0}) {
        if (id != 0) {
            ::SendMessageA(Control(form, id), BM_CLICK, 0, 0);
        }
    }
}

bool KeyExists(const std::string& keyPath) {
    platform::RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) == ERROR_SUCCESS;
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

// A scheduler that gives every call the same answer: one that refuses, or none on the system.
TaskScheduler AnsweringAlways(HRESULT hr) {
    return {[hr](const std::string&, const std::wstring&) { return hr; },
            [hr](const std::string&) { return hr; },
            [hr](const std::string&, std::wstring&) { return hr; }};
}

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        location_.exeFolder = dir_.path() + "exe\\";
        UseSettingsFolder("appdata");
    }
    void TearDown() override {
        // Nothing the dialog registered or wrote outlives the test.
        std::wstring xml;
        EXPECT_EQ(platform::ReadTaskXml(runKey_.task(), xml), kNoTask);
        if (dialog_) {
            EXPECT_EQ(platform::ReadTaskXml(dialog_->TaskName(), xml), kNoTask);
        }
        EXPECT_NE(runKey_.Value(), AutoStartCommand(kExePath));
    }

    int Run(const std::function<void(const O&)>& script, int versionCode = 10,
            HWND owner = nullptr) {
        dialog_ =
            std::make_unique<O>(owner, settings_, location_, versionCode, kExePath, runKeyPath_);
        dialog_->SetSecurityQuery(security_);
        dialog_->SetTaskScheduler(scheduler_);
        return vt::RunModal(*dialog_, [script](Form& form) { script(static_cast<O&>(form)); });
    }
    int RunOk(const std::function<void(const O&)>& steps = [](const O&) {}) {
        return Run([steps](const O& d) {
            steps(d);
            vt::Click(Control(d, O::kIdOk));
        });
    }
    // OK with auto start ticked and both defaults changed, where something is refused: one box
    // tells what, and the dialog still closes as accepted with the choices in memory.
    void OkWithOneBox(const std::string& box) {
        EXPECT_EQ(RunOk([](const O& d) { Change(d, 1, 1, false, true); }), kResultOk);
        ASSERT_EQ(vt::ShownBoxes().size(), 1u);
        EXPECT_EQ(vt::ShownBoxes()[0].title + "|" + vt::ShownBoxes()[0].text, "Vantrel|" + box);
        EXPECT_TRUE(dialog_->DefaultsChanged());
        EXPECT_EQ(settings_.action, ActionTexts(1));
    }
    // Settings of their own, none stored yet: the system keeps recently read files cached by
    // name, so a run must never read what an earlier one wrote.
    void UseSettingsFolder(const std::string& name) {
        location_.appDataFolder = dir_.path() + name + "\\";
        settingsFile_ = location_.appDataFolder + "Ostrim\\Vantrel\\vantrel.dat";
        settings_ = CommonSettings{};
    }
    // "SystemMenu|Action|ZOrder" as the file holds them.
    void WriteSettings(const std::string& stored) {
        const std::vector<std::string> fields = vt::SplitTokens(stored, "|");
        for (std::size_t i = 0; i < std::size(kKeys); ++i) {
            ASSERT_TRUE(platform::WriteProfileString(SettingsFilePath(location_), "Options",
                                                     kKeys[i], fields.at(i)));
        }
        settings_ = LoadSettings(location_);
    }
    std::string Stored() const {
        std::string stored;
        for (const char* key : kKeys) {
            stored += (stored.empty() ? "" : "|") +
                      platform::ReadProfileString(settingsFile_, "Options", key, "<missing>");
        }
        return stored;
    }

    static constexpr const char* kKeys[] = {"SystemMenu", "Action", "ZOrder"};
    vt::TempDir dir_;
    SettingsLocation location_;
    std::string settingsFile_;
    CommonSettings settings_;
    vt::TestRunKey runKey_;
    std::string runKeyPath_ = runKey_.path(); // the key the dialog writes, unless a test moves it
    vt::BoxAnswerer boxes_;
    // As installed: Wine's own answers come from the Unix side.
    SecurityQuery security_ = [](const std::string&) { return std::string(kInstalled); };
    TaskScheduler scheduler_;
    std::unique_ptr<O> dialog_;
};

// Opens over its owner with the focus on auto start; Enter is OK and Esc is Cancel. The choices
// are the program's texts, captions tell the controls apart, and every control is the form's own
// child, so its notifications reach it. The system-menu box shows its state, greyed on code 11,
// whose systems give other applications no system-menu items at all.
TEST_F(OptionsDialog, OpensOverItsOwnerWithItsControlsToldApartAndTakesEnterAndEsc) {
    const auto owner = vt::PlainWindow("owner");
    settings_.systemMenu = false;
    for (const auto& [code, key, result] :
         {std::tuple{11, VK_ESCAPE, kResultCancel}, std::tuple{10, VK_RETURN, kResultOk},
          std::tuple{7, VK_ESCAPE, kResultCancel}}) {
        SCOPED_TRACE("code " + std::to_string(code));
        const auto script = [&, code = code, key = key](const O& d) {
            const RECT frame = vt::WindowRectOf(d.Handle());
            const RECT around = vt::WindowRectOf(owner.get());
            EXPECT_NEAR(frame.left + frame.right, around.left + around.right, 2);
            EXPECT_NEAR(frame.top + frame.bottom, around.top + around.bottom, 2);
            EXPECT_EQ(::GetFocus(), Control(d, O::kIdAutoStart));
            EXPECT_EQ(::IsWindowEnabled(Control(d, O::kIdSystemMenu)) != FALSE, code != 11);
            EXPECT_TRUE(IsChecked(Control(d, O::kIdSystemMenu)));
            ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == d.Handle(); }));
            EXPECT_EQ(::GetWindowLongA(Control(d, O::kIdOk), GWL_STYLE) & BS_TYPEMASK,
                      BS_DEFPUSHBUTTON);
            vt::PressKey(key);
        };
        EXPECT_EQ(Run(script, code, owner.get()), result);
    }
    const HWND form = dialog_->Handle();
    EXPECT_EQ(ControlText(form), "Options");
    RECT client{};
    ::GetClientRect(form, &client);
    EXPECT_EQ(client.right, O::kClientWidth);
    EXPECT_EQ(client.bottom, O::kClientHeight);
    EXPECT_EQ(::GetWindowLongPtrA(form, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(::GetWindow(form, GW_OWNER), owner.get());
    vt::ExpectSoundLayout(form);

    for (const int first : {O::kIdActionFirst, O::kIdZOrderFirst}) {
        for (int i = 0; i < CountOf(first); ++i) {
            EXPECT_EQ(ControlText(Control(*dialog_, first + i)),
                      first == O::kIdActionFirst ? ActionTexts(i) : ZOrderTexts(i));
        }
        EXPECT_EQ(Control(*dialog_, first + CountOf(first)), nullptr);
    }
    std::set<std::string> captions;
    int icons = 0;
    for (const HWND control : vt::WindowsUnder(form)) {
        const std::string text = ControlText(control);
        const LONG style = ::GetWindowLongA(control, GWL_STYLE);
        SCOPED_TRACE(vt::ClassOf(control) + " \"" + text + "\"");
        EXPECT_EQ(::GetParent(control), form);
        // Radio items are the program's own texts, checked above.
        const bool radio =
            vt::ClassOf(control) == "Button" && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        EXPECT_TRUE(radio || text.empty() || captions.insert(vt::ShownText(text)).second);
        icons += (style & SS_TYPEMASK) == SS_ICON && vt::ClassOf(control) == "Static" &&
                 ::SendMessageA(control, STM_GETICON, 0, 0) != 0;
    }
    EXPECT_EQ(icons, 1);
    EXPECT_TRUE(vt::ShownBoxes().empty());
}

// One logon start, whatever the scheduler does: the task where it takes one, else the Run value
// in its place; a refusal is reported, a missing scheduler is not. Unticking removes both, and
// only ours.
TEST_F(OptionsDialog, AutoStartIsTheTaskOrTheRunValueInItsPlace) {
    runKey_.Set("Other", "C:\\other.exe");
    const std::string refused = "Failed to set data for '" + runKey_.task() + "'";
    const struct {
        const char* scheduler;
        TaskScheduler calls;
        bool task;       // registered with the system's scheduler, else the Run value set
        std::string box; // what the user is told on ticking and on unticking
    } cases[] = {
        {"system", TaskScheduler{}, true, ""},
        {"refusing", AnsweringAlways(E_ACCESSDENIED), false, refused},
        {"missing", AnsweringAlways(REGDB_E_CLASSNOTREG), false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scheduler);
        scheduler_ = c.calls;
        for (const bool tick : {true, false}) {
            const std::size_t boxesBefore = vt::ShownBoxes().size();
            EXPECT_EQ(RunOk([&](const O& d) {
                          EXPECT_EQ(IsChecked(Control(d, O::kIdAutoStart)), !tick)
                              << "read back from what the last OK wrote";
                          vt::Toggle(Control(d, O::kIdAutoStart));
                      }),
                      kResultOk);
            std::wstring xml;
            EXPECT_EQ(platform::ReadTaskXml(runKey_.task(), xml), tick && c.task ? S_OK : kNoTask);
            EXPECT_EQ(xml.find(L"PT0S") != std::wstring::npos, tick && c.task);
            EXPECT_EQ(runKey_.Value().value_or(""),
                      tick && !c.task ? AutoStartCommand(kExePath) : "");
            EXPECT_EQ(runKey_.Value("Other"), "C:\\other.exe");
            ASSERT_EQ(vt::ShownBoxes().size(), boxesBefore + (c.box.empty() ? 0 : 1));
            if (!c.box.empty()) {
                EXPECT_EQ(vt::ShownBoxes().back().text, c.box);
            }
        }
    }
    // Auto start is not one of the settings kept in the file.
    EXPECT_FALSE(vt::Exists(settingsFile_));
}

// A user may change one file of the program: ticking sets neither the Run value nor the task,
// removes an entry left from before, and one message says why.
TEST_F(OptionsDialog, AutoStartFromAFolderOthersCanChangeSetsNeitherAndSaysWhy) {
    security_ = [](const std::string& path) {
        return path.size() > 9 && path.substr(path.size() - 9) == "rules.dat" ? kUserWritable
                                                                              : kInstalled;
    };
    runKey_.Set("Vantrel", "D:\\Old\\Vantrel.exe");
    OkWithOneBox(kAutoStartNeedsInstall);
    EXPECT_FALSE(runKey_.Value());
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
    const std::string one("\1\0\0\0", 4);
    runKey_.Set("Vantrel", one, REG_DWORD);
    EXPECT_EQ(Run([&](const O& d) {
                  EXPECT_EQ(vt::ShownBoxes().size(), 1u) << "reported as the dialog opened";
                  EXPECT_FALSE(IsChecked(Control(d, O::kIdAutoStart)));
                  vt::Click(Control(d, O::kIdCancel));
              }),
              kResultCancel);
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    EXPECT_EQ(vt::ShownBoxes()[0].title + "|" + vt::ShownBoxes()[0].text,
              "Vantrel|Invalid data type for 'Vantrel'");
    // Cancel leaves the odd value alone; OK with the box clear removes it without complaint.
    EXPECT_EQ(runKey_.Value(), one);
    EXPECT_EQ(RunOk(), kResultOk);
    EXPECT_EQ(vt::ShownBoxes().size(), 2u); // the second on opening again, none from OK
    EXPECT_FALSE(runKey_.Value());
}

// Each row starts from a file of its own, or none, and closes with OK or Cancel: the dialog showed
// what was stored, tells which kind of setting changed, and memory and file hold all three keys
// ("SystemMenu|Action|ZOrder", the box showing the inverse of the first). The file is rewritten
// only for a change; the Run key, removed outside, is made again by every OK and by no Cancel.
TEST_F(OptionsDialog, OkStoresTheChoicesAsTheirTextsAndTellsWhatChangedCancelNothing) {
    const char* const normal = "1|Normal|Stay on top";
    const char* const defaults = "1|Default|Default";
    const char* const toTray = "1|Minimize to tray|Normal";
    const struct {
        const char* name;
        const char* stored; // no file when empty
        const char* shown;
        int action, zOrder;         // chosen; -1 none
        bool systemMenu, autoStart; // clicked
        bool ok;
        bool defaultsChanged, systemMenuChanged;
        const char* after;
    } rows[] = {
        {"nothing chosen", normal, normal, -1, -1, false, false, true, false, false, normal},
        {"stored text in another case shows as default and is corrected", "1|maximize|Stay on top",
         "1|Default|Stay on top", -1, -1, false, false, true, true, false, "1|Default|Stay on top"},
        {"the item matching the stored text but for its case is a change", "1|Default|normal",
         defaults, -1, 2, false, false, true, true, false, "1|Default|Normal"},
        {"chosen defaults with no file before", "", defaults, 4, 2, false, false, true, true, false,
         toTray},
        {"the z order alone is a change of the defaults", toTray, toTray, -1, 1, false, false, true,
         true, false, "1|Minimize to tray|Stay on top"},
        {"ticking the system menu box with no file before", "", defaults, -1, -1, true, false, true,
         false, true, "0|Default|Default"},
        {"unticking the system menu box", "0|Default|Default", "0|Default|Default", -1, -1, true,
         false, true, false, true, defaults},
        {"cancel after changing everything", normal, normal, 1, 2, true, true, false, false, false,
         normal},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE(row.name);
        UseSettingsFolder("row" + std::to_string(i));
        if (*row.stored != '\0') {
            WriteSettings(row.stored);
        }
        const std::string before = vt::FileText(settingsFile_);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, runKey_.path().c_str()); // as if removed outside
        EXPECT_EQ(Run([&](const O& d) {
                      EXPECT_EQ(std::string(IsChecked(Control(d, O::kIdSystemMenu)) ? "0|" : "1|") +
                                    Chosen(d, O::kIdActionFirst) + '|' +
                                    Chosen(d, O::kIdZOrderFirst),
                                row.shown);
                      Change(d, row.action, row.zOrder, row.systemMenu, row.autoStart);
                      vt::Click(Control(d, row.ok ? O::kIdOk : O::kIdCancel));
                  }),
                  row.ok ? kResultOk : kResultCancel);
        EXPECT_EQ(dialog_->DefaultsChanged(), row.defaultsChanged);
        EXPECT_EQ(dialog_->SystemMenuChanged(), row.systemMenuChanged);
        EXPECT_EQ(std::string(settings_.systemMenu ? "1|" : "0|") + settings_.action + '|' +
                      settings_.zOrder,
                  row.after);
        // Every key is written, the unchanged ones too.
        EXPECT_EQ(Stored(), row.after);
        EXPECT_EQ(vt::FileText(settingsFile_) == before,
                  !row.defaultsChanged && !row.systemMenuChanged);
        EXPECT_EQ(KeyExists(runKey_.path()), row.ok);
        EXPECT_FALSE(runKey_.Value());
        EXPECT_TRUE(vt::ShownBoxes().empty());
    }
}

TEST_F(OptionsDialog, FailedSettingsWriteIsReportedAndSkipsTheRunValue) {
    // A folder in the file's place refuses every write.
    ASSERT_EQ(::SHCreateDirectoryExA(nullptr, settingsFile_.c_str(), nullptr), ERROR_SUCCESS);
    OkWithOneBox("Unable to write to " + settingsFile_);
    EXPECT_FALSE(runKey_.Value());
}

TEST_F(OptionsDialog, FailedRunValueWriteIsReportedAfterTheSettingsAreSaved) {
    // A volatile key takes no lasting subkey, so the Run key cannot be created under it.
    HKEY parent = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, runKey_.path().c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(parent);
    runKeyPath_ = runKey_.path() + "\\Run";
    // Without a scheduler the Run value is the entry to write.
    scheduler_ = AnsweringAlways(REGDB_E_CLASSNOTREG);
    OkWithOneBox("Failed to set data for 'Vantrel'");
    EXPECT_EQ(Stored(), "1|" + ActionTexts(1) + "|" + ZOrderTexts(1));
    EXPECT_FALSE(KeyExists(runKeyPath_));
}

// The Settings command on a real main window, with other applications' windows around it.
class OptionsCommand : public vt::MainFormTest {
protected:
    // The command, its dialog given the default action (-1 none) and the system-menu click.
    void Execute(int action, bool systemMenu) {
        vt::WhenModalOpens("Options", [=](const Form& d) {
            Change(d, action, -1, systemMenu);
            vt::Click(Control(d, O::kIdOk));
        });
        const vt::ModalDeadline deadline;
        aSettingsExecute(form(), runKey_.path());
        EXPECT_EQ(deadline.Ended(), 0) << "the script left the dialog open";
        EXPECT_EQ(vt::DropPendingScripts(), 0) << "the command opened no dialog";
        EXPECT_TRUE(vt::ShownBoxes().empty());
    }
    std::string StoredSetting(const char* key) const {
        return platform::ReadProfileString(folder() + "appdata\\Ostrim\\Vantrel\\vantrel.dat",
                                           "Options", key, "<missing>");
    }

    vt::TestRunKey runKey_;
    vt::BoxAnswerer boxes_;
};

// A new default action reaches the listed windows that no rule claims; a change of the system
// menu alone saves, but carries out no default.
TEST_F(OptionsCommand, NewDefaultActionReachesOnlyWindowsWithoutARule) {
    vt::Fixture fixture;
    const HWND unruled = fixture.CreateOfNewClass("OptFree");
    std::string claimed = vt::UniqueName("OptRuled");
    const HWND ruled = fixture.CreateOne(vt::Spec(claimed));
    auto& f = Start();
    ASSERT_GE(RowOf(unruled), 0);
    ASSERT_GE(f.windows().Find(ruled), 0);
    EXPECT_EQ(f.windows().At(RowOf(unruled)).autoAction, "Default");
    // The rule is found whatever the letter case, so it protects its window from the defaults
    // (which, as no rule matches the window exactly, would maximize it too).
    ::CharUpperA(&claimed[0]);
    f.rules().append(WindowRule{claimed, "Default", "Default", "", "-", "-"});
    ASSERT_FALSE(::IsZoomed(unruled) || ::IsZoomed(ruled));

    Execute(1, false);
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(unruled) != FALSE; }));
    EXPECT_EQ(f.settings().action, "Maximize");
    EXPECT_EQ(StoredSetting("Action"), "Maximize");
    ASSERT_GE(f.windows().Find(unruled), 0);
    EXPECT_EQ(f.windows().At(f.windows().Find(unruled)).autoAction, "Maximize");
    EXPECT_EQ(f.windows().At(f.windows().Find(unruled)).autoZOrder, "Default");
    // Maximizing is done by the time the command returns, so the other window had its turn.
    EXPECT_FALSE(::IsZoomed(ruled) || ::IsIconic(ruled));

    // The default, carried out before, now stands undone on the window.
    ::ShowWindow(unruled, SW_RESTORE);
    ASSERT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(unruled) == FALSE; }));
    Execute(-1, true);
    EXPECT_FALSE(f.settings().systemMenu);
    EXPECT_EQ(StoredSetting("SystemMenu"), "0");
    EXPECT_EQ(StoredSetting("Action"), "Maximize");
    EXPECT_FALSE(::IsZoomed(unruled));
    EXPECT_GE(f.windows().Find(unruled), 0);
}

} // namespace
} // namespace vantrel
