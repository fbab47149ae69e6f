// vantrel_hook.dll: hook procedures that the relay installs, globally or (where the program
// hears of windows from the shell) only for the threads whose windows carry its items. The system
// loads this DLL into the hooked processes of the same bitness and calls these procedures on their
// threads, so each one only compares, posts to the relay and returns: no allocation, no C++
// runtime (the DLL is linked without one and has its own entry point), no waiting.
//
// Which hooks, and why these:
// - WH_CALLWNDPROCRET sees sent messages after the window procedure has handled them. It is the
//   one source that behaves alike on Windows and under Wine: WM_WINDOWPOSCHANGED with
//   SWP_SHOWWINDOW / SWP_HIDEWINDOW says a top-level window appeared or went (on Windows the
//   shell's created/destroyed notices follow visibility the same way, while Wine's WH_SHELL
//   reports at CreateWindow time, often before the window is shown), and WM_SETTEXT, seen after
//   it took effect, says the caption changed (Wine never sends HSHELL_REDRAW for that).
// - WH_GETMESSAGE sees the WM_SYSCOMMAND that a system-menu choice posts to the window; only
//   messages actually removed from the queue count, so a PeekMessage(PM_NOREMOVE) that looks at
//   the same message does not report it twice. A WM_SYSCOMMAND that someone sends rather than
//   posts is seen by WH_CALLWNDPROCRET instead; no message passes through both.
//   A choice is reported only when the window's system menu carries the program's items: a
//   program's own item with one of these small ids is that program's business. The relay then
//   asks this very thread to confirm the choice (see relay_protocol.h), which the same hook
//   answers when it takes the relay's question from the queue.
// - WH_SHELL adds the shell's own view (created, destroyed, redraw). It repeats what the other
//   two see, which the relay tolerates, and covers windows whose process changes them by paths
//   that bypass the messages above.
//
// That is the 64-bit set. Where both bitnesses run, the 32-bit relay installs other hook types
// (WH_CALLWNDPROC and WH_CBT): where a global hook of the other bitness comes first in a chain,
// Wine cannot load it into the process and ends the chain there, so two sets of one type would
// silence each other. On 32-bit Windows, alone, it installs the 64-bit set (--alone). The 32-bit
// set sees sent messages before the window procedure (so a caption may still be the old one when
// the hook posts; the relay reads nothing from it), a system-menu choice through HCBT_SYSCOMMAND
// in DefWindowProc, attributed to the window whose system menu that thread opened last
// (WM_INITMENUPOPUP), and the relay's question as the sent message it is. Windows hands that hook
// the command with its four low bits cleared (they are the system's own in SC_* commands), which
// turns most of the program's small ids into others or into none; the item the menu last
// highlighted (WM_MENUSELECT) gives the id back whole.
#include "relay/relay_protocol.h"

#include <atomic>

