// The main window as a person uses it: real pointer moves and clicks, real key presses, and what
// reaches the X screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/messages.h"
#include "commands/resize_dialog.h"
#include "rules/set_rule_dialog.h"
#include "app/application.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "support/x_screen.h"
#include "ui/web_links.h"

namespace {

// The program's own loop, so that its key handling and dialog keys take part as they do in use.
void RunLoop() {
    vantrel::Application::Instance().ProcessMessages();
}

POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// One key, with modifiers held around it, through the system's input queue.
void Press(WORD key, const std::vector<WORD>& modifiers = {}) {
    vt::PressKey(key, modifiers);
    RunLoop();
}

void MouseTo(POINT screen, DWORD buttons = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    ::SendInput(1, &input, sizeof(input));
    RunLoop();
}

class MainWindowUse : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    HWND window_ = nullptr;
    std::string class_ = vt::UniqueName("Use");
    void StartWithRows() {
        vt::WindowSpec spec;
        spec.className = class_;
        spec.caption = "Window of the fixture";
        window_ = fixture_.CreateOne(spec);
        WriteFile("rules.dat", vt::RulesFile({vt::RuleSection(1, "RuleOne", 1),
                                              vt::RuleSection(2, "RuleTwo", 1)}));
        Start();
        ::SetForegroundWindow(form().Handle());
        ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == form().Handle(); }));
    }
    // The header captions and the rows' texts of a list, as the X screen shows them.
    bool ListDrawn(HWND list) {
        const RECT all = vt::WindowRectOf(list);
        const RECT header =
            vt::WindowRectOf(reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0)));
        const RECT rows{all.left + 4, header.bottom + 1, all.right - 4, header.bottom + 34};
        return vt::WaitInLoop(
            [&] {
                const vt::XShot shot(all);
                return shot.Dark(header) > 40 && shot.Dark(rows) > 40;
            },
            5000);
    }
    POINT TabCentre(int tab) {
        RECT r{};
        ::SendMessageA(form().ftcMain(), TCM_GETITEMRECT, static_cast<WPARAM>(tab),
                       reinterpret_cast<LPARAM>(&r));
        ::MapWindowPoints(form().ftcMain(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        return Centre(r);
    }
    POINT GraphicCentre(const char* name) {
        POINT p = Centre(form().Graphic(name)->bounds);
        ::ClientToScreen(form().Handle(), &p);
        return p;
    }
};

TEST_F(MainWindowUse, ListsStayDrawnThroughHoverClicksTabSwitchesDialogsAndRebuilds) {
    if (!vt::XToolsAvailable()) {
        GTEST_SKIP() << "no X display or X tools";
    }
    StartWithRows();
    const HWND lvMain = form().lvMain().Handle();
    const HWND lvRule = form().lvRule().Handle();
    // Over the tab strip and back over the list: every hot-tab change repaints the tab control.
    for (POINT p : {TabCentre(0), TabCentre(1), TabCentre(0), Centre(vt::WindowRectOf(lvMain))}) {
        ASSERT_TRUE(vt::XMovePointer(p.x, p.y));
        RunLoop();
    }
    EXPECT_TRUE(ListDrawn(lvMain)) << "after hovering";
    ASSERT_TRUE(vt::XClick(1));
    EXPECT_TRUE(ListDrawn(lvMain)) << "after a click into the list";

    const POINT rules = TabCentre(1);
    ASSERT_TRUE(vt::XMovePointer(rules.x, rules.y));
    ASSERT_TRUE(vt::XClick(1));
    ASSERT_TRUE(vt::WaitInLoop([&] { return ::IsWindowVisible(lvRule) != FALSE; }));
    EXPECT_TRUE(ListDrawn(lvRule)) << "rules tab";
    const POINT back = TabCentre(0);
    ASSERT_TRUE(vt::XMovePointer(back.x, back.y));
    ASSERT_TRUE(vt::XClick(1));
    ASSERT_TRUE(vt::WaitInLoop([&] { return ::IsWindowVisible(lvMain) != FALSE; }));
    EXPECT_TRUE(ListDrawn(lvMain)) << "back on the window list";

    vt::WhenModalOpens("About Vantrel",
                       [](vantrel::Form& about) { about.SetModalResult(vantrel::kResultOk); });
    form().miAboutClick();
    EXPECT_TRUE(ListDrawn(lvMain)) << "after a dialog closed over it";
    form().catalogue().Rebuild();
    EXPECT_TRUE(ListDrawn(lvMain)) << "after a rebuild";
}

TEST_F(MainWindowUse, EachVisibleControlShowsItsOwnHintOnEachTab) {
    if (!vt::XToolsAvailable()) {
        GTEST_SKIP() << "no X display or X tools";
    }
    StartWithRows();
    const HWND tip = form().toolTip();
    auto hintAt = [&](POINT p, const std::string& expected) {
        std::string text;
        // Off every control first, so that the hint comes up afresh.
        POINT off{60, 20};
        ::ClientToScreen(form().Handle(), &off);
        vt::XMovePointer(off.x, off.y);
        vt::XMovePointer(p.x, p.y);
        vt::WaitInLoop(
            [&] {
                char buffer[256] = {};
                TTTOOLINFOA tool{};
                tool.cbSize = TTTOOLINFOA_V1_SIZE;
                tool.lpszText = buffer;
                text.clear();
                if (::IsWindowVisible(tip) &&
                    ::SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
                    text = buffer;
                }
                return text == expected;
            },
            5000);
        return text;
    };
    // The list has no picture of its own: its row stands for the list of the tab.
    const struct {
        int tab;
        const char* control;
        const char* hint;
    } rows[] = {
        {0, "bAddRule", "Add a rule of the selected application"},
        {0, "bRefresh", "Refresh list"},
        {0, "bTransp", "Makes the selected window transparent"},
        {0, "bSettings", "Common settings"},
        {0, "list", "Press right button of mouse, List menu will popup."},
        {1, "bEditRule", "Edit the selected rule"},
        {1, "bDeleteRule", "Delete the selected rule"},
        {1, "bHelp", "Help"},
    };
    for (const auto& row : rows) {
        if (form().ActiveTab() != row.tab) {
            const POINT tab = TabCentre(row.tab);
            vt::XMovePointer(tab.x, tab.y);
            vt::XClick(1);
            ASSERT_TRUE(vt::WaitInLoop([&] { return form().ActiveTab() == row.tab; }));
        }
        const POINT at = std::string(row.control) == "list"
                             ? Centre(vt::WindowRectOf(form().lvMain().Handle()))
                             : GraphicCentre(row.control);
        EXPECT_EQ(hintAt(at, row.hint), row.hint) << row.control;
    }
}

TEST_F(MainWindowUse, FirstRightClickAfterADialogOpensTheMenuWhereTheHintHadComeUp) {
    if (!vt::XToolsAvailable()) {
        GTEST_SKIP() << "no X display or X tools";
    }
    StartWithRows();
    vt::WhenModalOpens("About Vantrel",
                       [](vantrel::Form& about) { about.SetModalResult(vantrel::kResultOk); });
    form().miAboutClick();
    const HWND tip = form().toolTip();
    const RECT list = vt::WindowRectOf(form().lvMain().Handle());
    POINT at{list.left + 80, list.top + 30};
    ASSERT_TRUE(vt::XMovePointer(at.x, at.y));
    ASSERT_TRUE(vt::WaitInLoop([&] { return ::IsWindowVisible(tip) != FALSE; }));
    const RECT hint = vt::WindowRectOf(tip);
    // The pointer goes on down to the next row, over where the hint stands, as a hand does.
    while (at.y < (hint.top + hint.bottom) / 2) {
        at.y += 3;
        ASSERT_TRUE(vt::XMovePointer(at.x, at.y));
        RunLoop();
    }
    vt::MenuWatch watch;
    ASSERT_TRUE(vt::XClick(3));
    EXPECT_TRUE(vt::WaitInLoop([&] { return watch.Seen() > 0; }, 5000));
}

TEST_F(MainWindowUse, KeyboardReachesTabsListsMenusAndCommands) {
    StartWithRows();
    const HWND tabs = form().ftcMain();
    const HWND lvMain = form().lvMain().Handle();
    EXPECT_EQ(::GetFocus(), tabs) << "the tab control has the focus at first";

    Press(VK_TAB);
    EXPECT_TRUE(vt::WaitInLoop([&] { return ::GetFocus() == lvMain; }));
    Press(VK_TAB, {VK_SHIFT});
    EXPECT_TRUE(vt::WaitInLoop([&] { return ::GetFocus() == tabs; }));
    Press(VK_RIGHT);
    EXPECT_TRUE(
        vt::WaitInLoop([&] { return form().ActiveTab() == 1 && form().lvRule().Visible(); }));
    Press(VK_TAB);
    EXPECT_TRUE(vt::WaitInLoop([&] { return ::GetFocus() == form().lvRule().Handle(); }));
    Press(VK_TAB, {VK_CONTROL});
    EXPECT_TRUE(
        vt::WaitInLoop([&] { return form().ActiveTab() == 0 && form().lvMain().Visible(); }));
    Press(VK_TAB, {VK_CONTROL, VK_SHIFT});
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().ActiveTab() == 1; }));
    Press(VK_LEFT);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().ActiveTab() == 0; }));

    // The list's own keys move the selection.
    ::SetFocus(lvMain);
    const int last = form().lvMain().Count() - 1;
    ASSERT_GE(last, 1);
    Press(VK_END);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().lvMain().Selected() == last; }));
    Press(VK_HOME);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().lvMain().Selected() == 0; }));
    Press(VK_DOWN);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().lvMain().Selected() == 1; }));
    Press(VK_PRIOR);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().lvMain().Selected() == 0; }));

    // Both menu keys open the list menu just below the selected row.
    form().lvMain().Select(form().windows().Find(window_));
    RECT row{};
    row.left = LVIR_BOUNDS;
    ::SendMessageA(lvMain, LVM_GETITEMRECT, static_cast<WPARAM>(form().lvMain().Selected()),
                   reinterpret_cast<LPARAM>(&row));
    ::MapWindowPoints(lvMain, nullptr, reinterpret_cast<POINT*>(&row), 2);
    for (const std::vector<WORD>& keys : {std::vector<WORD>{VK_APPS}, {VK_SHIFT, VK_F10}}) {
        vt::MenuWatch watch;
        Press(keys.back(), std::vector<WORD>(keys.begin(), keys.end() - 1));
        EXPECT_TRUE(vt::WaitInLoop([&] { return watch.Seen() > 0; })) << keys.back();
        EXPECT_GE(watch.Where().top, row.bottom - 2);
        EXPECT_LE(watch.Where().top, row.bottom + 4);
        EXPECT_GE(watch.Where().left, row.left);
    }

    // Enter does what a double click does: the rule editor for the selected window.
    std::string opened;
    vt::WhenModalOpens("Set Rule", [&](vantrel::Form& dialog) {
        opened =
            vantrel::ControlText(vt::Control(dialog.Handle(), vantrel::TfrmSetRule::kIdClassName));
        dialog.SetModalResult(vantrel::kResultCancel);
    });
    Press(VK_RETURN);
    EXPECT_TRUE(vt::WaitInLoop([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, class_);
}

TEST_F(MainWindowUse, PictureButtonsRunOnPressAndReleaseOverTheSameButtonOncePerClick) {
    StartWithRows();
    std::vector<std::string> opened;
    vantrel::ScopedShellOpener opener(
        [&](HWND, const std::string& target) { opened.push_back(target); });
    const POINT link = GraphicCentre("lInternet");
    const POINT help = GraphicCentre("bHelp");
    // Pressed on the link, released on the help button: neither runs.
    MouseTo(link, MOUSEEVENTF_LEFTDOWN);
    MouseTo(help, MOUSEEVENTF_LEFTUP);
    RunLoop();
    EXPECT_TRUE(opened.empty());
    // A double click is one click's command, once.
    for (int i = 0; i < 2; ++i) {
        MouseTo(help, MOUSEEVENTF_LEFTDOWN);
        MouseTo(help, MOUSEEVENTF_LEFTUP);
    }
    EXPECT_TRUE(vt::WaitInLoop([&] { return !opened.empty(); }));
    RunLoop();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("Vantrel.chm"), std::string::npos);
}

