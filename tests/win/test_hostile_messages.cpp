// Messages from outside that name windows which are gone, never existed, or are the program's
// own: any process may post the private messages, the shell hook carries whatever window the shell
// saw last, and icon callbacks can arrive after their window has died. The main window must stay
// responsive, never hide a window nobody asked to hide, and never wait for input that is not
// coming.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
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
using vt::Hex;
using vt::L;
using vt::W;

HWND AsWindow(uint64_t value) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

// A modal loop whose window went away without a message to this thread would wait for input that
// may never come. While Pump() runs, this watch wakes the queue each time the limit passes, so
// that the test goes on to report it, and counts every time it had to. It ends a menu that opens
// meanwhile with Escape, and counts it, from its own thread: a timer of the pumping thread would
// wake a handler that waits, and hide the wait.
class StallWatch {
public:
    explicit StallWatch(DWORD limitMs)
        : limitMs_(limitMs), thread_([this, id = ::GetCurrentThreadId()] {
              bool menuOpen = false;
              while (::WaitForSingleObject(stop_.get(), 20) == WAIT_TIMEOUT) {
                  const HWND menu = due_ != 0 ? vt::FindPopupMenu(id) : nullptr;
                  if (menu != nullptr) {
                      menus_ += menuOpen ? 0 : 1;
                      ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                  }
                  menuOpen = menu != nullptr;
                  ULONGLONG due = due_;
                  if (due != 0 && ::GetTickCount64() >= due &&
                      due_.compare_exchange_strong(due, ::GetTickCount64() + limitMs_)) {
                      ::PostThreadMessageA(id, WM_NULL, 0, 0);
                      ++rescues_;
                  }
              }
          }) {}
    ~StallWatch() {
        ::SetEvent(stop_.get());
        thread_.join();
    }
    void Pump() {
        due_ = ::GetTickCount64() + limitMs_;
        vt::PumpMessages();
        due_ = 0;
    }
    int Rescues() const { return rescues_; }
    int Menus() const { return menus_; }

private:
    const DWORD limitMs_;
    vantrel::platform::UniqueHandle stop_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<ULONGLONG> due_{0};
    std::atomic<int> rescues_{0};
    std::atomic<int> menus_{0};
    std::thread thread_; // last: it starts running in the constructor
};

class HostileMessages : public vt::MainFormTest {
protected:
    void TearDown() override {
        vt::MainFormTest::TearDown();
        EXPECT_TRUE(vt::HeapsIntact());
    }
    HWND Make(const char* kind, int count = 1) {
        vt::WindowSpec spec = vt::Spec(base_ + kind);
        spec.count = count;
        made_ = count > 0 ? fixture_.Create(spec) : std::vector<HWND>{};
        return made_.empty() ? nullptr : made_[0];
    }
    // Starts with live windows, one that a rule hides at start, one that its own program hid, and
    // handles of windows that are gone.
    vantrel::TfrmMain& StartWith(int live, int gone) {
        Make("Live", live);
        live_ = made_;
        trayRuled_ = Make("Tray");
        selfHidden_ = Make("Self");
        fixture_.Show(selfHidden_, SW_HIDE);
        Make("Gone", gone);
        gone_ = made_;
        for (HWND window : gone_) {
            fixture_.Destroy(window);
        }
        WriteFile("rules.dat", vt::RulesFile({vt::RuleSection(1, base_ + "Tray", 4)}));
        return Start();
    }

    // A handle value that is no window now: gone, null-ish, or a random number.
    HWND NoWindow(vt::Rng& rng) {
        for (;;) {
            const std::size_t kind = rng.Below(3);
            const HWND candidate = kind == 0   ? rng.Pick(gone_)
                                   : kind == 1 ? AsWindow(rng.Next() & 0xFFFFFFFFull)
                                               : AsWindow(rng.Next());
            if (candidate != nullptr && !::IsWindow(candidate)) {
                return candidate;
            }
        }
    }
    HWND AnyHandle(vt::Rng& rng) {
        const std::size_t pick = rng.Below(7);
        if (pick < 2) {
            return rng.Pick(live_);
        }
        const HWND named[] = {trayRuled_, nullptr, form().Handle(), nullptr, selfHidden_};
        return pick == 5 ? NoWindow(rng) : named[pick - 2];
    }

