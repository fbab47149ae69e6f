// Messages from outside that name windows which are gone, never existed, or are the program's
// own: any process may post the private messages, the shell hook carries whatever window the shell
// saw last, and icon callbacks can arrive after their window has died. The main window must stay
// responsive, never hide a window nobody asked to hide, and never wait for input that is not
// coming.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/messages.h"
#include "commands/transparency_dialog.h"
#include "commands/tray_hosting.h"
#include "platform/handles.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/heap_check.h"
#include "support/main_form_fixture.h"
#include "support/rng.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "ui/form.h"

namespace {

using vantrel::Form;

using vt::Rng;

HWND AsWindow(uint64_t value) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}
using vt::L;
using vt::W;

std::string Hex(ULONG_PTR value) {
    char text[24] = {};
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

// A modal loop whose window went away without a message to this thread would wait for input that
// may never come. This watch wakes the queue when a pump has not returned in time, so that the
// test goes on to report it, and counts every time it had to.
class StallWatch {
public:
    explicit StallWatch(DWORD limitMs)
        : threadId_(::GetCurrentThreadId()), limitMs_(limitMs), thread_([this] { Run(); }) {}
    ~StallWatch() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    StallWatch(const StallWatch&) = delete;
    StallWatch& operator=(const StallWatch&) = delete;

    // Dispatches everything queued for this thread, under the watch.
    void Pump() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            armed_ = true;
            deadline_ = ::GetTickCount64() + limitMs_;
        }
        vt::PumpMessages();
        const std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
    }
    int Rescues() const { return rescues_; }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::milliseconds(50));
            if (armed_ && ::GetTickCount64() >= deadline_) {
                ::PostThreadMessageA(threadId_, WM_NULL, 0, 0);
                ++rescues_;
                deadline_ = ::GetTickCount64() + limitMs_;
            }
        }
    }

    const DWORD threadId_;
    const DWORD limitMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool armed_ = false;
    bool stop_ = false;
    ULONGLONG deadline_ = 0;
    std::atomic<int> rescues_{0};
    std::thread thread_; // last: it starts running in the constructor
};

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000,
                                 &result) != 0;
}

// Chooses from each popup menu by posting the keys to the main window, as the keyboard would; a
// menu the keys leave open is ended at the next tick. Without keys a menu is ended unchosen.
vt::MenuWatch::OnTick Choose(std::vector<UINT> keys = {}) {
    return [keys = std::move(keys)](HWND, int tick) {
        for (UINT key : tick == 0 ? keys : std::vector<UINT>{}) {
            ::PostMessageA(vantrel::Application::Instance().MainForm(), WM_KEYDOWN, key, 0);
        }
        return keys.empty() || tick > 0;
    };
}

using vt::HeapsIntact;

using vt::RuleSection;

class HostileMessages : public vt::MainFormTest {
protected:
    void TearDown() override {
        vt::MainFormTest::TearDown();
        EXPECT_TRUE(HeapsIntact());
    }
    // Live windows, one that a rule hides at start, and handles of windows that are gone.
    void MakeWindows(int live, int gone) {
        vt::WindowSpec spec;
        spec.className = base_ + "Live";
        spec.count = live;
        live_ = fixture_.Create(spec);
        spec.className = base_ + "Tray";
        spec.count = 1;
        trayRuled_ = fixture_.CreateOne(spec);
        spec.className = base_ + "Self";
        selfHidden_ = fixture_.CreateOne(spec);
        fixture_.Show(selfHidden_, SW_HIDE); // hidden by its own program, not by this one
        spec.className = base_ + "Gone";
        spec.count = gone;
        gone_ = gone > 0 ? fixture_.Create(spec) : std::vector<HWND>{};
        for (HWND window : gone_) {
            fixture_.Destroy(window);
        }
        WriteFile("rules.dat", vt::RulesFile({RuleSection(1, base_ + "Tray", 4)}));
    }