TEST_F(MainWindowUse, AnOpenListMenuKeepsItsWindowThroughRebuildsAndFollowsItsGoing) {
    StartWithRows();
    form().SelectWindow(window_);
    // "Add rule"'s state: at first, after a rebuild, after the window's row went.
    std::vector<bool> enabled;
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    const vt::MenuWatch watch([&](HWND menuWindow, int) {
        const HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        const bool on =
            (::GetMenuState(menu, vantrel::kCmdMainAddRule, MF_BYCOMMAND) & MF_GRAYED) == 0;
        if (enabled.empty()) {
            enabled.push_back(on);
            form().catalogue().Rebuild();
            return false;
        }
        if (enabled.size() == 1) {
            enabled.push_back(on);
            ::PostMessageA(form().Handle(), vantrel::WM_WINDOWNOTICE, vantrel::kNoticeDestroyed,
                           reinterpret_cast<LPARAM>(window_));
            return false;
        }
        if (!on || ::GetTickCount64() >= deadline) {
            enabled.push_back(on);
            return true;
        }
        return false;
    });
    form().fbMenuClick();
    EXPECT_EQ(enabled, (std::vector<bool>{true, true, false}));
}

TEST_F(MainWindowUse, DialogForAnotherProgramsWindowTakesItsOwnEnterAndEscape) {
    StartWithRows();
    const RECT before = vt::WindowRectOf(window_);
    for (const WORD key : {WORD{VK_ESCAPE}, WORD{VK_RETURN}}) {
        bool keySent = false;
        vt::WhenModalOpens("Resize window", [&](const vantrel::Form& dialog) {
            ::SetFocus(vt::Control(dialog.Handle(), vantrel::TfrmResize::kWidthEditId));
            vt::PressKey(key);
            keySent = true;
        });
        const vt::ModalDeadline deadline(8000);
        form().ShowResizeDialog(window_, true);
        EXPECT_TRUE(keySent);
        EXPECT_EQ(deadline.Ended(), 0) << "the dialog did not take key " << key;
        EXPECT_TRUE(::IsWindow(window_)) << "the program under the dialog stays";
    }
    const RECT after = vt::WindowRectOf(window_);
    EXPECT_FALSE(::EqualRect(&before, &after)) << "Enter ran the dialog's OK";
}