    // The main window answers at once, with no modal loop left behind and its own icon in place.
    void ExpectResponsive(const std::string& when) {
        const HWND main = form().Handle();
        ASSERT_TRUE(::IsWindow(main)) << when;
        DWORD_PTR result = 0;
        EXPECT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000,
                                          &result))
            << when;
        EXPECT_TRUE(::IsWindowEnabled(main)) << when << ": a modal loop was left behind";
        EXPECT_EQ(Form::ActiveModal(), nullptr) << when;
        EXPECT_TRUE(form().tray().OwnIconAdded()) << when << ": the program's own icon is gone";
    }
    // What must hold whatever was posted, except for the windows the test asked to hide: nothing
    // else hidden, shown or closed.
    void ExpectNothingHiddenUnasked(const std::set<HWND>& asked, const std::string& when) {
        fixture_.Sync();
        ExpectResponsive(when);
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
    int HiddenCount(HWND window) {
        const auto& hidden = form().tray().HiddenWindows();
        return static_cast<int>(std::count(hidden.begin(), hidden.end(), window));
    }

    std::string base_ = vt::UniqueName("Hostile");
    vt::Fixture fixture_;
    std::vector<HWND> made_, live_, gone_;
    HWND trayRuled_ = nullptr;
    HWND selfHidden_ = nullptr;
};

enum Kind { kShow, kNotice, kSysMenu, kShellHook, kOwnIcon, kHiddenIcon, kKinds };

TEST_F(HostileMessages, TenThousandRandomMessagesLeaveTheProgramWorking) {
    auto& f = StartWith(5, 4);
    const HWND main = f.Handle();
    const UINT hook = f.shellHookMessage();
    std::set<HWND> asked = {trayRuled_};
    ExpectNothingHiddenUnasked(asked, "after start");
    ASSERT_FALSE(::IsWindowVisible(trayRuled_)); // its rule hid it at start

    StallWatch watch(3000);
    vt::Rng rng(0xC0FFEE);
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
    for (int id = 32; id <= 59; ++id) {
        if (id <= 42 || id >= 51) {
            sysIds.push_back(id);
        }
    }
    // Showing the main window and rebuilding the list cost milliseconds each under Wine; the
    // cheap kinds make up the bulk so that ten thousand messages fit the time a test may take.
    const std::pair<Kind, int> shares[] = {
        {kNotice, 4}, {kSysMenu, 5}, {kShellHook, 4}, {kOwnIcon, 3}, {kHiddenIcon, 4}};
    std::vector<Kind> mix;
    for (const auto& [kind, share] : shares) {
        mix.insert(mix.end(), share, kind);
    }
    int rebuilds = 0;
    for (int batch = 0; batch < 100 && !HasFailure(); ++batch) { // the first broken batch says all
        for (int n = 0; n < 100; ++n) {
            const Kind kind =
                rng.Below(10) == 0 ? static_cast<Kind>(rng.Below(kKinds)) : rng.Pick(mix);
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
                // The two dialogs open for real windows and are run apart, where something
                // closes them.
                if ((id == 30 || id == 61) && (target == nullptr || ::IsWindow(target))) {
                    id = 31;
                }
                if (id == 11 && ::IsWindow(target)) {
                    asked.insert(target);
                }
                vt::SysMenuCommand(main, target, id, true);
                break;
            }
            case kShellHook: {
                // Each accepted code rebuilds the whole list; a few per batch are plenty.
                WPARAM code = rng.Below(5) == 0 ? rng.Next() : rng.Pick(hookCodes);
                if ((code == 1 || code == 2) && rebuilds * 10 >= 3 * (batch + 1)) {
                    code = 4;
                } else if (code == 1 || code == 2) {
                    ++rebuilds;
                }
                ::PostMessageA(vantrel::Application::Instance().Handle(), hook, code, L(target));
                break;
            }
            case kOwnIcon:
                ::PostMessageA(main, vantrel::WM_OWNTRAYICON, rng.Next(), rng.Pick(mouse));
                break;
            default:
                ::PostMessageA(main, vantrel::WM_HIDDENTRAYICON, W(target),
                               rng.Below(6) == 0 ? static_cast<LPARAM>(rng.Next())
                                                 : rng.Pick(mouse));
                break;
            }
        }
        watch.Pump();
        ExpectNothingHiddenUnasked(asked, "after batch " + std::to_string(batch));
    }
    EXPECT_EQ(watch.Rescues(), 0) << "a handler waited for a message that was not coming";
    EXPECT_EQ(watch.Menus(), 0) << "a menu opened";
    // The counts only grow: one look at the end sees a close asked at any time.
    std::vector<HWND> mayNotClose = live_;
    mayNotClose.insert(mayNotClose.end(), {selfHidden_, trayRuled_});
    for (HWND window : mayNotClose) {
        EXPECT_EQ(fixture_.GetCounts(window).sysCommandClose, 0) << window << " was asked to close";
    }
    // Still fully working: a fresh window is listed by the next rebuild.
    const HWND after = Make("After");
    f.catalogue().Rebuild();
    EXPECT_GE(f.windows().Find(after), 0);
}