    // A handle value that is no window now: gone, null-ish, or a random number.
    HWND NoWindow(Rng& rng) {
        for (;;) {
            HWND candidate = nullptr;
            switch (rng.Below(3)) {
            case 0:
                candidate = rng.Pick(gone_);
                break;
            case 1:
                candidate = AsWindow(rng.Next() & 0xFFFFFFFFull);
                break;
            default:
                candidate = AsWindow(rng.Next());
                break;
            }
            if (candidate != nullptr && !::IsWindow(candidate)) {
                return candidate;
            }
        }
    }

    HWND AnyHandle(Rng& rng) {
        switch (rng.Below(7)) {
        case 0:
        case 1:
            return rng.Pick(live_);
        case 2:
            return trayRuled_;
        case 6:
            return selfHidden_;
        case 3:
            return nullptr;
        case 4:
            return form().Handle();
        default:
            return NoWindow(rng);
        }
    }

    // What must hold whatever was posted, except for the windows the test asked to hide: nothing
    // else hidden, shown or closed.
    void ExpectNothingHiddenUnasked(const std::set<HWND>& asked, const std::string& when) {
        const HWND main = form().Handle();
        fixture_.Sync();
        ASSERT_TRUE(::IsWindow(main)) << when;
        EXPECT_TRUE(Answers(main)) << when;
        EXPECT_TRUE(::IsWindowEnabled(main)) << when << ": a modal loop was left behind";
        EXPECT_EQ(Form::ActiveModal(), nullptr) << when;
        EXPECT_TRUE(form().tray().OwnIconAdded()) << when << ": the program's own icon is gone";
        for (HWND window : live_) {
            EXPECT_TRUE(::IsWindowVisible(window) || asked.count(window) > 0)
                << when << ": window " << window << " was hidden unasked";
        }
        EXPECT_TRUE(!::IsWindowVisible(selfHidden_) || asked.count(selfHidden_) > 0)
            << when << ": a window its own program hid was shown";
        for (HWND hidden : form().tray().HiddenWindows()) {
            EXPECT_GT(asked.count(hidden), 0u)
                << when << ": " << hidden << " is on the hidden list";
        }
        // Rows that changed in a storm are shown once it pauses.
        EXPECT_TRUE(vt::WaitUntil([&] { return !form().RowsWaiting(); })) << when;
        EXPECT_EQ(form().lvMain().Count(), form().windows().Count()) << when;
    }

    std::string base_ = vt::UniqueName("Hostile");
    vt::Fixture fixture_;
    std::vector<HWND> live_;
    HWND trayRuled_ = nullptr;
    HWND selfHidden_ = nullptr;
    std::vector<HWND> gone_;
};

enum Kind { kShow, kNotice, kSysMenu, kShellHook, kOwnIcon, kHiddenIcon, kKinds };

