// Rules applied to other applications' windows, the system-menu commands and the tray.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/messages.h"
#include "app/rule_application.h"
#include "relay/relay_protocol.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vt::RuleSection;
using vt::RulesFile;
using vt::Topmost;

class RuleApplication : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    std::string base_ = vt::UniqueName("Rule");
    HWND Make(const std::string& suffix, bool maxBox = true) {
        vt::WindowSpec spec;
        spec.className = base_ + suffix;
        spec.caption = suffix;
        if (!maxBox) {
            spec.style &= ~static_cast<DWORD>(WS_MAXIMIZEBOX);
        }
        return fixture_.CreateOne(spec);
    }
};

TEST_F(RuleApplication, RulesActOnWindowsOpenAtStartUpAndAgainOnRebuildsUnlessOnce) {
    const HWND maximized = Make("Max");
    const HWND noBox = Make("NoBox", false);
    const HWND lowerCase = Make("Case");
    const HWND twice = Make("Twice");
    const HWND minimized = Make("Min");
    const HWND once = Make("Once");
    // One class made by two programs.
    vt::Fixture other(10000, "vt_other.exe");
    vt::WindowSpec spec;
    spec.className = base_ + "Same";
    spec.caption = "same";
    const HWND mine = fixture_.CreateOne(spec);
    const HWND theirs = other.CreateOne(spec);
    WriteFile(
        "rules.dat",
        RulesFile({RuleSection(1, base_ + "Max", 1, 1), RuleSection(2, base_ + "NoBox", 1, 0),
                   RuleSection(3, base_ + "case", 1, 1), RuleSection(4, base_ + "Twice", 3, 0),
                   RuleSection(5, base_ + "Twice", 2, 1), RuleSection(6, base_ + "Min", 2, 0),
                   RuleSection(7, base_ + "Once", 1, 0) + "ApplyOnce=Yes\r\n",
                   RuleSection(8, base_ + "Same", 1, 1) + "Program=VT_OTHER.exe\r\n"}));
    auto& f = Start();
    fixture_.Sync();
    other.Sync();

    EXPECT_TRUE(::IsZoomed(maximized));
    EXPECT_TRUE(Topmost(maximized));
    EXPECT_FALSE(::IsZoomed(noBox));     // no maximize box, no maximizing
    EXPECT_FALSE(::IsZoomed(lowerCase)); // rules match class names with their case
    EXPECT_FALSE(Topmost(lowerCase));
    EXPECT_FALSE(::IsIconic(twice)); // the first of two rules decides
    EXPECT_FALSE(Topmost(twice));
    EXPECT_TRUE(::IsIconic(minimized));
    EXPECT_TRUE(::IsZoomed(once));
    EXPECT_TRUE(::IsZoomed(theirs)); // the program the rule names
    EXPECT_TRUE(Topmost(theirs));
    EXPECT_FALSE(::IsZoomed(mine)); // another program's window of that class
    EXPECT_FALSE(Topmost(mine));
    const auto row = [&](HWND window) {
        const int found = f.windows().Find(window);
        EXPECT_GE(found, 0);
        return found >= 0 ? f.windows().At(found) : vantrel::WindowEntry{};
    };
    EXPECT_EQ(row(maximized).autoAction, "Maximize");
    EXPECT_EQ(row(maximized).autoZOrder, "Stay on top");
    EXPECT_EQ(row(theirs).autoAction, "Maximize");
    EXPECT_EQ(row(mine).autoAction, "Default");

    // After the user restored the windows, the next rebuild acts on them again, except where the
    // rule is applied once.
    for (HWND window : {maximized, minimized, once}) {
        fixture_.Show(window, SW_RESTORE);
    }
    ASSERT_FALSE(::IsIconic(minimized));
    ASSERT_FALSE(::IsZoomed(once));
    const int rebuilds = f.catalogue().Rebuilds();
    f.catalogue().Rebuild();
    fixture_.Sync();
    ASSERT_GT(f.catalogue().Rebuilds(), rebuilds);
    EXPECT_TRUE(::IsZoomed(maximized));
    EXPECT_TRUE(::IsIconic(minimized));
    EXPECT_FALSE(::IsZoomed(once));
}

