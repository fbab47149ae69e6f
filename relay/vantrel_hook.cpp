// vantrel_hook.dll: global hook procedures that the relay installs. The system loads this DLL
// into every GUI process of the same bitness and calls these procedures on that process's
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
// - WH_SHELL adds the shell's own view (created, destroyed, redraw). It repeats what the other
//   two see, which the relay tolerates, and covers windows whose process changes them by paths
//   that bypass the messages above.
// WH_CBT is not used: HCBT_CREATEWND comes before the window exists in any useful state, and its
// other codes add nothing here.
#include "relay/relay_protocol.h"

#include <atomic>

namespace {

using namespace vantrel::relay;

// One per process that loaded the DLL. Constant-initialised, so loading needs no start-up code.
std::atomic<HWND> g_relay{nullptr};

// The active relay's window, looked up again once the remembered one is gone (that relay ended
// and another may have taken over).
HWND ActiveRelay() {
    HWND relay = g_relay.load(std::memory_order_relaxed);
    if (relay == nullptr || !IsWindow(relay)) {
        relay = FindWindowExA(HWND_MESSAGE, nullptr, kWindowClass, kActiveTitle);
        g_relay.store(relay, std::memory_order_relaxed);
    }
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

LRESULT CALLBACK ShellProc(int code, WPARAM wParam, LPARAM lParam) {
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

LRESULT CALLBACK CallWndProcRetProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        switch (sent->message) {
        case WM_WINDOWPOSCHANGED: {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(sent->lParam);
            if (pos == nullptr || !(pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) {
                break;
            }
            if (!IsTopLevel(sent->hwnd)) {
                break;
            }
            if (pos->flags & SWP_SHOWWINDOW) {
                if (IsAppWindow(sent->hwnd)) {
                    ReportWindow(kEventShown, sent->hwnd);
                }
            } else {
                ReportWindow(kEventGone, sent->hwnd);
            }
            break;
        }
        case WM_SETTEXT:
            if (IsTopLevel(sent->hwnd)) {
                ReportWindow(kEventRenamed, sent->hwnd);
            }
            break;
        case WM_SYSCOMMAND:
            if (IsRelayedCommand(sent->wParam) && IsTopLevel(sent->hwnd)) {
                Report(kRawSysCommand, reinterpret_cast<WPARAM>(sent->hwnd),
                       static_cast<LPARAM>(sent->wParam));
            }
            break;
        default:
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_SYSCOMMAND && IsRelayedCommand(msg->wParam) &&
            IsTopLevel(msg->hwnd)) {
            Report(kRawSysCommand, reinterpret_cast<WPARAM>(msg->hwnd),
                   static_cast<LPARAM>(msg->wParam));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

constexpr HookProcedures kProcedures{&ShellProc, &CallWndProcRetProc, &GetMessageProc};

} // namespace

extern "C" __declspec(dllexport) const HookProcedures* __cdecl VantrelHookProcedures() {
    return &kProcedures;
}

// The entry point named to the linker in place of the C runtime's: the DLL is mapped into many
// processes and must not run any start-up code there.
extern "C" BOOL WINAPI VantrelHookEntry(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        // Threads of the hooked processes come and go all the time; they need nothing from us.
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