TEST_F(HostileMessages, TenThousandRandomMessagesLeaveTheProgramWorking) {
    MakeWindows(5, 4);
    auto& f = Start();
    const HWND main = f.Handle();
    const HWND taskbar = vantrel::Application::Instance().Handle();
    const UINT hook = f.shellHookMessage();
    ASSERT_NE(hook, 0u);
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(trayRuled_)); // its rule hid it at start
    std::set<HWND> asked = {trayRuled_};
    ExpectNothingHiddenUnasked(asked, "after start");

    StallWatch watch(3000);
    Rng rng(0xC0FFEE);
    const std::vector<UINT> mouse = {WM_MOUSEMOVE,   WM_LBUTTONDOWN,
                                     WM_LBUTTONUP,   WM_LBUTTONDBLCLK,
                                     WM_RBUTTONUP,   WM_RBUTTONDBLCLK,
                                     WM_MBUTTONDOWN, WM_MBUTTONUP,
                                     WM_MOUSEWHEEL,  0,
                                     0x400,          0x405};
    const std::vector<WPARAM> notices = {1, 2, 6, 0, 3, 5, 7, 0x8001, 0x8006};
    const std::vector<WPARAM> hookCodes = {4, 6, 0x8004, 0x8006, 3, 0, 12, 13, 16, 0x35, 5, 1, 2};
    std::vector<int> sysIds = {11, 21, 22, 30, 31, 61, 0,  1,  10,
                               12, 20, 23, 29, 43, 50, 60, 62, -1};
    for (int id = 32; id <= 42; ++id) {
        sysIds.push_back(id);
    }
    for (int id = 51; id <= 59; ++id) {
        sysIds.push_back(id);
    }

    // Showing the main window and rebuilding the list cost milliseconds each under Wine; the
    // cheap kinds make up the bulk so that ten thousand messages fit the time a test may take.
    const std::vector<Kind> mix = {kNotice,    kNotice,     kNotice,     kNotice,     kSysMenu,
                                   kSysMenu,   kSysMenu,    kSysMenu,    kSysMenu,    kShellHook,
                                   kShellHook, kShellHook,  kShellHook,  kOwnIcon,    kOwnIcon,
                                   kOwnIcon,   kHiddenIcon, kHiddenIcon, kHiddenIcon, kHiddenIcon};
    int counts[kKinds] = {};
    int rebuilds = 0;
    constexpr int kBatches = 100;
    constexpr int kBatchSize = 100;
    for (int batch = 0; batch < kBatches; ++batch) {
        for (int n = 0; n < kBatchSize; ++n) {
            const Kind kind =
                rng.Below(10) == 0 ? static_cast<Kind>(rng.Below(kKinds)) : rng.Pick(mix);
            ++counts[kind];
            const HWND target = AnyHandle(rng);
            switch (kind) {
            case kShow:
                ::PostMessageA(main, vantrel::WM_SHOWMAINWINDOW, rng.Next(), rng.Next());
                break;
            case kNotice: {
                const WPARAM code = rng.Below(4) == 0 ? rng.Next() : rng.Pick(notices);
                ::PostMessageA(main, vantrel::WM_WINDOWNOTICE, code, L(target));
                break;
            }
            case kSysMenu: {
                int id = rng.Below(10) == 0 ? static_cast<int>(rng.Next()) : rng.Pick(sysIds);
                // The two dialogs open for real windows; a hostile id must still end, so those
                // are run apart, below, where something closes them.
                if ((id == 30 || id == 61) && (target == nullptr || ::IsWindow(target))) {
                    id = 31;
                }
                if (id == 11 && ::IsWindow(target)) {
                    asked.insert(target);
                }
                ::PostMessageA(main, vantrel::WM_SYSMENUCOMMAND, W(target),
                               static_cast<LPARAM>(id));
                break;
            }
            case kShellHook: {
                // Each accepted code rebuilds the whole list; a few per batch are plenty.
                WPARAM code = rng.Below(5) == 0 ? rng.Next() : rng.Pick(hookCodes);
                if (code == 1 || code == 2) {
                    if (rebuilds * 10 >= 3 * (batch + 1)) {
                        code = 4;
                    } else {
                        ++rebuilds;
                    }
                }
                ::PostMessageA(taskbar, hook, code, L(target));
                break;
            }
            case kOwnIcon:
                ::PostMessageA(main, vantrel::WM_OWNTRAYICON, rng.Next(), rng.Pick(mouse));
                break;
            case kHiddenIcon:
            default:
                ::PostMessageA(main, vantrel::WM_HIDDENTRAYICON, W(target),
                               rng.Below(6) == 0 ? static_cast<LPARAM>(rng.Next())
                                                 : rng.Pick(mouse));
                break;
            }
        }
        watch.Pump();
        ExpectNothingHiddenUnasked(asked, "after batch " + std::to_string(batch));
        if (HasFailure()) {
            break; // the first broken batch says it all
        }
    }
    EXPECT_EQ(watch.Rescues(), 0) << "a handler waited for a message that was not coming";
    // The counts only grow: one look at the end sees a close asked at any time.
    std::vector<HWND> mayNotClose = live_;
    mayNotClose.push_back(selfHidden_);
    mayNotClose.push_back(trayRuled_);
    for (HWND window : mayNotClose) {
        EXPECT_EQ(fixture_.GetCounts(window).sysCommandClose, 0) << window << " was asked to close";
    }
    for (int kind = 0; kind < kKinds; ++kind) {
        EXPECT_GT(counts[kind], 100) << kind;
    }
    EXPECT_GE(rebuilds, 25);
    // Still fully working: a fresh window is listed by the next rebuild.
    vt::WindowSpec spec;
    spec.className = base_ + "After";
    const HWND after = fixture_.CreateOne(spec);
    f.catalogue().Rebuild();
    EXPECT_GE(f.windows().Find(after), 0);
}