TEST_F(MainWindowUse, ResizeEditsDropRefusedKeysSilentlyWhileTheRuleEditorBeeps) {
    StartWithRows();
    const int beeps = vantrel::RefusalBeeps();
    std::string typed;
    vt::WhenModalOpens("Resize window", [&](vantrel::Form& dialog) {
        const HWND edit = vt::Control(dialog.Handle(), vantrel::TfrmResize::kWidthEditId);
        vantrel::SetControlText(edit, "");
        vt::Type(edit, "4x2");
        typed = vantrel::ControlText(edit);
        dialog.SetModalResult(vantrel::kResultCancel);
    });
    form().ShowResizeDialog(window_, false);
    EXPECT_EQ(typed, "42");
    EXPECT_EQ(vantrel::RefusalBeeps(), beeps);

    vt::WhenModalOpens("Set Rule", [&](vantrel::Form& dialog) {
        vt::Type(vt::Control(dialog.Handle(), vantrel::TfrmSetRule::kIdTimeInterval), "x");
        dialog.SetModalResult(vantrel::kResultCancel);
    });
    form().bAddRuleClick();
    EXPECT_EQ(vantrel::RefusalBeeps(), beeps + 1);
}

// How much of a list row the X screen shows in the selection's colour.
double HighlightShare(HWND list, int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const vt::XShot shot(r);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    int hits = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            hits += shot.At(x, y) == highlight ? 1 : 0;
        }
    }
    const int area = (r.right - r.left) * (r.bottom - r.top);
    return area > 0 ? static_cast<double>(hits) / area : 0.0;
}

