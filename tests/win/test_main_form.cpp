// The main window's start-up, its list and its private messages, inside the test process.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/messages.h"
#include "commands/tray_hosting.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

class MainForm : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    // As the relay tells of a window.
    void Notice(WPARAM code, HWND window) {
        ::PostMessageA(form().Handle(), vantrel::WM_WINDOWNOTICE, code, vt::L(window));
    }
    // As the shell tells the program's taskbar window.
    void ShellHook(WPARAM code, HWND window) {
        ::PostMessageA(vantrel::Application::Instance().Handle(), form().shellHookMessage(), code,
                       vt::L(window));
    }
};

// A window that opens while the first pass runs is told of by the shell and the system's
// events, not left for the next rebuild (two minutes away where the shell is the watch): both
// are listened to before that pass. Wine has neither, so the program is told it has the shell
// hook, and a window of this process notes what the program listens to when the pass asks for
// its caption.
struct ListenedAtFirstPass {
    static inline LONG asked = 0, shellHook = 0, events = 0;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
        const vantrel::TfrmMain* form = vantrel::TfrmMain::Current();
        if (message == WM_GETTEXT && form != nullptr && asked == 0) {
            // The program's thread waits for this answer, so what it set before is settled.
            asked = 1;
            shellHook = form->shellHookMessage() != 0;
            events = form->windowEvents().Active();
        }
        return ::DefWindowProcA(window, message, wp, lp);
    }
};

TEST_F(MainForm, ListensForNewWindowsBeforeItsFirstPass) {
    shellHookRegistered_ = true;
    // On a thread of its own, as another program's window: the pass's question waits for it.
    std::atomic<bool> ready{false}, done{false};
    std::thread owner([&] {
        const vt::OwnWindow window(vt::UniqueName("FirstPass"), "asked at the first pass",
                                   &ListenedAtFirstPass::Proc);
        ready = true;
        vt::WaitUntil([&] { return done.load(); }, 60000);
    });
    if (vt::WaitUntil([&] { return ready.load(); })) {
        Start();
    }
    done = true;
    owner.join();
    ASSERT_EQ(ListenedAtFirstPass::asked, 1);
    EXPECT_EQ(ListenedAtFirstPass::shellHook, 1);
    EXPECT_EQ(ListenedAtFirstPass::events, 1);
}