TEST_F(HostileMessages, MenusFromBothIconCallbacksCloseAndTheirChoicesActOnlyOnTheirTarget) {
    MakeWindows(2, 1);
    auto& f = Start();
    const HWND main = f.Handle();
    const HWND window = live_[0];

    {
        const vt::MenuWatch closer(Choose());
        ::PostMessageA(main, vantrel::WM_OWNTRAYICON, 0, WM_RBUTTONDOWN);
        ASSERT_TRUE(vt::WaitUntil([&] { return closer.Seen() == 1; }, 5000));
        vt::PumpMessages();
    }
    EXPECT_TRUE(Answers(main));

    // A real hidden window: "Exit" asks it to close and drops it from the hidden list; the window
    // (whose program may refuse) stays hidden.
    ::SendMessageA(main, vantrel::WM_SYSMENUCOMMAND, W(window), 11);
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(window));
    ASSERT_EQ(std::count(f.tray().HiddenWindows().begin(), f.tray().HiddenWindows().end(), window),
              1);
    {
        const vt::MenuWatch closer(Choose({VK_UP, VK_RETURN}));
        ::PostMessageA(main, vantrel::WM_HIDDENTRAYICON, W(window), WM_RBUTTONDOWN);
        ASSERT_TRUE(vt::WaitUntil([&] { return closer.Seen() == 1; }, 5000));
        EXPECT_TRUE(
            vt::WaitUntil([&] { return fixture_.GetCounts(window).sysCommandClose == 1; }, 5000));
    }
    EXPECT_EQ(std::count(f.tray().HiddenWindows().begin(), f.tray().HiddenWindows().end(), window),
              0);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_FALSE(f.tray().WindowIconAdded(window));
    EXPECT_TRUE(f.tray().OwnIconAdded());
    EXPECT_TRUE(::IsWindowVisible(live_[1]));
}