// Any program may post the messages that name a window, naming any window. Named with a window
// the program must not act on (one it did not hide, one of another program's that is not a target,
// one of its own, one that is gone, a handle that never was one, the own icon's id), each leaves
// every window and icon as it was: nothing shown, hidden, moved, restyled or closed, no row added,
// no menu or dialog opened, and no handler waiting for a message that will not come.
TEST_F(HostileMessages, MessagesAndMenusNamingAWindowActOnlyOnWhatTheyMay) {
    auto& f = StartWith(2, 1);
    const HWND main = f.Handle();
    const HWND taskbar = vantrel::Application::Instance().Handle();
    const HWND live = live_[0];
    const HWND gone = gone_[0];
    const std::vector<HWND> watched = {live, selfHidden_, trayRuled_,
                                       main, taskbar,     ::GetDesktopWindow()};
    StallWatch watch(2000);
    const auto look = [&] {
        std::string text = "rows " + std::to_string(f.windows().Count()) + ", hidden " +
                           std::to_string(f.tray().HiddenWindows().size()) +
                           (f.tray().OwnIconAdded() ? ", own icon" : ", no own icon") +
                           (Form::ActiveModal() != nullptr ? ", a dialog open" : "");
        for (HWND w : watched) {
            text += " | " + vt::HandleToHex(w) + (::IsWindowVisible(w) ? " shown " : " hidden ") +
                    Hex(static_cast<DWORD>(::GetWindowLongA(w, GWL_EXSTYLE))) + " " +
                    vt::PlaceOf(w) + (f.tray().WindowIconAdded(w) ? " icon" : "") +
                    (::IsWindowEnabled(w) ? "" : " disabled");
        }
        for (HWND w : {live, selfHidden_, trayRuled_}) {
            text += " closes " + std::to_string(fixture_.GetCounts(w).sysCommandClose);
        }
        return text + " | waits " + std::to_string(watch.Rescues()) + ", menus " +
               std::to_string(watch.Menus());
    };
    using vantrel::WM_WINDOWNOTICE;
    const struct {
        UINT message;
        std::vector<WPARAM> codes; // the mouse message, command id or notice
        std::vector<HWND> windows;
    } cases[] = {
        {vantrel::WM_HIDDENTRAYICON,
         {WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_LBUTTONDOWN},
         {selfHidden_, live, gone, main, AsWindow(vantrel::kOwnIconId)}},
        {vantrel::WM_SYSMENUCOMMAND,
         {11, 21, 30, 35, 51, 59, 61},
         {gone, nullptr, AsWindow(0xFFFFFFFFull), main, taskbar, ::GetDesktopWindow()}},
        {WM_WINDOWNOTICE,
         {vantrel::kNoticeCreated, vantrel::kNoticeRenamed, vantrel::kNoticeDestroyed},
         {gone, nullptr}},
    };
    fixture_.Sync();
    std::string before = look();
    for (const auto& c : cases) {
        for (const WPARAM code : c.codes) {
            for (const HWND window : c.windows) {
                const bool notice = c.message == WM_WINDOWNOTICE;
                const WPARAM w = notice ? code : W(window);
                const LPARAM l = notice ? L(window) : static_cast<LPARAM>(code);
                const std::string what =
                    Hex(c.message) + " " + Hex(code) + " for " + vt::HandleToHex(window);
                const vt::ModalDeadline deadline(5000);
                // Posted from another process, as a forger would.
                ASSERT_EQ(fixture_.Command("post " + vt::HandleToHex(main) + " " + Hex(c.message) +
                                           " " + Hex(w) + " " + Hex(static_cast<ULONG_PTR>(l))),
                          "ok");
                // Alone in the queue: nothing else would come to end a wait, except the
                // deadline's timer, which is why the time is checked too.
                const ULONGLONG start = ::GetTickCount64();
                watch.Pump();
                EXPECT_LT(::GetTickCount64() - start, 1000u) << what << " waited";
                fixture_.Sync();
                EXPECT_EQ(deadline.Ended(), 0) << what << " opened a dialog";
                const std::string now = look();
                EXPECT_EQ(now, before) << what;
                before = now; // so that each failure names the message that made it
            }
        }
    }
    ExpectResponsive("after every message");

    // Menus from both icon callbacks close, and their choices act only on their target.
    {
        const vt::MenuWatch closer; // ends the menu unchosen
        ::PostMessageA(main, vantrel::WM_OWNTRAYICON, 0, WM_RBUTTONDOWN);
        ASSERT_TRUE(vt::WaitUntil([&] { return closer.Seen() == 1; }, 5000));
        vt::PumpMessages();
    }
    ExpectResponsive("after the own icon's menu");

    // A real hidden window: "Exit" asks it to close and drops it from the hidden list; the window
    // (whose program may refuse) stays hidden.
    vt::SysMenuCommand(main, live, 11);
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(live));
    ASSERT_EQ(HiddenCount(live), 1);
    {
        // The last item chosen with the keys, as the keyboard would choose it.
        const vt::MenuWatch closer([&](HWND, int tick) {
            for (UINT key : tick == 0 ? std::vector<UINT>{VK_UP, VK_RETURN} : std::vector<UINT>{}) {
                ::PostMessageA(main, WM_KEYDOWN, key, 0);
            }
            return tick > 0;
        });
        ::PostMessageA(main, vantrel::WM_HIDDENTRAYICON, W(live), WM_RBUTTONDOWN);
        ASSERT_TRUE(vt::WaitUntil([&] { return closer.Seen() == 1; }, 5000));
        EXPECT_TRUE(
            vt::WaitUntil([&] { return fixture_.GetCounts(live).sysCommandClose == 1; }, 5000));
    }
    EXPECT_EQ(HiddenCount(live), 0);
    EXPECT_FALSE(::IsWindowVisible(live));
    EXPECT_FALSE(f.tray().WindowIconAdded(live));
    ExpectNothingHiddenUnasked({trayRuled_, live}, "after Exit on a hidden target");
}