TEST_F(MainForm, ShellHookRebuildsOnlyOnCreatedAndDestroyedAndOnceForABurst) {
    // A row to pick whatever else the desktop shows: Wine hides its taskbar while no icon is left.
    fixture_.CreateOfNewClass("MainHookKeep");
    auto& f = Start();
    const HWND window = fixture_.CreateOfNewClass("MainHook");

    f.lvMain().Select(0);
    const HWND picked = f.SelectedWindow();
    ASSERT_NE(picked, nullptr);
    for (WPARAM code : {WPARAM{4}, WPARAM{6}, WPARAM{0x8004}, WPARAM{3}}) {
        ShellHook(code, window);
    }
    vt::PumpMessages();
    EXPECT_EQ(f.windows().Find(window), -1);
    EXPECT_EQ(f.lvMain().Selected(), 0);

    // The window named in the message gets (or loses) its row in that message, before the
    // rebuild's slices have run.
    auto handleOnly = [&](WPARAM code) {
        ShellHook(code, window);
        MSG msg{};
        const UINT hook = f.shellHookMessage();
        ASSERT_TRUE(::PeekMessageA(&msg, nullptr, hook, hook, PM_REMOVE));
        ::DispatchMessageA(&msg);
        EXPECT_TRUE(f.catalogue().PassRunning());
    };
    handleOnly(HSHELL_WINDOWCREATED);
    EXPECT_GE(f.windows().Find(window), 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
    EXPECT_GE(f.windows().Find(window), 0);
    // A rebuild keeps the highlight on its window, wherever the new rows put that window.
    EXPECT_EQ(f.SelectedWindow(), picked);

    fixture_.Destroy(window);
    handleOnly(HSHELL_WINDOWDESTROYED);
    EXPECT_LT(f.windows().Find(window), 0);

    // A burst gives one rebuild, where its last message comes.
    vt::WindowSpec spec = vt::Spec(vt::UniqueName("MainBurst"));
    spec.count = 3;
    const std::vector<HWND> made = fixture_.Create(spec);
    const HWND gone = made[0];    // its notice comes in the middle of the burst
    const HWND dropped = made[1]; // its notice comes after the last message of the burst
    ASSERT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
    const int before = f.catalogue().Rebuilds();

    for (int i = 0; i < 20; ++i) {
        ShellHook(i % 2 ? HSHELL_WINDOWDESTROYED : HSHELL_WINDOWCREATED, made[2]);
        if (i == 10) {
            Notice(vantrel::kNoticeDestroyed, gone);
        }
    }
    Notice(vantrel::kNoticeDestroyed, dropped);
    vt::PumpMessages();
    EXPECT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
    EXPECT_EQ(f.catalogue().Rebuilds(), before + 1);
    // The rebuild ran where the last message of the burst was: after the notice in the middle
    // (its window is listed again) and before the one that followed the burst.
    EXPECT_GE(f.windows().Find(gone), 0);
    EXPECT_LT(f.windows().Find(dropped), 0);
    EXPECT_GE(f.windows().Find(made[2]), 0);
    EXPECT_EQ(f.SelectedWindow(), picked);

    // One message on its own still rebuilds at once.
    ShellHook(HSHELL_WINDOWCREATED, made[2]);
    vt::PumpMessages();
    EXPECT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
    EXPECT_EQ(f.catalogue().Rebuilds(), before + 2);
    EXPECT_GE(f.windows().Find(dropped), 0);
}

// Switching a list's drawing back on shows it (the system adds its visible style) and redraws the
// whole control: it is switched off only for a list in sight whose new count leaves it scrolled
// past its end, the one change the control shows at once.
int g_redraw[2] = {0, 0}; // off, on
WNDPROC g_listProc = nullptr;
LRESULT CALLBACK CountRedraw(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETREDRAW) {
        ++g_redraw[wParam != FALSE ? 1 : 0];
    }
    return ::CallWindowProcA(g_listProc, window, msg, wParam, lParam);
}

TEST_F(MainForm, TheWindowListSwitchesItsDrawingOffOnlyWhenItsCountScrollsIt) {
    auto& f = Start();
    vt::WindowSpec spec = vt::Spec(vt::UniqueName("MainTab"));
    const HWND list = f.lvMain().Handle();
    // More rows than the list shows at once, so that it can be scrolled to its end.
    spec.count = static_cast<int>(::SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 4;
    std::vector<HWND> made = fixture_.Create(spec);
    f.catalogue().Rebuild();
    ASSERT_TRUE(vt::WaitUntil([&] { return !f.RowsWaiting(); }));
    g_listProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountRedraw)));
    const struct {
        int tab;
        bool scrolledToEnd;
        bool adds; // else three rows go
        bool switched;
    } cases[] = {
        {1, false, true, false}, // out of sight: drawing on again would show it
        {1, true, false, false}, {0, false, true, false},  // a longer list keeps its place
        {0, true, true, false},  {0, false, false, false}, // scrolled to the top: nothing moves
        {0, true, false, true}, // scrolled past the new end: the control moves back at once
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tab << " " << c.scrolledToEnd << " " << c.adds);
        f.ftcMainTabChanged(c.tab);
        const int last = f.lvMain().Count() - 1;
        ::SendMessageA(list, LVM_ENSUREVISIBLE, c.scrolledToEnd ? last : 0, FALSE);
        g_redraw[0] = g_redraw[1] = 0;
        if (c.adds) {
            made.push_back(fixture_.CreateOne(spec));
        } else {
            for (int i = 0; i < 3; ++i) {
                fixture_.Destroy(made.back());
                made.pop_back();
            }
        }
        f.catalogue().Rebuild();
        EXPECT_TRUE(vt::WaitUntil([&] { return !f.RowsWaiting(); }));
        EXPECT_EQ(f.lvMain().Count(), f.windows().Count());
        EXPECT_EQ(g_redraw[0] > 0, c.switched);
        EXPECT_EQ(g_redraw[1], g_redraw[0]);
        EXPECT_EQ(::IsWindowVisible(list) != FALSE, c.tab == 0);
    }
}