// Any program may post the messages that name a window, naming any window. Named with a window
// the program must not act on (one it did not hide, one of another program's that is not a target,
// one of its own, one that is gone, a handle that never was one, the own icon's id), each leaves
// every window and icon as it was: nothing shown, hidden, moved, restyled or closed, no row added,
// no menu or dialog opened, and no handler waiting for a message that will not come.
TEST_F(HostileMessages, MessagesNamingAWindowLeaveWindowsTheyMayNotTouchAlone) {
    MakeWindows(1, 1);
    auto& f = Start();
    const HWND main = f.Handle();
    const HWND taskbar = vantrel::Application::Instance().Handle();
    const HWND live = live_[0];
    const HWND gone = gone_[0];
    const std::vector<HWND> watched = {live, selfHidden_, trayRuled_,
                                       main, taskbar,     ::GetDesktopWindow()};
    const auto look = [&] {
        std::string text = "rows " + std::to_string(f.windows().Count()) + ", hidden " +
                           std::to_string(f.tray().HiddenWindows().size()) +
                           (f.tray().OwnIconAdded() ? ", own icon" : ", no own icon") +
                           (Form::ActiveModal() != nullptr ? ", a dialog open" : "");
        for (HWND w : watched) {
            const RECT r = vt::WindowRectOf(w);
            text += " | " + Hex(reinterpret_cast<ULONG_PTR>(w)) + " " +
                    (::IsWindowVisible(w) ? "shown " : "hidden ") +
                    Hex(static_cast<DWORD>(::GetWindowLongA(w, GWL_EXSTYLE))) + " " +
                    std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                    std::to_string(r.right) + "," + std::to_string(r.bottom) +
                    (f.tray().WindowIconAdded(w) ? " icon" : "") +
                    (::IsWindowEnabled(w) ? "" : " disabled");
        }
        for (HWND w : {live, selfHidden_, trayRuled_}) {
            text += " closes " + std::to_string(fixture_.GetCounts(w).sysCommandClose);
        }
        return text;
    };
    struct Case {
        UINT message;
        std::vector<WPARAM> codes; // the mouse message, command id or notice
        std::vector<HWND> windows;
    };
    using vantrel::WM_HIDDENTRAYICON;
    using vantrel::WM_SYSMENUCOMMAND;
    using vantrel::WM_WINDOWNOTICE;
    const std::vector<Case> cases = {
        {WM_HIDDENTRAYICON,
         {WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_LBUTTONDOWN},
         {selfHidden_, live, gone, main, AsWindow(vantrel::kOwnIconId)}},
        {WM_SYSMENUCOMMAND,
         {11, 21, 30, 35, 51, 59, 61},
         {gone, nullptr, AsWindow(0xFFFFFFFFull), main, taskbar, ::GetDesktopWindow()}},
        {WM_WINDOWNOTICE,
         {vantrel::kNoticeCreated, vantrel::kNoticeRenamed, vantrel::kNoticeDestroyed},
         {gone, nullptr}},
    };
    fixture_.Sync();
    const std::string before = look();
    StallWatch watch(2000);
    for (const Case& c : cases) {
        for (const WPARAM code : c.codes) {
            for (const HWND window : c.windows) {
                const bool names = c.message == WM_WINDOWNOTICE;
                const WPARAM w = names ? code : W(window);
                const LPARAM l = names ? L(window) : static_cast<LPARAM>(code);
                const std::string what = Hex(c.message) + " " + Hex(code) + " for " +
                                         Hex(reinterpret_cast<ULONG_PTR>(window));
                const vt::MenuWatch closer(Choose({VK_UP, VK_RETURN}));
                const vt::ModalDeadline deadline(5000);
                // Posted from another process, as a forger would.
                ASSERT_EQ(fixture_.Command("post " + vt::HandleToHex(main) + " " + Hex(c.message) +
                                           " " + Hex(w) + " " + Hex(static_cast<ULONG_PTR>(l))),
                          "ok");
                // Alone in the queue: nothing else would come to end a wait, except the
                // deadline's timer, which is why the time is checked too.
                const ULONGLONG start = ::GetTickCount64();
                const int rescues = watch.Rescues();
                watch.Pump();
                EXPECT_LT(::GetTickCount64() - start, 1000u) << what << " waited";
                EXPECT_EQ(watch.Rescues(), rescues) << what << " waited for a message";
                fixture_.Sync();
                EXPECT_EQ(closer.Seen(), 0) << what << " opened a menu";
                EXPECT_EQ(deadline.Ended(), 0) << what << " opened a dialog";
                EXPECT_EQ(look(), before) << what;
            }
        }
    }
    EXPECT_TRUE(Answers(main));
}

TEST_F(HostileMessages, ListCommandsOnASelectedWindowThatHasGone) {
    MakeWindows(2, 0);
    auto& f = Start();
    const HWND main = f.Handle();
    vt::WindowSpec spec;
    spec.className = base_ + "Vanish";

    // Each command runs on a row whose window was destroyed after it was selected, before any
    // notice of it could arrive.
    const auto commands = vt::ListCommands(f);
    spec.count = static_cast<int>(commands.size());
    const std::vector<HWND> doomedWindows = fixture_.Create(spec);
    ASSERT_EQ(doomedWindows.size(), commands.size());
    f.catalogue().Rebuild();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(commands[i].first);
        const HWND doomed = doomedWindows[i];
        int row = f.windows().Find(doomed);
        if (row < 0) {
            row = RowOf(doomed); // a dialog's loop may have rebuilt the list meanwhile
        }
        ASSERT_GE(row, 0);
        f.lvMain().Select(row);
        ASSERT_EQ(f.SelectedWindow(), doomed);
        fixture_.Destroy(doomed);
        ASSERT_FALSE(::IsWindow(doomed));
        {
            const vt::ModalDeadline deadline(15000);
            commands[i].second();
            EXPECT_EQ(deadline.Ended(), 0);
        }
        EXPECT_EQ(vt::DropPendingScripts(), 0) << "a dialog did not open";
        EXPECT_TRUE(Answers(main));
        EXPECT_TRUE(::IsWindowEnabled(main));
        // A window that is gone gets no icon: it could never be shown again from it.
        EXPECT_FALSE(f.tray().WindowIconAdded(doomed));
        EXPECT_EQ(
            std::count(f.tray().HiddenWindows().begin(), f.tray().HiddenWindows().end(), doomed),
            0);
        for (HWND window : live_) {
            EXPECT_TRUE(::IsWindowVisible(window));
        }
    }
    f.catalogue().Rebuild();
    EXPECT_EQ(f.lvMain().Count(), f.windows().Count());
}

