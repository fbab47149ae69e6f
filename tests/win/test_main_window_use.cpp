// The main window as a person uses it: real pointer moves and clicks, real key presses, and what
// reaches the X screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/messages.h"
#include "commands/resize_dialog.h"
#include "rules/rule_commands.h"
#include "rules/set_rule_dialog.h"
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

// A key, the modifiers before it held around it, through the system's input queue.
void Press(const std::vector<WORD>& keys) {
    vt::PressKey(keys.back(), {keys.begin(), keys.end() - 1});
    RunLoop();
}

void MouseTo(POINT screen, DWORD buttons) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    ::SendInput(1, &input, sizeof(input));
    RunLoop();
}

void ClickAt(POINT screen) {
    MouseTo(screen, MOUSEEVENTF_LEFTDOWN);
    MouseTo(screen, MOUSEEVENTF_LEFTUP);
}

bool XClickAt(POINT p, int button = 1) {
    return vt::XMovePointer(p.x, p.y) && vt::XClick(button);
}

// A part of a control (a list row, a tab) on the screen, as the control's message reports it.
RECT PartRect(HWND control, UINT message, int index, LONG kind = 0) {
    RECT r{kind, 0, 0, 0};
    ::SendMessageA(control, message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    ::MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// How much of a list row the X screen shows in the selection's colour.
double HighlightShare(HWND list, int row) {
    const RECT r = PartRect(list, LVM_GETITEMRECT, row, LVIR_BOUNDS);
    const vt::XShot shot(r);
    int hits = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            hits += shot.At(x, y) == ::GetSysColor(COLOR_HIGHLIGHT) ? 1 : 0;
        }
    }
    const int area = (r.right - r.left) * (r.bottom - r.top);
    return area > 0 ? static_cast<double>(hits) / area : 0.0;
}

// The keys a menu shows beside an item ("Ctrl+T", "F5", "Del"), modifiers first; empty when the
// text names no key.
std::vector<WORD> KeysOf(std::string text) {
    std::vector<WORD> keys;
    if (text.rfind("Ctrl+", 0) == 0) {
        keys.push_back(VK_CONTROL);
        text.erase(0, 5);
    }
    const int f = text.size() > 1 && text[0] == 'F' ? std::atoi(text.c_str() + 1) : 0;
    const WORD key = text == "Ins"       ? VK_INSERT
                     : text == "Del"     ? VK_DELETE
                     : text == "Enter"   ? VK_RETURN
                     : f >= 1 && f <= 12 ? static_cast<WORD>(VK_F1 + f - 1)
                     : text.size() == 1  ? static_cast<WORD>(text[0])
                                         : 0;
    if (key == 0) {
        return {};
    }
    keys.push_back(key);
    return keys;
}

void ShownShortcuts(const std::vector<vantrel::MenuItemModel>& items,
                    std::vector<std::string>& keys) {
    for (const vantrel::MenuItemModel& item : items) {
        if (item.visible && !item.shortcut.empty()) {
            keys.push_back(item.shortcut);
        }
        if (item.visible) {
            ShownShortcuts(item.children, keys);
        }
    }
}