// The list as any reader of the control gets it: the captions of its rows and the highlighted one.
struct Picture {
    std::vector<std::string> captions;
    int selected = -1;
};

Picture Read(HWND list) {
    Picture p{{}, ListView_GetNextItem(list, -1, LVNI_SELECTED)};
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        char text[512] = {};
        ListView_GetItemText(list, row, 0, text, sizeof(text));
        p.captions.emplace_back(text);
    }
    return p;
}

std::vector<std::string> Captions(const vantrel::WindowList& rows) {
    return vt::ColumnOf(rows, &vantrel::WindowEntry::caption);
}

TEST_F(MainForm, TheListShowsWholePicturesWithTheHighlightOnThePickedWindow) {
    const std::string cls = vt::UniqueName("MainKeep");
    std::vector<HWND> made;
    for (const char* caption : {"keep one", "keep two", "keep three"}) {
        made.push_back(fixture_.CreateOne(vt::Spec(cls, caption)));
    }
    WriteFile("rules.dat", vt::RulesFile({vt::RuleSection(1, "A", 1), vt::RuleSection(2, "B", 1),
                                          vt::RuleSection(3, "C", 1)}));
    auto& f = Start();
    const HWND list = f.lvMain().Handle();
    // Every picture is the rows before a change or after it, never a mix, and the highlight is
    // on the picked window in it.
    auto expectWhole = [&](const std::vector<std::string>& before, const std::string& when) {
        const Picture p = Read(list);
        EXPECT_TRUE(p.captions == before || p.captions == Captions(f.windows())) << when;
        ASSERT_GE(p.selected, 0) << when;
        ASSERT_LT(p.selected, static_cast<int>(p.captions.size())) << when;
        EXPECT_EQ(p.captions[static_cast<size_t>(p.selected)], "keep three") << when;
        EXPECT_EQ(f.SelectedWindow(), made[2]) << when;
    };
    f.SelectWindow(made[2]);
    // The two rows above it go one after the other, then one comes back at the end and is
    // renamed; each picture is read as soon as the row behind it changed, and again once it is
    // shown. A notice of no kind the program knows, before each, changes nothing.
    const struct {
        WPARAM code;
        int made;
        const char* caption; // of its row afterwards
    } steps[] = {{vantrel::kNoticeDestroyed, 0, "keep one"},
                 {vantrel::kNoticeDestroyed, 1, "keep two"},
                 {vantrel::kNoticeCreated, 0, "keep one"},
                 {vantrel::kNoticeRenamed, 0, "keep one again"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.code << " " << step.caption);
        const HWND window = made[step.made];
        const std::vector<std::string> before = Captions(f.windows());
        std::vector<std::string> expected = before;
        const auto row = std::find(expected.begin(), expected.end(), vt::TextOf(window));
        ASSERT_EQ(row != expected.end(), step.code != vantrel::kNoticeCreated);
        if (step.code == vantrel::kNoticeRenamed) {
            fixture_.SetText(window, step.caption);
            *row = step.caption;
        } else if (step.code == vantrel::kNoticeCreated) {
            expected.push_back(step.caption); // at the end
        } else {
            expected.erase(row);
        }
        Notice(5, made[1]); // of no kind the program knows
        Notice(step.code, window);
        ASSERT_TRUE(vt::WaitUntil([&] { return Captions(f.windows()) != before; }));
        expectWhole(before, "as the row changed");
        EXPECT_EQ(Captions(f.windows()), expected);
        EXPECT_TRUE(vt::WaitUntil([&] { return !f.RowsWaiting(); }));
        expectWhole(before, "once shown");
        EXPECT_EQ(Read(list).captions, expected);
    }
    f.aRefreshExecute(); // in slices, between which the list shows the rows as they were
    const std::vector<std::string> beforeRebuild = Captions(f.windows());
    ASSERT_TRUE(f.catalogue().PassRunning());
    expectWhole(beforeRebuild, "while a rebuild runs");
    ASSERT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning() && !f.RowsWaiting(); }));
    expectWhole(Captions(f.windows()), "after a rebuild");
    // Its own row goes: nothing is selected, nothing else becomes it.
    Notice(vantrel::kNoticeDestroyed, made[2]);
    EXPECT_TRUE(vt::WaitUntil([&] { return f.windows().Find(made[2]) < 0 && !f.RowsWaiting(); }));
    EXPECT_EQ(Read(list).selected, -1);
    EXPECT_EQ(f.lvMain().Focused(), -1);
    EXPECT_EQ(f.SelectedWindow(), nullptr);

    // The rules list: the selected rule keeps its place among the rules, not its position.
    ASSERT_EQ(f.rules().size(), 3u);
    f.lvRule().Select(2);
    f.rules().erase(0);
    f.lvRule().SetCount(static_cast<int>(f.rules().size()));
    EXPECT_EQ(f.lvRule().Selected(), 1);
    EXPECT_EQ(f.rules().at(1).className, "C");
}