class HostileDialogs : public HostileMessages {
protected:
    // Opens a dialog from the system menu of `target` (as the relay reports a choice there) and
    // runs `whileOpen` inside its modal loop; returns whether the dialog opened and ended.
    bool OpenAndRun(HWND target, int id, const char* caption,
                    const std::function<void(Form&)>& whileOpen) {
        bool ran = false;
        vt::WhenModalOpens(caption, [&](Form& dialog) {
            ran = true;
            EXPECT_TRUE(::IsWindow(dialog.Handle()));
            whileOpen(dialog);
        });
        const vt::ModalDeadline deadline(15000);
        ::SendMessageA(form().Handle(), vantrel::WM_SYSMENUCOMMAND, W(target), id);
        EXPECT_EQ(deadline.Ended(), 0) << caption << " stayed open";
        EXPECT_EQ(vt::DropPendingScripts(), 0) << caption << " never opened";
        return ran;
    }
};

const char* CaptionOf(int id) {
    return id == 30 ? "Custom transparency" : "Resize window";
}

// The dialog stands over the other program's window as a window of this program, never inside
// it, so that the two programs never share their input; and the same choice repeated while it is
// open (each would open its dialog inside this one's loop, and wait there) opens nothing more.
TEST_F(HostileDialogs, SystemMenuDialogStandsOverItsTargetAndARepeatOpensNoSecond) {
    auto& f = Start();
    const HWND main = f.Handle();
    vt::WindowSpec spec;
    spec.className = base_ + "Over";
    const HWND target = fixture_.CreateOne(spec);
    for (int id : {30, 61}) {
        SCOPED_TRACE(CaptionOf(id));
        EXPECT_TRUE(OpenAndRun(target, id, CaptionOf(id), [&](Form& dialog) {
            const HWND d = dialog.Handle();
            EXPECT_EQ(::GetWindowLongA(d, GWL_STYLE) & WS_CHILD, 0);
            EXPECT_EQ(::GetAncestor(d, GA_PARENT), ::GetDesktopWindow());
            EXPECT_EQ(::GetWindow(d, GW_OWNER), main);
            const RECT over = vt::WindowRectOf(target);
            const RECT mine = vt::WindowRectOf(d);
            EXPECT_LE(std::abs((over.left + over.right) - (mine.left + mine.right)), 1);
            EXPECT_LE(std::abs((over.top + over.bottom) - (mine.top + mine.bottom)), 1);
            for (int again : {30, 61, 30}) {
                ::SendMessageA(main, vantrel::WM_SYSMENUCOMMAND, W(target), again);
            }
            EXPECT_EQ(Form::ActiveModal(), &dialog);
            vt::Click(vt::Control(d, IDCANCEL));
        }));
        EXPECT_EQ(Form::ActiveModal(), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(main));
    }
}

