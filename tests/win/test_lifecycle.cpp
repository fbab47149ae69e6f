// The program's life as another process sees it: start, hide to the tray, come back, end.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/command_ids.h"
#include "app/messages.h"
#include "support/app_process.h"
#include "support/fixture_client.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

bool Visible(HWND window) {
    return ::IsWindowVisible(window) != FALSE;
}

// Returns once the program has handled every message posted to it before the call, its own
// included: a marker posted behind them (stay on top, for a window of another program) has taken
// effect. A sent message would not do: it is handled ahead of the posted ones.
bool Settled(HWND main) {
    vt::Fixture fixture;
    const HWND marker = fixture.CreateOne(vt::WindowSpec{});
    ::PostMessageA(main, vantrel::WM_SYSMENUCOMMAND, vt::W(marker), 21);
    return vt::WaitUntil([&] { return vt::Topmost(marker); });
}

TEST(Lifecycle, CloseHidesToTheTrayAndTheShowMessageBringsItBack) {
    vt::AppProcess app;
    const HWND main = app.MainWindow();
    const HWND taskbar = app.TaskbarWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_NE(taskbar, nullptr);
    ASSERT_TRUE(vt::WaitUntil([&] { return Visible(main) && Visible(taskbar); }));
    EXPECT_EQ(::GetWindow(main, GW_OWNER), taskbar);
    EXPECT_EQ(vt::TextOf(taskbar), "Vantrel");

    // A close request from outside does not end the program; it hides both windows.
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !Visible(main) && !Visible(taskbar); }));
    EXPECT_TRUE(Settled(main)) << "the close ended the program";

    // The show message, from another process (this one), brings it back.
    ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return Visible(main) && Visible(taskbar); }));

    // Minimize goes to the taskbar, not the tray: the taskbar window stays, iconic.
    ::PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsIconic(taskbar) && !Visible(main); }));
    EXPECT_TRUE(Visible(taskbar));
    ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return Visible(main) && !::IsIconic(taskbar); }));
}

// Only the exact switch hides, at the first activation; shown again from the tray, it stays.
TEST(Lifecycle, OnlyTheExactStartSwitchHidesAtFirstActivation) {
    for (const char* arg : {"-Start", "-start"}) {
        SCOPED_TRACE(arg);
        const bool hides = std::string(arg) == "-Start";
        vt::AppProcess app(arg);
        const HWND main = app.MainWindow();
        const HWND taskbar = app.TaskbarWindow();
        ASSERT_NE(main, nullptr);
        if (hides) {
            // Hidden to the tray: both windows out of sight and the taskbar window minimized
            // (before its first display it is hidden too, but not minimized).
            EXPECT_TRUE(vt::WaitUntil(
                [&] { return !Visible(main) && !Visible(taskbar) && ::IsIconic(taskbar); }));
            ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
        }
        ASSERT_TRUE(vt::WaitUntil([&] { return Visible(main); }));
        ASSERT_TRUE(Settled(main));
        EXPECT_TRUE(Visible(main));
    }
}

// Exit (what choosing it in a menu sends) ends one instance with code 0 and leaves the other.
TEST(Lifecycle, TwoInstancesRunSideBySideAndExitEndsOneWithCodeZero) {
    vt::AppProcess first;
    vt::AppProcess second;
    const HWND a = first.MainWindow();
    const HWND b = second.MainWindow();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    ::PostMessageA(a, WM_COMMAND, MAKEWPARAM(vantrel::kCmdExit, 0), 0);
    DWORD code = 1234;
    ASSERT_TRUE(first.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(::IsWindow(a));
    EXPECT_TRUE(::IsWindow(b));
}

} // namespace

namespace {

// A window hidden by an instance that is then killed comes back when the next instance starts;
// an instance running beside the first leaves the first one's hidden windows alone.
TEST(Lifecycle, HiddenWindowsOfAKilledInstanceComeBack) {
    vt::Fixture fixture;
    const HWND window = fixture.CreateOfNewClass("Orphan");

    vt::AppProcess first;
    ASSERT_TRUE(vt::HideToTray(first.MainWindow(), window));

    {
        vt::AppProcess beside;
        ASSERT_NE(beside.MainWindow(), nullptr);
        ASSERT_TRUE(vt::WaitUntil([&] { return Visible(beside.MainWindow()); }));
        EXPECT_FALSE(Visible(window));
    }

    first.Kill();
    EXPECT_FALSE(Visible(window));
    vt::AppProcess next;
    ASSERT_NE(next.MainWindow(), nullptr);
    EXPECT_TRUE(vt::WaitUntil([&] { return Visible(window); }));
}

} // namespace