// Started with the start switch it waits in the tray. Shown, its close hides it keeping the tray
// icon; focus coming back from one of the program's own forms hides it again while the switch
// holds.
TEST_F(MainForm, StartSwitchCloseAndTheOwnIconHideAndShowItWithTheFirstRowSelected) {
    fixture_.CreateOne(vt::Spec(vt::UniqueName("MainList"), "listed at start"));
    auto& f = Start({"-Start"});
    const HWND main = f.Handle();
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindowVisible(main); }));
    EXPECT_EQ(f.lvMain().Selected(), 0);
    // The shell knows the own icon by the fixed id, not by this run's window handle, so the
    // user's "always show" choice finds it again after a restart.
    EXPECT_TRUE(vt::ShellIconCall(NIM_MODIFY, main, vantrel::kOwnIconId));
    EXPECT_FALSE(vt::ShellIconCall(NIM_MODIFY, main, vantrel::IconIdOf(main)));
    EXPECT_EQ(f.shellHookMessage(), ::RegisterWindowMessageA("SHELLHOOK"));
    EXPECT_EQ(f.closeMode(), vantrel::CloseMode::Minimize);
    EXPECT_TRUE(f.layeredWindowsAvailable());
    EXPECT_EQ(vantrel::Application::Instance().MainForm(), main);
    RECT client{};
    ::GetClientRect(main, &client);
    EXPECT_EQ(std::to_string(client.right) + "x" + std::to_string(client.bottom), "512x382");
    EXPECT_EQ(::GetWindowLongA(main, GWL_STYLE) & WS_CAPTION, 0);

    ::SendMessageA(main, vantrel::WM_SHOWMAINWINDOW, 0, 0);
    ASSERT_TRUE(vt::WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }));
    const HWND taskbar = vantrel::Application::Instance().Handle();
    ::SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(
        vt::WaitUntil([&] { return !::IsWindowVisible(main) && !::IsWindowVisible(taskbar); }));
    EXPECT_TRUE(::IsWindow(main));
    EXPECT_TRUE(f.tray().OwnIconAdded());
    EXPECT_EQ(f.closeMode(), vantrel::CloseMode::Minimize);

    // A left click on the own icon brings it back and selects the first row.
    ::SendMessageA(main, vantrel::WM_OWNTRAYICON, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }));
    ASSERT_GT(f.windows().Count(), 0);
    EXPECT_EQ(f.lvMain().Selected(), 0);

    vantrel::Application::Instance().NoteFormActivated(nullptr);
    ::SendMessageA(main, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindowVisible(main); }));
}

} // namespace