// The other program closes the window under the open dialog, or ends altogether. Nothing tells
// this thread that the window went; the dialog must notice by itself and close at once, not when
// some unrelated message happens to arrive.
TEST_F(HostileDialogs, TargetGoneWhileItsSystemMenuDialogIsOpenClosesTheDialogAtOnce) {
    MakeWindows(1, 0);
    auto& f = Start();
    const HWND main = f.Handle();
    for (int id : {30, 61}) {
        for (const bool programEnds : {false, true}) {
            SCOPED_TRACE(std::string(CaptionOf(id)) +
                         (programEnds ? ", its program ends" : ", its window is destroyed"));
            vt::Fixture other;
            vt::WindowSpec spec;
            spec.className = base_ + "Going";
            const HWND target = other.CreateOne(spec);
            HWND dialogWindow = nullptr;
            ULONGLONG gone = 0;
            EXPECT_TRUE(OpenAndRun(target, id, CaptionOf(id), [&](const Form& dialog) {
                dialogWindow = dialog.Handle();
                if (programEnds) {
                    other.Kill();
                } else {
                    other.Destroy(target);
                }
                gone = ::GetTickCount64();
            }));
            EXPECT_LT(::GetTickCount64() - gone, 3000u);
            EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindow(target); }, 5000));
            EXPECT_FALSE(::IsWindow(dialogWindow));
            EXPECT_TRUE(::IsWindowEnabled(main));
            EXPECT_EQ(Form::ActiveModal(), nullptr);
            EXPECT_TRUE(Answers(main));
        }
    }
    EXPECT_TRUE(::IsWindowVisible(live_[0]));
}

TEST_F(HostileDialogs, ListRebuiltAndTargetGoneWhileTheTransparencyDialogIsOpen) {
    MakeWindows(1, 0);
    auto& f = Start();
    vt::WindowSpec spec;
    spec.className = base_ + "Rebuilt";
    const HWND doomed = fixture_.CreateOne(spec);
    const int row = RowOf(doomed);
    ASSERT_GE(row, 0);
    f.lvMain().Select(row);
    vt::WhenModalOpens("Custom transparency", [&](const Form& dialog) {
        fixture_.Destroy(doomed);
        f.catalogue().Rebuild(); // as the shell hook does while a dialog is open
        vantrel::SetControlText(
            vt::Control(dialog.Handle(), vantrel::TfrmCustomTransparency::kValueEditId), "40");
        vt::Click(vt::Control(dialog.Handle(), IDOK));
    });
    {
        const vt::ModalDeadline deadline(15000);
        f.aCustomTranspExecute();
        EXPECT_EQ(deadline.Ended(), 0);
    }
    EXPECT_EQ(vt::DropPendingScripts(), 0);
    EXPECT_LT(f.windows().Find(doomed), 0);
    for (const auto& entry : f.windows().Rows()) {
        EXPECT_EQ(entry.transparency, 0) << entry.caption;
    }
    EXPECT_TRUE(Answers(f.Handle()));
}

TEST_F(HostileMessages, WindowsVanishingDuringRebuildsLeaveAConsistentList) {
    auto& f = Start();
    vt::Fixture dying;
    vt::WindowSpec spec;
    spec.className = base_ + "Dying";
    spec.count = 16;
    const std::vector<HWND> windows = dying.Create(spec);
    const DWORD pid = dying.ProcessId();
    vantrel::platform::UniqueHandle process(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(process);

    // The process ends at a moment of its own choosing while this thread rebuilds the list
    // over and over, so some rebuild meets windows that die under it.
    std::atomic<int> rebuilds{0};
    const ULONGLONG deadline = ::GetTickCount64() + 20000;
    std::thread killer([&] {
        // Two finished rebuilds: the third is most likely under way when the process goes.
        while (rebuilds < 2 && ::GetTickCount64() < deadline) {
            std::this_thread::yield();
        }
        ::TerminateProcess(process.get(), 1);
    });
    while (::WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0 &&
           ::GetTickCount64() < deadline) {
        f.catalogue().Rebuild();
        ++rebuilds;
    }
    killer.join();
    for (int i = 0; i < 3; ++i) {
        vt::PumpMessages();
        f.catalogue().Rebuild();
    }
    EXPECT_GT(rebuilds, 0);
    EXPECT_TRUE(vt::WaitUntil(
        [&] {
            f.catalogue().Rebuild();
            return std::none_of(windows.begin(), windows.end(),
                                [&](HWND w) { return f.windows().Find(w) >= 0; });
        },
        5000));
    EXPECT_EQ(f.lvMain().Count(), f.windows().Count());
    EXPECT_TRUE(Answers(f.Handle()));
}

} // namespace