TEST_F(RuleApplication, DefaultRuleOverridesTheCommonDefault) {
    const HWND ruled = Make("Ruled");
    const HWND free = Make("Free");
    WriteUserSettings("[Options]\r\nSystemMenu=1\r\nAction=Maximize\r\nZOrder=Stay on top\r\n");
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + "Ruled", 0, 0)}));
    auto& f = Start();
    fixture_.Sync();
    EXPECT_FALSE(::IsZoomed(ruled));
    EXPECT_FALSE(Topmost(ruled));
    EXPECT_TRUE(::IsZoomed(free));
    EXPECT_TRUE(Topmost(free));
    EXPECT_EQ(f.windows().At(f.windows().Find(free)).autoAction, "Maximize");
}

TEST_F(RuleApplication, SystemMenuCommandsActOnTheNamedWindow) {
    const HWND window = Make("Cmd");
    auto& f = Start();
    fixture_.Sync();
    auto command = [&](int id) {
        ::SendMessageA(f.Handle(), vantrel::WM_SYSMENUCOMMAND, vt::W(window), id);
        fixture_.Sync();
    };
    command(21);
    EXPECT_TRUE(Topmost(window));
    command(22);
    EXPECT_FALSE(Topmost(window));

    const int row = f.windows().Find(window);
    ASSERT_GE(row, 0);
    const int expected[] = {255, 229, 204, 178, 153, 127, 102, 76, 51, 25, 0};
    for (int id = 32; id <= 42; ++id) {
        command(id);
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(::GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) << id;
        EXPECT_EQ(alpha, expected[id - 32]) << id;
        EXPECT_EQ(f.windows().At(row).transparency, (id - 32) * 10);
    }
    command(31);
    EXPECT_EQ(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(f.windows().At(row).transparency, 0);

    RECT r{};
    ::GetWindowRect(window, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    const int sh = ::GetSystemMetrics(SM_CYSCREEN);
    const POINT places[] = {{0, 0},
                            {(sw - w) / 2, 0},
                            {sw - w, 0},
                            {0, (sh - h) / 2},
                            {(sw - w) / 2, (sh - h) / 2},
                            {sw - w, (sh - h) / 2},
                            {0, sh - h},
                            {(sw - w) / 2, sh - h},
                            {sw - w, sh - h}};
    for (int id = 51; id <= 59; ++id) {
        command(id);
        ::GetWindowRect(window, &r);
        EXPECT_EQ(r.left, places[id - 51].x) << id;
        EXPECT_EQ(r.top, places[id - 51].y) << id;
        EXPECT_EQ(r.right - r.left, w);
    }
    command(99); // not a command: ignored
    command(11);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_TRUE(f.tray().WindowIconAdded(window));
}

TEST_F(RuleApplication, TrayTipCarriesACaptionInEveryScript) {
    const HWND hidden = Make("Scripts");
    const std::string caption = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x80\x94 "
                                "\xE4\xB8\x96\xE7\x95\x8C \xE2\x9C\x93 caf\xC3\xA9";
    fixture_.SetTextUtf8(hidden, caption);
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + "Scripts", 4, 0)}));
    auto& f = Start();
    fixture_.Sync();
    ASSERT_TRUE(f.tray().WindowIconAdded(hidden));
    EXPECT_EQ(f.tray().WindowIconTip(hidden), caption);
}