class MainWindowUse : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    HWND window_ = nullptr;
    std::string class_ = vt::UniqueName("Use");
    std::string ruleClass_;
    void SetUp() override {
        window_ = fixture_.CreateOne(vt::Spec(class_, "Window of the fixture"));
        WriteFile("rules.dat", vt::RulesFile({vt::RuleSection(1, "RuleOne", 1),
                                              vt::RuleSection(2, "RuleTwo", 1)}));
        Start();
        ASSERT_TRUE(ToForeground());
    }
    bool ToForeground() {
        ::SetForegroundWindow(form().Handle());
        return vt::WaitInLoop([&] { return ::GetForegroundWindow() == form().Handle(); });
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
    POINT TabCentre(int tab) { return Centre(PartRect(form().ftcMain(), TCM_GETITEMRECT, tab)); }
    POINT GraphicCentre(const char* name) {
        POINT p = Centre(form().Graphic(name)->bounds);
        ::ClientToScreen(form().Handle(), &p);
        return p;
    }
    void ShowTab(int tab) {
        ::SendMessageA(form().ftcMain(), TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        form().ftcMainTabChanged(tab);
    }
    void CloseAbout() {
        vt::WhenModalOpens("About Vantrel",
                           [](vantrel::Form& about) { about.SetModalResult(vantrel::kResultOk); });
        form().miAboutClick();
    }
    // What a person sees `act` do: the dialog that opened (and whether it came with a class name,
    // kept in ruleClass_), the file opened, the message box, a rule gone, or the list built anew.
    std::string EffectOf(const std::function<void()>& act) {
        RunLoop(); // what earlier steps left queued happens before the baseline
        std::string seen;
        vt::OpenRecorder opener;
        vt::BoxAnswerer boxes;
        const size_t rules = form().rules().size();
        const int rebuilds = form().catalogue().Rebuilds();
        vt::WhenModalOpens("", [&](vantrel::Form& d) {
            seen = d.Caption();
            if (seen == "Set Rule") {
                ruleClass_ = vantrel::ControlText(
                    vt::Control(d.Handle(), vantrel::TfrmSetRule::kIdClassName));
                seen += ruleClass_.empty() ? " (new)" : " (filled)";
            }
            d.SetModalResult(vantrel::kResultCancel);
        });
        act();
        const auto effect = [&]() -> std::string {
            return !seen.empty()                   ? seen
                   : !opener.calls.empty()         ? "opened " + opener.calls.back().second
                   : !boxes.Seen().empty()         ? "box " + boxes.Seen().back().text
                   : form().rules().size() < rules ? "rule deleted"
                   : form().catalogue().Rebuilds() > rebuilds ? "list rebuilt"
                                                              : "";
        };
        vt::WaitInLoop([&] { return !effect().empty(); }, 5000);
        vt::DropPendingScripts();
        return effect();
    }
};

// What reaches the X screen, and the pointer moved and clicked there.
class MainWindowOnX : public MainWindowUse {
protected:
    void SetUp() override {
        if (!vt::XToolsAvailable()) {
            GTEST_SKIP() << "no X display or X tools";
        }
        MainWindowUse::SetUp();
    }
};

// Hover, clicks, tab switches, a dialog over it and a rebuild each leave the lists drawn; the row
// the commands act on looks chosen while the focus is elsewhere.
TEST_F(MainWindowOnX, ListsAndTheirChosenRowStayDrawn) {
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
    for (const int tab : {1, 0}) { // the rules tab, then back on the window list
        const HWND list = tab == 1 ? lvRule : lvMain;
        ASSERT_TRUE(XClickAt(TabCentre(tab)));
        ASSERT_TRUE(vt::WaitInLoop([&] { return ::IsWindowVisible(list) != FALSE; })) << tab;
        EXPECT_TRUE(ListDrawn(list)) << "after a click on tab " << tab;
    }
    CloseAbout();
    EXPECT_TRUE(ListDrawn(lvMain)) << "after a dialog closed over it";
    form().catalogue().Rebuild();
    EXPECT_TRUE(ListDrawn(lvMain)) << "after a rebuild";

    const struct {
        int tab;
        vantrel::ListView& list;
        int row;
    } rows[] = {{0, form().lvMain(), form().windows().Find(window_)}, {1, form().lvRule(), 1}};
    for (const auto& c : rows) {
        ShowTab(c.tab);
        c.list.Select(c.row);
        ::SetFocus(form().ftcMain()); // as after a click on a picture button or the Menu button
        EXPECT_TRUE(
            vt::WaitInLoop([&] { return HighlightShare(c.list.Handle(), c.row) > 0.5; }, 5000))
            << "tab " << c.tab << ": the row the commands act on looks chosen";
    }
}

// Each control's own hint on each tab; then, after a dialog, the first right click where the hint
// had come up opens the list menu.
TEST_F(MainWindowOnX, EachVisibleControlShowsItsOwnHintAndTheHintTakesNoClick) {
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
                text = ::IsWindowVisible(tip) && ::SendMessageA(tip, TTM_GETCURRENTTOOLA, 0,
                                                                reinterpret_cast<LPARAM>(&tool))
                           ? buffer
                           : "";
                return text == expected;
            },
            5000);
        return text;
    };
    // The list has no picture of its own: its row stands for the list of the tab.
    const char* const listHint = "Press right button of mouse, List menu will popup.";
    EXPECT_EQ(hintAt(Centre(vt::WindowRectOf(form().lvMain().Handle())), listHint), listHint);
    std::map<std::string, std::string> controlOf; // each hint's, so that no two share one
    for (int tab : {0, 1}) {
        if (form().ActiveTab() != tab) {
            XClickAt(TabCentre(tab));
            ASSERT_TRUE(vt::WaitInLoop([&] { return form().ActiveTab() == tab; }));
        }
        for (const vantrel::GraphicControl& g : form().graphicControls()) {
            if (g.visible && !g.hint.empty()) {
                EXPECT_EQ(controlOf.emplace(g.hint, g.name).first->second, g.name) << g.hint;
                EXPECT_EQ(hintAt(GraphicCentre(g.name.c_str()), g.hint), g.hint) << g.name;
            }
        }
    }

    ShowTab(0);
    CloseAbout();
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
    EXPECT_TRUE(vt::WaitInLoop([&] { return watch.Seen() > 0; }, 5000))
        << "the first right click after a dialog";
}