namespace {

using namespace vantrel::relay;

// One per process that loaded the DLL. Constant-initialised, so loading needs no start-up code.
std::atomic<HWND> g_relay{nullptr};
// Set in the relay's own process, where no message's data is read at all: there the hooks run
// as the system's stand-in call for every process of the other bitness, whose messages and
// pointers are not ours to look at, and which that bitness's own relay reports already.
std::atomic<bool> g_inRelay{false};

bool InRelay() {
    return g_inRelay.load(std::memory_order_relaxed);
}

void __cdecl MarkRelayProcess() {
    g_inRelay.store(true, std::memory_order_relaxed);
}

// This DLL's own module, from the entry point, so that the relay beside it can be named.
std::atomic<HINSTANCE> g_module{nullptr};
// The last window of the relay's class and title whose process is not the relay: it is passed
// over without looking at its process again for every event.
std::atomic<HWND> g_rejected{nullptr};

// The relay executable that lies beside this DLL; the relay that installed the hooks runs it.
FileIdentity RelayFile() {
    char path[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameA(g_module.load(std::memory_order_relaxed), path,
                                            static_cast<DWORD>(sizeof(path)));
    if (length == 0 || length >= sizeof(path)) {
        return FileIdentity{};
    }
    DWORD at = length;
    while (at > 0 && path[at - 1] != '\\' && path[at - 1] != '/') {
        --at;
    }
    for (const char* name = kExecutableName; *name != '\0'; ++name) {
        if (at + 1 >= sizeof(path)) {
            return FileIdentity{};
        }
        path[at++] = *name;
    }
    path[at] = '\0';
    return IdentityOf(path);
}

// The active relay's window, looked up again once the remembered one is gone (that relay ended
// and another may have taken over). Of the windows with the relay's class and title, only one
// whose process runs the relay beside this DLL counts (relay_protocol.h).
HWND ActiveRelay() {
    HWND relay = g_relay.load(std::memory_order_relaxed);
    if (relay != nullptr && IsWindow(relay)) {
        return relay;
    }
    relay = nullptr;
    FileIdentity relayFile;
    HWND candidate = nullptr;
    while ((candidate = FindWindowExA(HWND_MESSAGE, candidate, kWindowClass, kActiveTitle)) !=
           nullptr) {
        if (candidate == g_rejected.load(std::memory_order_relaxed)) {
            continue;
        }
        if (!relayFile.known) {
            relayFile = RelayFile();
        }
        if (IsGenuineRelayWindow(candidate, relayFile)) {
            relay = candidate;
            break;
        }
        g_rejected.store(candidate, std::memory_order_relaxed);
    }
    g_relay.store(relay, std::memory_order_relaxed);
    return relay;
}

void Report(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND relay = ActiveRelay();
    if (relay == nullptr) {
        return;
    }
    DWORD relayProcess = 0;
    GetWindowThreadProcessId(relay, &relayProcess);
    // Inside the relay itself the hooks run only for its own windows or, on 64-bit Windows, as
    // the system's stand-in call for a process of the other bitness, which that bitness's own
    // relay reports already.
    if (relayProcess == GetCurrentProcessId()) {
        return;
    }
    PostMessageA(relay, message, wParam, lParam);
}

void ReportWindow(WPARAM event, HWND hwnd) {
    Report(kRawWindowEvent, event, reinterpret_cast<LPARAM>(hwnd));
}

// The choices this process made lately, so that a question of the relay is confirmed only for a
// choice really made here. Written and read by the threads of this process; a torn entry can
// only fail to match.
struct Choice {
    std::atomic<HWND> window;
    std::atomic<LONG_PTR> id;
    std::atomic<DWORD> tick;
};
// How far tests have moved this process's clock on (kAdvanceHookClockExport).
std::atomic<DWORD> g_clockAhead{0};

DWORD Now() {
    return GetTickCount() + g_clockAhead.load(std::memory_order_relaxed);
}

constexpr unsigned kChoices = 64;
constexpr DWORD kChoiceLifeMs = 10000;
Choice g_choices[kChoices];
std::atomic<unsigned> g_nextChoice{0};
std::atomic<UINT> g_confirmMessage{0};

UINT ConfirmMessage() {
    UINT message = g_confirmMessage.load(std::memory_order_relaxed);
    if (message == 0) {
        message = RegisterWindowMessageA(kConfirmMessageName);
        g_confirmMessage.store(message, std::memory_order_relaxed);
    }
    return message;
}

void ReportChoice(HWND hwnd, WPARAM id) {
    if (!IsRelayedCommand(id) || !IsTopLevel(hwnd) ||
        !CarriesProgramItems(GetSystemMenu(hwnd, FALSE))) {
        return;
    }
    Choice& slot = g_choices[g_nextChoice.fetch_add(1, std::memory_order_relaxed) % kChoices];
    slot.window.store(nullptr, std::memory_order_relaxed);
    slot.id.store(static_cast<LONG_PTR>(id), std::memory_order_relaxed);
    slot.tick.store(Now(), std::memory_order_relaxed);
    slot.window.store(hwnd, std::memory_order_release);
    Report(kRawSysCommand, reinterpret_cast<WPARAM>(hwnd), static_cast<LPARAM>(id));
}

// The relay's question about a choice on `hwnd`: answered once, for a choice of the last few
// seconds that is still on record, while the window's menu still carries the program's items.
void AnswerQuestion(HWND hwnd, WPARAM token, LPARAM id) {
    const DWORD now = Now();
    for (Choice& slot : g_choices) {
        if (slot.window.load(std::memory_order_acquire) != hwnd ||
            slot.id.load(std::memory_order_relaxed) != id ||
            now - slot.tick.load(std::memory_order_relaxed) > kChoiceLifeMs) {
            continue;
        }
        slot.window.store(nullptr, std::memory_order_relaxed);
        if (CarriesProgramItems(GetSystemMenu(hwnd, FALSE))) {
            Report(kRawConfirmed, token, reinterpret_cast<LPARAM>(hwnd));
        }
        return;
    }
}

LRESULT CALLBACK ShellProc(int code, WPARAM wParam, LPARAM lParam) {
    if (InRelay()) {
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    const auto hwnd = reinterpret_cast<HWND>(wParam);
    switch (code) {
    case HSHELL_WINDOWCREATED:
        if (IsTopLevel(hwnd) && IsAppWindow(hwnd)) {
            ReportWindow(kEventShown, hwnd);
        }
        break;
    case HSHELL_WINDOWDESTROYED:
        if (IsTopLevel(hwnd)) {
            ReportWindow(kEventGone, hwnd);
        }
        break;
    case HSHELL_REDRAW:
        if (IsTopLevel(hwnd)) {
            ReportWindow(kEventRenamed, hwnd);
        }
        break;
    default:
        break;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// What both hook sets watch in a sent message, whether they see it before or after the window
// procedure: windows shown, hidden and renamed, system-menu choices, and the relay's questions.
void ObserveSent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos == nullptr || !(pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) ||
            !IsTopLevel(hwnd)) {
            break;
        }
        if (pos->flags & SWP_SHOWWINDOW) {
            if (IsAppWindow(hwnd)) {
                ReportWindow(kEventShown, hwnd);
            }
        } else {
            ReportWindow(kEventGone, hwnd);
        }
        break;
    }
    case WM_SETTEXT:
        if (IsTopLevel(hwnd)) {
            ReportWindow(kEventRenamed, hwnd);
        }
        break;
    case WM_SYSCOMMAND:
        ReportChoice(hwnd, wParam);
        break;
    default:
        // Only a process that made a choice is asked about one; every other process does nothing
        // here, not even register the question's name.
        if (message >= 0xC000 && g_nextChoice.load(std::memory_order_relaxed) != 0 &&
            message == ConfirmMessage()) {
            AnswerQuestion(hwnd, wParam, lParam);
        }
        break;
    }
}

LRESULT CALLBACK CallWndProcRetProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && !InRelay()) {
        const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        ObserveSent(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The thread's own record of the window whose system menu it opened last, and of the item last
// highlighted in that menu (32-bit set).
std::atomic<DWORD> g_menuWindowSlot{TLS_OUT_OF_INDEXES};
std::atomic<DWORD> g_menuItemSlot{TLS_OUT_OF_INDEXES};

DWORD LazySlot(std::atomic<DWORD>& holder) {
    DWORD slot = holder.load(std::memory_order_acquire);
    if (slot == TLS_OUT_OF_INDEXES) {
        const DWORD made = TlsAlloc();
        DWORD expected = TLS_OUT_OF_INDEXES;
        if (holder.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
            slot = made;
        } else {
            // Another thread was first; its slot is the one.
            if (made != TLS_OUT_OF_INDEXES) {
                TlsFree(made);
            }
            slot = expected;
        }
    }
    return slot;
}

void FreeSlot(std::atomic<DWORD>& holder) {
    const DWORD slot = holder.exchange(TLS_OUT_OF_INDEXES);
    if (slot != TLS_OUT_OF_INDEXES) {
        TlsFree(slot);
    }
}

// The command that HCBT_SYSCOMMAND stands for: the item last highlighted in the system menu when
// the two agree but for the four low bits, which Windows clears before it calls the hook (Wine
// does not); otherwise the command as it came.
WPARAM ChosenCommand(WPARAM command) {
    const DWORD slot = g_menuItemSlot.load(std::memory_order_acquire);
    if (slot == TLS_OUT_OF_INDEXES) {
        return command;
    }
    const auto item = reinterpret_cast<WPARAM>(TlsGetValue(slot));
    TlsSetValue(slot, nullptr); // one choice per highlight
    return item != 0 && (item & ~WPARAM{0xF}) == (command & ~WPARAM{0xF}) ? item : command;
}

// The 32-bit set's view of sent messages, before the window procedure runs.
LRESULT CALLBACK CallWndProcProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && !InRelay()) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent->message == WM_INITMENUPOPUP) {
            // Only a system menu is worth a slot: a process whose system menus stay closed is
            // left without one.
            if (HIWORD(sent->lParam)) {
                const DWORD slot = LazySlot(g_menuWindowSlot);
                if (slot != TLS_OUT_OF_INDEXES) {
                    TlsSetValue(slot, sent->hwnd);
                }
                const DWORD itemSlot = LazySlot(g_menuItemSlot);
                if (itemSlot != TLS_OUT_OF_INDEXES) {
                    TlsSetValue(itemSlot, nullptr);
                }
            }
        } else if (sent->message == WM_MENUSELECT) {
            // An item (not a submenu, whose "id" is its position) highlighted in a menu of a
            // thread that opened a system menu; the menu's closing notice (no menu) keeps the
            // last one, which is the item chosen with Enter or a click.
            const UINT flags = HIWORD(sent->wParam);
            const DWORD slot = g_menuItemSlot.load(std::memory_order_acquire);
            if (slot != TLS_OUT_OF_INDEXES && sent->lParam != 0 && !(flags & MF_POPUP) &&
                flags != 0xFFFF) {
                TlsSetValue(slot,
                            reinterpret_cast<void*>(static_cast<ULONG_PTR>(LOWORD(sent->wParam))));
            }
        } else {
            ObserveSent(sent->hwnd, sent->message, sent->wParam, sent->lParam);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    // A sent WM_SYSCOMMAND was seen on its way in already; this catches the posted ones, such as
    // the one a menu choice posts.
    if (code == HCBT_SYSCOMMAND && !InRelay() && !InSendMessage()) {
        // No slot yet: no system menu was opened in this process, so no choice was made in one.
        const DWORD slot = g_menuWindowSlot.load(std::memory_order_acquire);
        const WPARAM command = slot != TLS_OUT_OF_INDEXES ? ChosenCommand(wParam) : 0;
        if (IsRelayedCommand(command)) {
            ReportChoice(static_cast<HWND>(TlsGetValue(slot)), command);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && !InRelay()) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_SYSCOMMAND) {
            ReportChoice(msg->hwnd, msg->wParam);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

constexpr HookProcedures kProcedures{&ShellProc,      &CallWndProcRetProc,
                                     &GetMessageProc, &CallWndProcProc,
                                     &CbtProc,        &MarkRelayProcess};

} // namespace

extern "C" __declspec(dllexport) const HookProcedures* __cdecl VantrelHookProcedures() {
    return &kProcedures;
}

extern "C" __declspec(dllexport) void __cdecl VantrelHookAdvanceClock(DWORD milliseconds) {
    g_clockAhead.fetch_add(milliseconds, std::memory_order_relaxed);
}

// The entry point named to the linker in place of the C runtime's: the DLL is mapped into many
// processes and must not run any start-up code there.
extern "C" BOOL WINAPI VantrelHookEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module.store(instance, std::memory_order_relaxed);
        // Threads of the hooked processes come and go all the time; they need nothing from us.
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded from a process that lives on (the hooks were removed): its slots go back.
        // At process exit there is nothing to give back to.
        FreeSlot(g_menuWindowSlot);
        FreeSlot(g_menuItemSlot);
    }
    return TRUE;
}