TEST_F(RuleApplication, TrayIconsHideAndRestoreWindows) {
    const HWND hidden = Make("Tray");
    // 40 CJK characters of three bytes after one ASCII letter: the 63-byte tip field ends inside
    // the 21st character, which is left out whole.
    std::string longCaption = "L";
    for (int i = 0; i < 40; ++i) {
        longCaption += "\xE4\xB8\x96";
    }
    fixture_.SetTextUtf8(hidden, longCaption);
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + "Tray", 4, 0)}));
    auto& f = Start();
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(hidden));
    EXPECT_TRUE(f.tray().WindowIconAdded(hidden));
    EXPECT_EQ(f.tray().WindowIconTip(hidden), longCaption.substr(0, 61));
    ASSERT_EQ(f.tray().HiddenWindows().size(), 1u);

    // Double click: shown in front, icon gone, left alone by the next rule application only.
    ::SetForegroundWindow(f.Handle());
    ::SendMessageA(f.Handle(), vantrel::WM_HIDDENTRAYICON, vt::W(hidden), WM_LBUTTONDBLCLK);
    fixture_.Sync();
    EXPECT_TRUE(::IsWindowVisible(hidden));
    EXPECT_TRUE(vt::WaitUntil([&] { return ::GetForegroundWindow() == hidden; }))
        << "what the person types next goes to the window asked for";
    EXPECT_FALSE(f.tray().WindowIconAdded(hidden));
    EXPECT_EQ(f.skipOnceWindow(), hidden);
    f.catalogue().Rebuild();
    fixture_.Sync();
    EXPECT_TRUE(::IsWindowVisible(hidden));
    EXPECT_EQ(f.skipOnceWindow(), nullptr);
    f.catalogue().Rebuild();
    fixture_.Sync();
    EXPECT_FALSE(::IsWindowVisible(hidden));
    EXPECT_EQ(f.tray().HiddenWindows().size(), 2u); // listed twice: harmless

    // "Open" from the icon's menu: shown in front and off the hidden list; a window hidden while
    // minimized comes back restored, not as a button.
    ::ShowWindow(hidden, SW_SHOWNA);
    ::ShowWindow(hidden, SW_MINIMIZE);
    ::ShowWindow(hidden, SW_HIDE);
    ::SetForegroundWindow(f.Handle());
    ASSERT_TRUE(vt::WaitUntil([&] { return ::GetForegroundWindow() == f.Handle(); }));
    f.tray().menuTarget = hidden;
    f.miAppNameClick();
    fixture_.Sync();
    EXPECT_TRUE(::IsWindowVisible(hidden));
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsIconic(hidden); }));
    EXPECT_TRUE(vt::WaitUntil([&] { return ::GetForegroundWindow() == hidden; }));
    EXPECT_EQ(f.tray().HiddenWindows().size(), 1u);
}

TEST_F(RuleApplication, ExitShowsEveryHiddenWindowAgain) {
    const HWND first = Make("ExitA");
    const HWND second = Make("ExitB");
    auto& f = Start();
    fixture_.Sync();
    for (HWND w : {first, second}) {
        ::SendMessageA(f.Handle(), vantrel::WM_SYSMENUCOMMAND, vt::W(w), 11);
        fixture_.Sync();
        ASSERT_FALSE(::IsWindowVisible(w));
    }
    ::SetForegroundWindow(f.Handle());
    f.aExitExecute();
    fixture_.Sync();
    EXPECT_TRUE(::IsWindowVisible(first));
    EXPECT_TRUE(::IsWindowVisible(second));
    const HWND front = ::GetForegroundWindow();
    EXPECT_TRUE(front != first && front != second) << "Exit shows them without activating any";
    EXPECT_FALSE(f.tray().WindowIconAdded(first));
    EXPECT_FALSE(f.tray().WindowIconAdded(second));
}

