// Rules applied to other applications' windows, the system-menu commands and the tray.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/messages.h"
#include "commands/placement.h"
#include "relay/relay_protocol.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vt::RuleSection;
using vt::RulesFile;
using vt::Topmost;

std::string StateOf(HWND window) {
    return vt::ShownAs(window) + (Topmost(window) ? " top" : "");
}

class RuleApplication : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    std::string base_ = vt::UniqueName("Rule");
    HWND Make(const std::string& suffix, bool maxBox = true, vt::Fixture* owner = nullptr) {
        const DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        return (owner ? *owner : fixture_)
            .CreateOne(vt::Spec(base_ + suffix, suffix, maxBox ? style : style & ~WS_MAXIMIZEBOX));
    }
    // A command of the window's system menu, as the relay passes it on.
    void Command(HWND window, int id) {
        vt::SysMenuCommand(form().Handle(), window, id);
        fixture_.Sync();
    }
    std::string RuleColumns(HWND window) {
        const int row = form().windows().Find(window);
        return row < 0 ? "(no row)"
                       : form().windows().At(row).autoAction + "|" +
                             form().windows().At(row).autoZOrder;
    }
};

// Windows without a rule of their own get the user's common default (maximized, on top); a rule
// that says Default leaves its windows alone all the same.
TEST_F(RuleApplication, RulesActOnWindowsOpenAtStartUpAndAgainOnRebuildsUnlessOnce) {
    vt::Fixture other(10000, "vt_other.exe"); // one class made by two programs
    const struct {
        const char* cls; // names the row
        vt::Fixture* owner;
        bool maxBox;
        const char* atStart;      // the window's state, then its row's action and z order
        const char* afterRestore; // restored by the user, then a rebuild
    } cases[] = {
        {"Max", &fixture_, true, "max top|Maximize|Stay on top", "max top"},
        {"NoBox", &fixture_, false, "normal|Maximize|Default", "normal"},
        {"Case", &fixture_, true, "max top|Maximize|Stay on top", "max top"}, // rule for "case"
        {"Twice", &fixture_, true, "normal|Normal|Default", "normal"}, // the first rule decides
        {"Min", &fixture_, true, "min|Minimize|Default", "min"},
        {"Once", &fixture_, true, "max|Maximize|Default", "normal"},
        {"Same", &other, true, "min|Minimize|Default", "min"},                // the named program
        {"Same", &fixture_, true, "max top|Maximize|Stay on top", "max top"}, // another program
        {"Ruled", &fixture_, true, "normal|Default|Default", "normal"},
        {"Draft", &fixture_, true, "max top|Maximize|Stay on top", "max top"}, // renamed below
    };
    std::vector<HWND> windows;
    for (const auto& c : cases) {
        windows.push_back(Make(c.cls, c.maxBox, c.owner));
    }
    WriteUserSettings("[Options]\r\nSystemMenu=1\r\nAction=Maximize\r\nZOrder=Stay on top\r\n");
    WriteFile(
        "rules.dat",
        RulesFile({RuleSection(1, base_ + "Max", 1, 1), RuleSection(2, base_ + "NoBox", 1, 0),
                   RuleSection(3, base_ + "case", 2, 0), RuleSection(4, base_ + "Twice", 3, 0),
                   RuleSection(5, base_ + "Twice", 2, 1), RuleSection(6, base_ + "Min", 2, 0),
                   RuleSection(7, base_ + "Once", 1, 0) + "ApplyOnce=Yes\r\n",
                   RuleSection(8, base_ + "Same", 2, 0) + "Program=VT_OTHER.exe\r\n",
                   RuleSection(9, base_ + "Ruled", 0, 0),
                   RuleSection(10, "", 3, 2) + "TitlePattern=*monthly REPORT*\r\n"
                                               "Placement=30,40,320,200\r\nTransparency=50\r\n"}));
    auto& f = Start();
    const auto sync = [&] {
        fixture_.Sync();
        other.Sync();
    };
    sync();
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(StateOf(windows[i]) + "|" + RuleColumns(windows[i]), cases[i].atStart)
            << cases[i].cls << " " << i;
        cases[i].owner->Show(windows[i], SW_RESTORE);
    }
    sync();
    for (size_t i = 0; i < windows.size(); ++i) {
        ASSERT_EQ(StateOf(windows[i]).substr(0, 6), "normal") << cases[i].cls << " " << i;
    }
    f.catalogue().Rebuild();
    sync();
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(StateOf(windows[i]), cases[i].afterRestore) << cases[i].cls << " " << i;
    }

    // A caption that changes into a rule's pattern, as the relay reports it, brings the rule's
    // action, z order, place and transparency.
    const HWND draft = windows.back();
    fixture_.SetText(draft, "The Monthly Report 7");
    ::SendMessageA(f.Handle(), vantrel::WM_WINDOWNOTICE, vantrel::kNoticeRenamed, vt::L(draft));
    fixture_.Sync();
    EXPECT_EQ(StateOf(draft) + " " + vt::PlaceOf(draft) + " alpha " +
                  std::to_string(vt::AlphaOf(draft)) + " " + RuleColumns(draft),
              "normal 30,40 320x200 alpha 127 Normal|Normal");
}

