// Other programs that stop answering, and the program's own and the shell's windows: neither may
// stop the program, and the second kind is never acted on.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/messages.h"
#include "app/rule_application.h"
#include "commands/hidden_journal.h"
#include "commands/relay_process.h"
#include "platform/foreign_window.h"
#include "platform/handles.h"
#include "support/app_process.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vt::RuleSection;
using vt::RulesFile;
using vt::Topmost;

// Where the real program keeps hidden.dat: the per-user folder of the prefix.
std::string JournalPath() {
    char folder[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, folder);
    return std::string(folder) + "\\Ostrim\\Vantrel\\hidden.dat";
}

// The program's relays can be asked to end: each has its window. Exit waits for a relay that is
// still starting, which on a busy machine may take longer than the exit is allowed.
bool RelaysReady(DWORD programId) {
    const vantrel::platform::UniqueSnapshot all(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 p{};
    p.dwSize = sizeof(p);
    int relays = 0;
    for (BOOL more = all && ::Process32First(all.get(), &p); more;
         more = ::Process32Next(all.get(), &p)) {
        if (p.th32ParentProcessID == programId &&
            std::string(p.szExeFile).rfind("vantrel_relay", 0) == 0 &&
            (++relays, vantrel::FindRelayWindow(p.th32ProcessID) == nullptr)) {
            return false;
        }
    }
    return relays > 0;
}

// Asks the program, its relays started, to exit: its exit code once it has ended in time.
DWORD Exits(vt::AppProcess& app, HWND main, DWORD ms = 2000) {
    EXPECT_TRUE(vt::WaitUntil([&] { return RelaysReady(app.ProcessId()); }));
    return vt::ExitThroughMenu(main, app.Process(), ms);
}

// The rule at start-up, the system-menu commands and the dialogs all meet a window whose program
// has stopped: the program goes on handling posted messages, rules other windows as they come,
// and the hung window gets what was asked of it once its program wakes.
TEST(HungProgram, RulesCommandsAndDialogsOnAHungWindowNeverStopTheProgram) {
    vt::Fixture fixture;
    const std::string base = vt::UniqueName("Hung");
    const HWND hung = fixture.CreateHung(base + "H", "Hung").front();
    vt::TempDir dir;
    ASSERT_TRUE(std::ofstream(dir.path() + "rules.dat", std::ios::binary) << RulesFile(
                    {RuleSection(1, base + "H", 1, 1), RuleSection(2, base + "Ok", 1, 1)}));
    vt::AppProcess app("", &dir);
    const HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);

    for (int id : {21, 22, 31, 32, 37, 42, 51, 55, 59}) {
        vt::SysMenuCommand(main, hung, id, true);
    }
    // The dialogs open as windows of their own, not inside the window that does not answer.
    for (const auto& [caption, id] :
         {std::pair<const char*, int>{"Resize window", 61}, {"Custom transparency: Hung", 30}}) {
        vt::SysMenuCommand(main, hung, id, true);
        HWND dialog = nullptr;
        // Only top-level windows are found: one made inside the hung window would not be.
        ASSERT_TRUE(vt::WaitUntil([&] {
            return (dialog = ::FindWindowA("VantrelForm", caption)) != nullptr &&
                   ::IsWindowVisible(dialog);
        })) << caption;
        EXPECT_EQ(::GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD, 0);
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        ASSERT_TRUE(vt::WaitUntil([&] { return !::IsWindow(dialog); })) << caption;
    }

    // A new window of a working program gets its rule (Add One), and again after a rebuild.
    const HWND ok = fixture.CreateOne(vt::Spec(base + "Ok"));
    ::PostMessageA(main, vantrel::WM_WINDOWNOTICE, 1, vt::L(ok));
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(ok) && Topmost(ok); }));
    fixture.Show(ok, SW_RESTORE);
    ::PostMessageA(main, WM_COMMAND, vantrel::kCmdRefresh, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(ok); }));

    // Awake, the program carries out what it was asked: its rule maximizes it.
    EXPECT_FALSE(::IsZoomed(hung));
    fixture.Wake();
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(hung) != FALSE; }));
    EXPECT_EQ(Exits(app, main), 0u);
}

// Exit with a hung program's window among the hidden ones ends at once and shows the others; the
// hung one's record stays behind for the next start until its program has shown it.
TEST(HungProgram, ExitEndsWithinTwoSecondsAndShowsTheOtherHiddenWindows) {
    vt::Fixture fixture;
    const HWND working[] = {fixture.CreateOfNewClass("HungExit"),
                            fixture.CreateOfNewClass("HungExit")};
    const HWND hung = fixture.CreateHung(vt::UniqueName("HungExitH"), "Hung").front();
    vt::AppProcess app;
    const HWND main = app.MainWindow();
    ASSERT_TRUE(vt::HideToTray(main, working[0]));
    vt::SysMenuCommand(main, hung, vantrel::kSysMinimizeToTray, true);
    ASSERT_TRUE(vt::HideToTray(main, working[1]));

    EXPECT_EQ(Exits(app, main), 0u);
    EXPECT_TRUE(vt::WaitUntil(
        [&] { return ::IsWindowVisible(working[0]) && ::IsWindowVisible(working[1]); }));
    const auto records = vantrel::ParseHiddenRecords(vt::FileText(JournalPath()));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].window, reinterpret_cast<ULONG_PTR>(hung));
    EXPECT_EQ(records[0].ownerPid, app.ProcessId());

    fixture.Wake();
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsWindowVisible(hung); }));
}