TEST_F(MainWindowUse, SelectedRowStaysDrawnWithoutFocusAndDeleteAndF5Work) {
    if (!vt::XToolsAvailable()) {
        GTEST_SKIP() << "no X screen to look at";
    }
    StartWithRows();
    const HWND tabs = form().ftcMain();
    // Tab into a list with no row chosen: the first row shows the focus, none gets selected.
    form().lvMain().Select(-1);
    ::SetFocus(tabs);
    Press(VK_TAB);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().lvMain().Focused() == 0; }));
    EXPECT_EQ(form().lvMain().Selected(), -1);
    struct Case {
        int tab;
        vantrel::ListView& list;
        int row;
    };
    const Case cases[] = {{0, form().lvMain(), form().windows().Find(window_)},
                          {1, form().lvRule(), 1}};
    for (const Case& c : cases) {
        ::SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(c.tab), 0);
        form().ftcMainTabChanged(c.tab);
        c.list.Select(c.row);
        ::SetFocus(tabs); // as after a click on a picture button or the Menu button
        EXPECT_TRUE(
            vt::WaitInLoop([&] { return HighlightShare(c.list.Handle(), c.row) > 0.5; }, 5000))
            << "tab " << c.tab << ": the row the commands act on looks chosen";
    }

    // Delete on the Rules tab deletes the selected rule, as the Delete button does.
    ::SetFocus(form().lvRule().Handle());
    form().lvRule().Select(0);
    Press(VK_DELETE);
    EXPECT_TRUE(vt::WaitInLoop([&] { return form().rules().size() == 1u; }));
    EXPECT_EQ(form().rules().at(0).className, "RuleTwo");
    {
        vt::BoxAnswerer boxes;
        form().lvRule().Select(-1);
        Press(VK_DELETE);
        EXPECT_TRUE(vt::WaitInLoop([&] { return !boxes.Seen().empty(); }));
        EXPECT_EQ(form().rules().size(), 1u) << "nothing selected: nothing deleted";
    }

    // F5 refreshes from the list and from the tab strip alike.
    for (HWND focus : {form().lvRule().Handle(), tabs}) {
        ::SetFocus(focus);
        const int before = form().catalogue().Rebuilds();
        Press(VK_F5);
        EXPECT_TRUE(vt::WaitInLoop([&] { return form().catalogue().Rebuilds() > before; }));
    }
}