// Each command runs on a row whose window was destroyed after it was selected, before any notice
// of it could arrive; each dialog for a window ends with it.
TEST_F(HostileMessages, ListCommandsAndDialogsOnAWindowThatGoes) {
    auto& f = StartWith(2, 0);
    const auto commands = vt::ListCommands(f);
    Make("Vanish", static_cast<int>(commands.size()));
    ASSERT_EQ(made_.size(), commands.size());
    f.catalogue().Rebuild();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(commands[i].first);
        const HWND doomed = made_[i];
        f.lvMain().Select(RowOf(doomed)); // a dialog's loop may have rebuilt the list meanwhile
        ASSERT_EQ(f.SelectedWindow(), doomed);
        fixture_.Destroy(doomed);
        {
            const vt::ModalDeadline deadline(15000);
            commands[i].second();
            EXPECT_EQ(deadline.Ended(), 0);
        }
        EXPECT_EQ(vt::DropPendingScripts(), 0) << "a dialog did not open";
        // A window that is gone gets no icon or hidden entry: it could never be shown again.
        EXPECT_FALSE(f.tray().WindowIconAdded(doomed));
        ExpectNothingHiddenUnasked({trayRuled_}, commands[i].first);
    }

    // A dialog for another program's window stands over that window as a window of this program,
    // never inside it, so that the two programs never share their input; the same choice repeated
    // while it is open (each would open its dialog inside this one's loop, and wait there) opens
    // nothing more. Nothing tells this thread when the other program closes the window or ends:
    // the dialog must notice by itself and close at once, not when some unrelated message happens
    // to arrive. Confirmed after the list was rebuilt under it, it acts on no other row's window.
    const HWND main = f.Handle();
    enum Going { kDestroyed, kProgramEnds, kRebuiltAndConfirmed };
    const struct {
        int id; // of the system menu; 0: the list's transparency command on the selected row
        Going going;
        const char* name;
    } rows[] = {
        {30, kDestroyed, "transparency, its window destroyed"},
        {30, kProgramEnds, "transparency, its program ends"},
        {61, kDestroyed, "resize, its window destroyed"},
        {61, kProgramEnds, "resize, its program ends"},
        {0, kRebuiltAndConfirmed, "transparency from the list, rebuilt, OK"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        vt::Fixture other;
        const HWND target = other.CreateOne(vt::Spec(base_ + "Going"));
        HWND dialogWindow = nullptr;
        ULONGLONG gone = 0;
        vt::WhenModalOpens(row.id == 61 ? "Resize window" : "Custom transparency", [&](Form& d) {
            dialogWindow = d.Handle();
            if (row.id != 0) {
                EXPECT_EQ(::GetWindowLongA(dialogWindow, GWL_STYLE) & WS_CHILD, 0);
                EXPECT_EQ(::GetAncestor(dialogWindow, GA_PARENT), ::GetDesktopWindow());
                EXPECT_EQ(::GetWindow(dialogWindow, GW_OWNER), main);
                const RECT over = vt::WindowRectOf(target);
                const RECT mine = vt::WindowRectOf(dialogWindow);
                EXPECT_LE(std::abs(over.left + over.right - mine.left - mine.right), 1);
                EXPECT_LE(std::abs(over.top + over.bottom - mine.top - mine.bottom), 1);
                for (int again : {30, 61, 30}) {
                    vt::SysMenuCommand(main, target, again);
                }
                EXPECT_EQ(Form::ActiveModal(), &d) << "a repeat opened a second dialog";
            }
            if (row.going == kProgramEnds) {
                other.Kill();
            } else {
                other.Destroy(target);
            }
            gone = ::GetTickCount64();
            if (row.going == kRebuiltAndConfirmed) {
                f.catalogue().Rebuild(); // as the shell hook does while a dialog is open
                vantrel::SetControlText(
                    vt::Control(dialogWindow, vantrel::TfrmCustomTransparency::kValueEditId), "40");
                vt::Click(vt::Control(dialogWindow, IDOK));
            }
        });
        {
            const vt::ModalDeadline deadline(15000);
            if (row.id == 0) {
                f.lvMain().Select(RowOf(target));
                f.aCustomTranspExecute();
            } else {
                vt::SysMenuCommand(main, target, row.id);
            }
            EXPECT_EQ(deadline.Ended(), 0) << "the dialog stayed open";
        }
        ASSERT_EQ(vt::DropPendingScripts(), 0) << "the dialog never opened";
        EXPECT_LT(::GetTickCount64() - gone, 3000u) << "the dialog closed only later";
        EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindow(target); }, 5000));
        EXPECT_FALSE(::IsWindow(dialogWindow));
        ExpectNothingHiddenUnasked({trayRuled_}, row.name);
        for (const auto& entry : f.windows().Rows()) {
            EXPECT_EQ(entry.transparency, 0) << entry.caption;
        }
    }
}

} // namespace