// Hidden to the tray, the windows keep their icons through a re-created notification area (the
// shell forgets them, the program puts them back), and come back at exit.
TEST_F(RuleApplication, SystemMenuCommandsActOnTheNamedWindowAndTheTrayKeepsItsIcons) {
    const HWND window = Make("Cmd");
    const HWND other = Make("Other");
    auto& f = Start();
    fixture_.Sync();
    Command(window, 21);
    EXPECT_TRUE(Topmost(window));
    Command(window, 22);
    EXPECT_FALSE(Topmost(window));

    const int row = f.windows().Find(window);
    ASSERT_GE(row, 0);
    for (int id = 32; id <= 42; ++id) {
        Command(window, id);
        EXPECT_EQ(vt::AlphaOf(window), vantrel::AlphaForLevelCommand(id)) << id;
        EXPECT_EQ(f.windows().At(row).transparency, (id - 32) * 10) << id;
    }
    Command(window, 31);
    EXPECT_EQ(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(f.windows().At(row).transparency, 0);

    // The nine places, row by row from the top left corner of the screen.
    const RECT before = vt::WindowRectOf(window);
    const int w = before.right - before.left;
    const int h = before.bottom - before.top;
    const int room[] = {::GetSystemMetrics(SM_CXSCREEN) - w, ::GetSystemMetrics(SM_CYSCREEN) - h};
    for (int k = 0; k < 9; ++k) {
        Command(window, 51 + k);
        EXPECT_EQ(vt::PlaceOf(window), std::to_string(k % 3 * room[0] / 2) + "," +
                                           std::to_string(k / 3 * room[1] / 2) + " " +
                                           std::to_string(w) + "x" + std::to_string(h))
            << 51 + k;
    }

    std::vector<UINT> ids = {vantrel::kOwnIconId};
    const auto shellHas = [&](UINT id) { return vt::ShellIconCall(NIM_MODIFY, f.Handle(), id); };
    for (HWND hidden : {window, other}) {
        Command(hidden, 11);
        ASSERT_FALSE(::IsWindowVisible(hidden));
        EXPECT_TRUE(f.tray().WindowIconAdded(hidden));
        ids.push_back(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(hidden)));
        // The shell is told on a thread of the program's own, a moment later.
        ASSERT_TRUE(vt::WaitUntil([&] { return shellHas(ids.back()); }));
    }
    for (const UINT id : ids) {
        ASSERT_TRUE(vt::ShellIconCall(NIM_DELETE, f.Handle(), id));
        EXPECT_FALSE(shellHas(id));
    }
    ::SendMessageA(f.Handle(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    for (const UINT id : ids) {
        EXPECT_TRUE(vt::WaitUntil([&] { return shellHas(id); })) << id;
    }

    ::SetForegroundWindow(f.Handle());
    f.aExitExecute();
    fixture_.Sync();
    for (HWND shown : {window, other}) {
        EXPECT_TRUE(::IsWindowVisible(shown));
        EXPECT_NE(::GetForegroundWindow(), shown) << "Exit shows them without activating any";
        EXPECT_FALSE(f.tray().WindowIconAdded(shown));
    }
}

TEST_F(RuleApplication, TrayIconsHideAndRestoreWindows) {
    // 40 CJK characters of three bytes after one ASCII letter: the 63-byte tip field ends inside
    // the 21st character, which is left out whole.
    std::string longCaption = "L";
    for (int i = 0; i < 40; ++i) {
        longCaption += "\xE4\xB8\x96";
    }
    const std::string scripts = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x80\x94 "
                                "\xE4\xB8\x96\xE7\x95\x8C \xE2\x9C\x93 caf\xC3\xA9";
    const struct {
        const char* name;
        std::string caption;
        std::string tip;
    } tips[] = {{"every script", scripts, scripts},
                {"cut before a character", longCaption, longCaption.substr(0, 61)}};
    std::vector<HWND> windows;
    for (const auto& t : tips) {
        windows.push_back(Make(t.name));
        fixture_.SetTextUtf8(windows.back(), t.caption);
    }
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + tips[0].name, 4, 0),
                                      RuleSection(2, base_ + tips[1].name, 4, 0)}));
    auto& f = Start();
    fixture_.Sync();
    for (size_t i = 0; i < windows.size(); ++i) {
        ASSERT_FALSE(::IsWindowVisible(windows[i])) << tips[i].name;
        ASSERT_TRUE(f.tray().WindowIconAdded(windows[i])) << tips[i].name;
        EXPECT_EQ(f.tray().WindowIconTip(windows[i]), tips[i].tip) << tips[i].name;
    }
    ASSERT_EQ(f.tray().HiddenWindows().size(), 2u);

    // Double click: shown in front, icon gone, left alone by the next rule application only.
    const HWND hidden = windows[1];
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
    EXPECT_EQ(f.tray().HiddenWindows().size(), 3u); // listed twice: harmless

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
    EXPECT_EQ(f.tray().HiddenWindows().size(), 2u);

    // Brought back while a pass in slices is under way: that pass reaching the window does not
    // spend the skip, the pass that the window's return asks for does, and it stays shown.
    f.catalogue().Rebuild();
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(hidden));
    f.catalogue().RequestRebuild();
    ASSERT_TRUE(f.catalogue().PassRunning());
    ::SendMessageA(f.Handle(), vantrel::WM_HIDDENTRAYICON, vt::W(hidden), WM_LBUTTONDBLCLK);
    fixture_.Sync(); // shown before the pass, which waits for posted messages, goes on
    ASSERT_TRUE(::IsWindowVisible(hidden));
    f.catalogue().RequestRebuild();
    EXPECT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
    fixture_.Sync();
    EXPECT_TRUE(::IsWindowVisible(hidden));
    EXPECT_EQ(f.skipOnceWindow(), nullptr);
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
    vt::OwnWindow refusing("Shell_TrayWnd", "", RefusingShell, WS_POPUP | WS_VISIBLE, nullptr, {});
    // The shell's calls go to the first window of that class.
    ASSERT_EQ(::FindWindowA("Shell_TrayWnd", nullptr), refusing.get());
    auto& f = Start();
    ASSERT_TRUE(vt::WaitUntil([] { return g_refusals > 0; }));
    refusing.window.reset();
    EXPECT_TRUE(vt::WaitUntil(
        [&] { return vt::ShellIconCall(NIM_MODIFY, f.Handle(), vantrel::kOwnIconId); }));
}

// The whole road of a new window: the relay sees it created, tells the main window, which lists
// it and applies its rule, with no rebuild involved.
TEST_F(RuleApplication, ANewWindowGetsItsRuleThroughTheRelayWhenItAppears) {
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
    const HWND window = fixture.CreateOne(vt::Spec(cls));
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsZoomed(window) && Topmost(window); }));
    EXPECT_GE(f.windows().Find(window), 0);
}

} // namespace