// The key a menu shows beside an item ("Ctrl+T", "F5", "Del"), as the key and its modifiers.
bool KeyOf(std::string text, WORD& key, std::vector<WORD>& modifiers) {
    if (text.rfind("Ctrl+", 0) == 0) {
        modifiers.push_back(VK_CONTROL);
        text = text.substr(5);
    }
    const std::pair<const char*, WORD> named[] = {
        {"Ins", VK_INSERT}, {"Del", VK_DELETE}, {"Enter", VK_RETURN}};
    const auto found = std::find_if(std::begin(named), std::end(named),
                                    [&](const auto& n) { return text == n.first; });
    if (found != std::end(named)) {
        key = found->second;
        return true;
    }
    if (text.size() == 1) {
        key = static_cast<WORD>(text[0]);
        return true;
    }
    if (text.size() > 1 && text[0] == 'F') {
        key = static_cast<WORD>(VK_F1 + std::stoi(text.substr(1)) - 1);
        return true;
    }
    return false;
}

void ShownShortcuts(const std::vector<vantrel::MenuItemModel>& items,
                    std::vector<std::string>& keys) {
    for (const vantrel::MenuItemModel& item : items) {
        if (!item.visible) {
            continue;
        }
        if (!item.shortcut.empty()) {
            keys.push_back(item.shortcut);
        }
        ShownShortcuts(item.children, keys);
    }
}