TEST_F(MainWindowUse, KeyboardReachesTabsListsMenusAndCommands) {
    auto& f = form();
    const HWND tabs = f.ftcMain();
    const HWND lvMain = f.lvMain().Handle();
    EXPECT_EQ(::GetFocus(), tabs) << "the tab control has the focus at first";
    // The rows come in passes; the list keys need two of them, and the last to stay last.
    ASSERT_TRUE(vt::WaitInLoop([&] {
        return !f.catalogue().PassRunning() && !f.RowsWaiting() && f.lvMain().Count() >= 2;
    }));
    const int last = f.lvMain().Count() - 1;
    // Tab into a list with no row chosen: the first row shows the focus, none gets selected.
    f.lvMain().Select(-1);
    const struct {
        std::vector<WORD> keys; // modifiers first
        const char* what;
        std::function<bool()> done;
    } steps[] = {
        {{VK_TAB},
         "Tab into the list, no row chosen",
         [&] { return ::GetFocus() == lvMain && f.lvMain().Focused() == 0; }},
        {{VK_SHIFT, VK_TAB}, "Shift+Tab", [&] { return ::GetFocus() == tabs; }},
        {{VK_RIGHT}, "Right", [&] { return f.ActiveTab() == 1 && f.lvRule().Visible(); }},
        {{VK_TAB}, "Tab on the Rules tab", [&] { return ::GetFocus() == f.lvRule().Handle(); }},
        {{VK_CONTROL, VK_TAB},
         "Ctrl+Tab",
         [&] { return f.ActiveTab() == 0 && f.lvMain().Visible(); }},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, "Ctrl+Shift+Tab", [&] { return f.ActiveTab() == 1; }},
        {{VK_LEFT}, "Left", [&] { return f.ActiveTab() == 0; }},
        // The list's own keys move the selection.
        {{VK_TAB}, "Tab", [&] { return ::GetFocus() == lvMain; }},
        {{VK_END}, "End", [&] { return f.lvMain().Selected() == last; }},
        {{VK_HOME}, "Home", [&] { return f.lvMain().Selected() == 0; }},
        {{VK_DOWN}, "Down", [&] { return f.lvMain().Selected() == 1; }},
        {{VK_PRIOR}, "Page Up", [&] { return f.lvMain().Selected() == 0; }},
    };
    for (const auto& step : steps) {
        Press(step.keys);
        EXPECT_TRUE(vt::WaitInLoop(step.done)) << step.what;
        EXPECT_TRUE(&step != &steps[0] || f.lvMain().Selected() == -1) << "Tab chose a row";
    }

    // Both menu keys open the list menu just below the selected row.
    f.lvMain().Select(f.windows().Find(window_));
    const RECT row = PartRect(lvMain, LVM_GETITEMRECT, f.lvMain().Selected(), LVIR_BOUNDS);
    for (const std::vector<WORD>& keys : {std::vector<WORD>{VK_APPS}, {VK_SHIFT, VK_F10}}) {
        vt::MenuWatch watch;
        Press(keys);
        EXPECT_TRUE(vt::WaitInLoop([&] { return watch.Seen() > 0; })) << keys.back();
        EXPECT_GE(watch.Where().top, row.bottom - 2);
        EXPECT_LE(watch.Where().top, row.bottom + 4);
        EXPECT_GE(watch.Where().left, row.left);
    }

    // Enter does what a double click does; Delete on the Rules tab deletes the selected rule, and
    // with none selected nothing; F5 refreshes from the list and from the tab strip alike.
    const struct {
        const char* what;
        std::function<void()> before;
        WORD key;
        std::string effect;
    } uses[] = {
        {"Enter on a window's row", [] {}, VK_RETURN, "Set Rule (filled)"},
        {"Delete on the first rule",
         [&] {
             ShowTab(1);
             ::SetFocus(f.lvRule().Handle());
             f.lvRule().Select(0);
         },
         VK_DELETE, "rule deleted"},
        {"Delete, no rule selected", [&] { f.lvRule().Select(-1); }, VK_DELETE,
         std::string("box ") + vantrel::kSelectListItemFirst},
        {"F5 in the rules list", [&] { ::SetFocus(f.lvRule().Handle()); }, VK_F5, "list rebuilt"},
        {"F5 on the tab strip", [&] { ::SetFocus(tabs); }, VK_F5, "list rebuilt"},
    };
    for (const auto& use : uses) {
        use.before();
        EXPECT_EQ(EffectOf([&] { Press({use.key}); }), use.effect) << use.what;
    }
    EXPECT_EQ(ruleClass_, class_) << "Enter edits the selected window's rule";
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(f.rules().at(0).className, "RuleTwo");
}