// The notification area belongs to another program, which may be busy or hung: the program
// starts, lists, hides a window behind an icon and ends without waiting for it.
TEST(HungProgram, ANotificationAreaThatDoesNotAnswerHoldsNothingUp) {
    vt::Fixture fixture;
    const HWND window = fixture.CreateOfNewClass("HungTray");
    vt::Fixture shell;
    const HWND tray = shell.CreateHung("Shell_TrayWnd", "").front();
    // The shell's calls go to the first window of that class.
    ASSERT_EQ(::FindWindowA("Shell_TrayWnd", nullptr), tray);
    vt::AppProcess app;
    const HWND main = app.MainWindow();
    EXPECT_TRUE(vt::HideToTray(main, window));
    DWORD_PTR rows = 0;
    const HWND list = ::GetDlgItem(main, 101); // the window list
    EXPECT_TRUE(::SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 2000, &rows));
    EXPECT_GT(rows, 0u);
    EXPECT_EQ(Exits(app, main, 5000), 0u);
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsWindowVisible(window); }));
}

class WithFixture : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
};
using HungProgramCommands = WithFixture;
using OwnAndShellWindows = WithFixture;

// The rules at start-up and after a rule command, every list command and the mass commands on a
// hung window return; the other listed windows get theirs, and the hung one its own when it wakes.
TEST_F(HungProgramCommands, ListAndMassCommandsReturnAndTakeEffectOnWaking) {
    const std::string base = vt::UniqueName("HungList");
    const HWND hung = fixture_.CreateHung(base + "H", "Hung").front();
    const HWND ok = fixture_.CreateOne(vt::Spec(base + "Ok"));
    WriteFile("rules.dat", RulesFile({RuleSection(1, base + "H", 1, 1)}));
    Start();
    vantrel::ApplyRulesOfClass(form(), base + "H"); // as after a rule command
    const int row = form().windows().Find(hung);
    ASSERT_GE(row, 0);
    form().lvMain().Select(row);
    for (const auto& [name, command] : vt::ListCommands(form())) {
        command();
        EXPECT_EQ(vt::DropPendingScripts(), 0) << name;
    }
    EXPECT_TRUE(form().tray().WindowIconAdded(hung));
    form().aMinimizeToTrayExecute(); // hidden already, though not yet carried out: no second entry
    EXPECT_EQ(form().tray().HiddenWindows().size(), 1u);
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(ok));
    EXPECT_TRUE(vt::WaitUntil([&] { return fixture_.GetCounts(ok).sysCommandClose == 1; }));
    // Not answering, the window was left opaque rather than waited for.
    EXPECT_EQ(::GetWindowLongA(hung, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_TRUE(::IsWindowVisible(hung));
    fixture_.Wake();
    // Its program closes it on the posted request, after carrying out the rest.
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindow(hung); }));
}

// The program's taskbar window stays listed, but the default action, the mass commands and the
// system-menu commands leave it alone, as they leave the shell's desktop and taskbar.
TEST_F(OwnAndShellWindows, AreListedButNeverActedOn) {
    namespace foreign = vantrel::platform::foreign;
    const HWND other = fixture_.CreateOfNewClass("Other");
    const HWND shell = fixture_.CreateOfNewClass("Shell");
    foreign::SetShellWindowForTests(shell);
    struct Unset {
        ~Unset() { vantrel::platform::foreign::SetShellWindowForTests(nullptr); }
    } unset;
    WriteUserSettings("[Options]\r\nSystemMenu=0\r\nAction=Minimize\r\nZOrder=Stay on top\r\n");
    auto& f = Start();
    // Earlier tests in this process may have left it minimized.
    const HWND taskbar = vantrel::Application::Instance().Handle();
    ::ShowWindow(taskbar, SW_RESTORE);
    ASSERT_FALSE(::IsIconic(taskbar));
    f.catalogue().Rebuild(); // the taskbar window is shown only after the first rebuild of a start
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(other));
    EXPECT_TRUE(Topmost(other));
    for (HWND left : {taskbar, shell}) {
        ASSERT_GE(f.windows().Find(left), 0);
        EXPECT_FALSE(::IsIconic(left));
        EXPECT_FALSE(Topmost(left));
    }

    for (int id : {11, 21, 42, 59}) {
        vt::SysMenuCommand(f.Handle(), taskbar, id);
    }
    EXPECT_FALSE(f.tray().WindowIconAdded(taskbar));
    EXPECT_EQ(::GetWindowLongA(taskbar, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    ASSERT_TRUE(::IsWindowVisible(f.Handle()));
    f.miCloseAllClick();
    vt::PumpMessages();
    EXPECT_TRUE(::IsWindowVisible(f.Handle()));
    EXPECT_TRUE(::IsWindowVisible(taskbar));
    EXPECT_TRUE(vt::WaitUntil([&] { return fixture_.GetCounts(other).sysCommandClose == 1; }));

    EXPECT_TRUE(foreign::IsTarget(other));
    EXPECT_FALSE(foreign::IsTarget(shell));
    foreign::SetShellWindowForTests(nullptr);
    if (HWND desktop = ::GetShellWindow()) {
        EXPECT_FALSE(foreign::IsTarget(desktop));
    }
    if (HWND tray = ::FindWindowA("Shell_TrayWnd", nullptr)) {
        EXPECT_FALSE(foreign::IsTarget(tray));
    }
}

} // namespace