TEST_F(MainWindowUse, WhatEachPictureButtonDoesAKeyShownInTheListMenuDoes) {
    StartWithRows();
    std::string opened;
    vantrel::ScopedShellOpener opener(
        [&](HWND, const std::string& target) { opened = "opened " + target; });
    vt::BoxAnswerer boxes;
    // What a person sees happen: the dialog that opened (and whether it came with a class
    // name), the file opened, a rule gone, or the list built anew.
    std::string dialog;
    size_t rules = 0;
    int rebuilds = 0;
    size_t boxCount = 0;
    const auto arm = [&] {
        RunLoop(); // what earlier steps left queued happens before the baseline
        dialog.clear();
        opened.clear();
        rules = form().rules().size();
        rebuilds = form().catalogue().Rebuilds();
        boxCount = boxes.Seen().size();
        vt::WhenModalOpens("", [&](vantrel::Form& d) {
            dialog = d.Caption();
            if (dialog == "Set Rule") {
                const HWND name = vt::Control(d.Handle(), vantrel::TfrmSetRule::kIdClassName);
                dialog += vantrel::ControlText(name).empty() ? " (new)" : " (filled)";
            }
            d.SetModalResult(vantrel::kResultCancel);
        });
    };
    const auto seen = [&]() -> std::string {
        if (!dialog.empty()) {
            return dialog;
        }
        if (!opened.empty()) {
            return opened;
        }
        if (boxes.Seen().size() > boxCount) {
            return "box " + boxes.Seen().back().text;
        }
        if (form().rules().size() < rules) {
            return "rule deleted";
        }
        return form().catalogue().Rebuilds() > rebuilds ? "list rebuilt" : "";
    };
    const auto settle = [&] {
        vt::WaitInLoop([&] { return !seen().empty(); }, 5000);
        vt::DropPendingScripts();
        return seen();
    };
    for (int tab : {0, 1}) {
        SCOPED_TRACE(tab);
        ::SendMessageA(form().ftcMain(), TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        form().ftcMainTabChanged(tab);
        vantrel::ListView& list = tab == 0 ? form().lvMain() : form().lvRule();
        const auto ready = [&] {
            if (tab == 0) {
                form().SelectWindow(window_);
            } else {
                list.Select(0);
            }
            ::SetForegroundWindow(form().Handle());
            vt::WaitInLoop([&] { return ::GetForegroundWindow() == form().Handle(); });
            ::SetFocus(list.Handle());
        };
        std::vector<std::string> clicked;
        for (const vantrel::GraphicControl& g : form().graphicControls()) {
            if (g.kind != vantrel::GraphicControl::kPictureButton || !g.visible) {
                continue;
            }
            ready();
            arm();
            const POINT at = GraphicCentre(g.name.c_str());
            MouseTo(at, MOUSEEVENTF_LEFTDOWN);
            MouseTo(at, MOUSEEVENTF_LEFTUP);
            clicked.push_back(settle());
            EXPECT_FALSE(clicked.back().empty()) << g.name;
        }
        std::vector<std::string> shortcuts;
        ShownShortcuts(form().pmMain().items, shortcuts);
        std::vector<std::string> pressed;
        for (const std::string& text : shortcuts) {
            WORD key = 0;
            std::vector<WORD> modifiers;
            ASSERT_TRUE(KeyOf(text, key, modifiers)) << text;
            ready();
            arm();
            Press(key, modifiers);
            pressed.push_back(settle());
        }
        for (const std::string& effect : clicked) {
            EXPECT_NE(std::find(pressed.begin(), pressed.end(), effect), pressed.end())
                << "no key shown in the menu does what its button does: " << effect;
        }
    }
}

} // namespace
