// The program's life as another process sees it: start, hide to the tray, come back, end.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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
    vt::SysMenuCommand(main, marker, 21, true);
    return vt::WaitUntil([&] { return vt::Topmost(marker); });
}

// Only the exact start switch hides, at the first activation; shown again from the tray, it stays.
// Started either way, a close request from outside hides both windows without ending the program,
// the show message from another process (this one) brings them back, and minimize goes to the
// taskbar, not the tray: the taskbar window stays, iconic.
TEST(Lifecycle, StartSwitchCloseShowAndMinimizeAsAnotherProcessSeesThem) {
    for (const char* arg : {"-Start", "-start"}) {
        SCOPED_TRACE(arg);
        vt::AppProcess app(arg);
        const HWND main = app.MainWindow();
        const HWND taskbar = app.TaskbarWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_NE(taskbar, nullptr);
        if (std::string(arg) == "-Start") {
            // Hidden to the tray: both windows out of sight and the taskbar window minimized
            // (before its first display it is hidden too, but not minimized).
            EXPECT_TRUE(vt::WaitUntil(
                [&] { return !Visible(main) && !Visible(taskbar) && ::IsIconic(taskbar); }));
            ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
        }
        ASSERT_TRUE(vt::WaitUntil([&] { return Visible(main) && Visible(taskbar); }));
        ASSERT_TRUE(Settled(main));
        EXPECT_TRUE(Visible(main)) << "hidden again once shown";
        EXPECT_EQ(::GetWindow(main, GW_OWNER), taskbar);
        EXPECT_EQ(vt::TextOf(taskbar), "Vantrel");

        ::PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(vt::WaitUntil([&] { return !Visible(main) && !Visible(taskbar); }));
        EXPECT_TRUE(Settled(main)) << "the close ended the program";
        ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
        EXPECT_TRUE(vt::WaitUntil([&] { return Visible(main) && Visible(taskbar); }));
        ::PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(vt::WaitUntil([&] { return ::IsIconic(taskbar) && !Visible(main); }));
        EXPECT_TRUE(Visible(taskbar));
        ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
        EXPECT_TRUE(vt::WaitUntil([&] { return Visible(main) && !::IsIconic(taskbar); }));
    }
}

// Instances run side by side: one started beside the first leaves the first one's hidden windows
// alone, and Exit (what choosing it in a menu sends) ends it with code 0 and leaves the first. A
// window hidden by an instance that is then killed comes back when the next instance starts, even
// when the kill follows the moment it disappeared: its record is written before it goes.
TEST(Lifecycle, InstancesRunSideBySideAndAKilledOnesHiddenWindowsComeBack) {
    vt::Fixture fixture;
    const HWND window = fixture.CreateOfNewClass("Orphan");
    vt::AppProcess first;
    const HWND main = first.MainWindow();
    ASSERT_TRUE(vt::HideToTray(main, window));
    {
        vt::AppProcess beside;
        const HWND other = beside.MainWindow();
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, main);
        ASSERT_TRUE(vt::WaitUntil([&] { return Visible(other); }));
        EXPECT_FALSE(Visible(window));
        ASSERT_EQ(vt::ExitThroughMenu(other, beside.Process(), 15000), 0u);
        EXPECT_FALSE(::IsWindow(other));
        EXPECT_TRUE(::IsWindow(main));
        fixture.Sync();
        EXPECT_FALSE(Visible(window)) << "the instance beside showed it as it ended";
    }
    const HWND late = fixture.CreateOfNewClass("WriteAhead");
    ASSERT_TRUE(vt::HideToTray(main, late));
    first.Kill();
    EXPECT_FALSE(Visible(window));
    vt::AppProcess next;
    ASSERT_NE(next.MainWindow(), nullptr);
    EXPECT_TRUE(vt::WaitUntil([&] { return Visible(window) && Visible(late); }))
        << (Visible(late) ? "the window hidden first" : "the window hidden just before the kill")
        << " stayed hidden";
}

} // namespace