TEST_F(MainWindowUse, PictureButtonsRunOnPressAndReleaseOverTheSameButtonOncePerClick) {
    vt::OpenRecorder opener;
    const auto& opened = opener.calls;
    const POINT link = GraphicCentre("lInternet");
    const POINT help = GraphicCentre("bHelp");
    // Pressed on the link, released on the help button: neither runs.
    MouseTo(link, MOUSEEVENTF_LEFTDOWN);
    MouseTo(help, MOUSEEVENTF_LEFTUP);
    RunLoop();
    EXPECT_TRUE(opened.empty());
    // A double click is one click's command, once.
    ClickAt(help);
    ClickAt(help);
    EXPECT_TRUE(vt::WaitInLoop([&] { return !opened.empty(); }));
    RunLoop();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].second.find("Vantrel.chm"), std::string::npos);
}

TEST_F(MainWindowUse, AnOpenListMenuKeepsItsWindowThroughRebuildsAndFollowsItsGoing) {
    form().SelectWindow(window_);
    // "Add rule"'s state: at first, after a rebuild, after the window's row went.
    std::vector<bool> enabled;
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    const vt::MenuWatch watch([&](HWND menuWindow, int) {
        const HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        const bool on =
            (::GetMenuState(menu, vantrel::kCmdMainAddRule, MF_BYCOMMAND) & MF_GRAYED) == 0;
        if (enabled.size() < 2 || !on || ::GetTickCount64() >= deadline) {
            enabled.push_back(on);
        }
        if (enabled.size() == 1) {
            form().catalogue().Rebuild();
        } else if (enabled.size() == 2 && on) {
            ::PostMessageA(form().Handle(), vantrel::WM_WINDOWNOTICE, vantrel::kNoticeDestroyed,
                           vt::L(window_));
        }
        return enabled.size() > 2;
    });
    form().fbMenuClick();
    EXPECT_EQ(enabled, (std::vector<bool>{true, true, false}));
}

// The dialog for another program's window takes its own Enter and Escape, and its number edits
// drop refused keys silently, while the rule editor beeps at them.
TEST_F(MainWindowUse, ResizeDialogTakesItsOwnKeysAndDropsRefusedOnesSilently) {
    const std::string before = vt::PlaceOf(window_);
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
    EXPECT_NE(vt::PlaceOf(window_), before) << "Enter ran the dialog's OK";

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

TEST_F(MainWindowUse, WhatEachPictureButtonDoesAKeyShownInTheListMenuDoes) {
    for (int tab : {0, 1}) {
        SCOPED_TRACE(tab);
        ShowTab(tab);
        vantrel::ListView& list = tab == 0 ? form().lvMain() : form().lvRule();
        const auto ready = [&] {
            if (tab == 0) {
                form().SelectWindow(window_);
            } else {
                list.Select(0);
            }
            ToForeground();
            ::SetFocus(list.Handle());
        };
        std::vector<std::string> clicked;
        for (const vantrel::GraphicControl& g : form().graphicControls()) {
            if (g.kind != vantrel::GraphicControl::kPictureButton || !g.visible) {
                continue;
            }
            ready();
            const POINT at = GraphicCentre(g.name.c_str());
            clicked.push_back(EffectOf([&] { ClickAt(at); }));
            EXPECT_FALSE(clicked.back().empty()) << g.name;
        }
        std::vector<std::string> shortcuts, pressed;
        ShownShortcuts(form().pmMain().items, shortcuts);
        for (const std::string& text : shortcuts) {
            const std::vector<WORD> keys = KeysOf(text);
            ASSERT_FALSE(keys.empty()) << text;
            ready();
            pressed.push_back(EffectOf([&] { Press(keys); }));
        }
        ASSERT_FALSE(clicked.empty());
        ASSERT_FALSE(shortcuts.empty());
        for (const std::string& effect : clicked) {
            EXPECT_NE(std::find(pressed.begin(), pressed.end(), effect), pressed.end())
                << "no key shown in the menu does what its button does: " << effect;
        }
    }
}

} // namespace