TEST_F(RuleApplication, NotificationAreaRestartGetsEveryIconBack) {
    const HWND window = Make("Restart");
    auto& f = Start();
    fixture_.Sync();
    ::SendMessageA(f.Handle(), vantrel::WM_SYSMENUCOMMAND, vt::W(window), 11);
    // The shell forgets the icons, as when the notification area is re-created.
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = f.Handle();
    data.uID = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(window));
    // The shell is told on a thread of the program's own, a moment later.
    auto shellHas = [&data] { return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE; };
    ASSERT_TRUE(vt::WaitUntil(shellHas));
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(shellHas());
    ::SendMessageA(f.Handle(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(vt::WaitUntil(shellHas));
    data.uID = vantrel::kOwnIconId;
    EXPECT_TRUE(vt::WaitUntil(shellHas));
}

int g_refusals = 0;
LRESULT CALLBACK RefusingShell(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        ++g_refusals;
        return FALSE;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// A shell that refuses the first add, as one still starting at logon does: the program's own
// icon, its only way back when it starts hidden, comes all the same.
TEST_F(RuleApplication, TheOwnIconComesThoughTheShellRefusedItFirst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RefusingShell;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    ASSERT_NE(::RegisterClassA(&wc), 0);
    vantrel::platform::UniqueWindow refusing(
        ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr,
                          nullptr, wc.hInstance, nullptr));
    // The shell's calls go to the first window of that class.
    ASSERT_EQ(::FindWindowA("Shell_TrayWnd", nullptr), refusing.get());
    auto& f = Start();
    ASSERT_TRUE(vt::WaitUntil([] { return g_refusals > 0; }));
    refusing.reset();
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = f.Handle();
    data.uID = vantrel::kOwnIconId;
    EXPECT_TRUE(vt::WaitUntil([&] { return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE; }));
}

// The whole road of a new window: the relay sees it created, tells the main window, which lists
// it and applies its rule, with no rebuild involved.
class RuleThroughRelay : public vt::MainFormTest {};

TEST_F(RuleThroughRelay, NewWindowGetsItsRuleWhenItAppears) {
    for (const char* file : {vantrel::relay::kExecutableName, vantrel::relay::kHookDllName}) {
        ASSERT_TRUE(
            ::CopyFileA((vt::TestBinFolder() + file).c_str(), (folder() + file).c_str(), FALSE));
    }
    const std::string cls = vt::UniqueName("Relayed");
    WriteFile("rules.dat", RulesFile({RuleSection(1, cls, 1, 1)}));
    startRelay_ = true;
    auto& f = Start();
    // A window made before the relay's hooks are in would pass unseen.
    ASSERT_TRUE(vt::WaitUntil([&] {
        const HWND relay = vantrel::FindRelayWindow(f.relay().Own().ProcessId());
        return relay != nullptr && vt::TextOf(relay) == vantrel::relay::kActiveTitle;
    }));

    vt::Fixture fixture;
    vt::WindowSpec spec;
    spec.className = cls;
    const HWND window = fixture.CreateOne(spec);
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(window) && Topmost(window); }));
    EXPECT_GE(f.windows().Find(window), 0);

    fixture.SetText(window, "renamed");
    EXPECT_TRUE(vt::WaitUntil([&] {
        const int row = f.windows().Find(window);
        return row >= 0 && f.windows().At(row).caption == "renamed";
    }));
    fixture.Destroy(window);
    EXPECT_TRUE(vt::WaitUntil([&] { return f.windows().Find(window) < 0; }));
}

TEST_F(RuleApplication, CaptionThatChangesIntoThePatternGetsActionPlaceAndTransparency) {
    const HWND window = Make("Draft");
    WriteFile("rules.dat", RulesFile({RuleSection(1, "", 3, 1) +
                                      "TitlePattern=*monthly REPORT*\r\nPlacement=30,40,320,200\r\n"
                                      "Transparency=50\r\n"}));
    auto& f = Start();
    fixture_.Sync();
    EXPECT_FALSE(Topmost(window));
    fixture_.SetText(window, "The Monthly Report 7");
    // What the relay reports for a caption change.
    ::SendMessageA(f.Handle(), vantrel::WM_WINDOWNOTICE, vantrel::kNoticeRenamed, vt::L(window));
    fixture_.Sync();
    EXPECT_TRUE(Topmost(window));
    RECT r{};
    ::GetWindowRect(window, &r);
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right - r.left, r.bottom - r.top}),
              std::vector<LONG>({30, 40, 320, 200}));
    BYTE alpha = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 127);
    EXPECT_EQ(f.windows().At(f.windows().Find(window)).autoZOrder, "Stay on top");
}

} // namespace
