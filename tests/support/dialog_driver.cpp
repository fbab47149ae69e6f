#include "support/dialog_driver.h"

#include "support/test_support.h"

#include "app/application.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <utility>

namespace vt {

namespace {
struct Pending {
    std::string prefix;
    std::function<void(vantrel::Form&)> script;
};
std::deque<Pending> g_pending;
UINT_PTR g_timer = 0;
vantrel::Form* g_lastDriven = nullptr;

void StopPolling() {
    if (g_timer != 0) {
        ::KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
}

void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
    vantrel::Form* form = vantrel::Form::ActiveModal();
    if (form == nullptr || form == g_lastDriven || g_pending.empty() ||
        !::IsWindowVisible(form->Handle()) ||
        form->Caption().rfind(g_pending.front().prefix, 0) != 0) {
        return;
    }
    Pending next = std::move(g_pending.front());
    g_pending.pop_front();
    g_lastDriven = form;
    if (g_pending.empty()) {
        StopPolling();
    }
    next.script(*form);
}

// The first control below the form, however deeply nested, that the test accepts.
HWND FindControl(HWND form, const std::function<bool(HWND)>& test) {
    const std::vector<HWND> controls = WindowsUnder(form);
    const auto found = std::find_if(controls.begin(), controls.end(), test);
    return found != controls.end() ? *found : nullptr;
}

std::vector<ShownBox> g_shownBoxes;

void CALLBACK AnswerOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    AnswerMessageBox();
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM found) {
    if (ClassOf(window) == "#32770" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void SendKey(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof(input));
}

} // namespace

std::string ShownText(const std::string& caption) {
    std::string shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i; // "&&" shows one "&"; "&x" shows an underlined x
        }
        shown += caption[i];
    }
    return shown;
}

char AccessLetter(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (caption[i + 1] != '&') {
                return static_cast<char>(::toupper(static_cast<unsigned char>(caption[i + 1])));
            }
            ++i;
        }
    }
    return 0;
}

void WhenModalOpens(const std::string& captionPrefix, std::function<void(vantrel::Form&)> script) {
    g_pending.push_back(Pending{captionPrefix, std::move(script)});
    g_lastDriven = nullptr;
    if (g_timer == 0) {
        g_timer = ::SetTimer(nullptr, 0, 15, &Poll);
    }
}

int DropPendingScripts() {
    const int n = static_cast<int>(g_pending.size());
    g_pending.clear();
    StopPolling();
    return n;
}

int RunModal(vantrel::Form& dialog, std::function<void(vantrel::Form&)> script, UINT deadlineMs) {
    WhenModalOpens(dialog.Caption(), std::move(script));
    const ModalDeadline deadline(deadlineMs);
    const int result = dialog.ShowModal();
    EXPECT_EQ(deadline.Ended(), 0) << dialog.Caption() << " was left open";
    EXPECT_EQ(DropPendingScripts(), 0) << dialog.Caption() << " never ran its script";
    return result;
}

HWND Control(HWND form, int id) {
    return FindControl(form, [id](HWND child) { return ::GetDlgCtrlID(child) == id; });
}

HWND ControlByText(HWND form, const std::string& text) {
    return FindControl(form, [&text](HWND child) {
        const std::string shown = TextOf(child);
        return shown == text || ShownText(shown) == text;
    });
}

void Click(HWND button) {
    ::SendMessageA(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

void Toggle(HWND checkBox) {
    const bool checked = ::SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SendMessageA(checkBox, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    Click(checkBox);
}

void Type(HWND control, const std::string& text) {
    for (char c : text) {
        ::SendMessageA(control, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    }
}

void PostKey(HWND control, WPARAM key) {
    ::SetFocus(control);
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

int TrackPosition(HWND trackBar) {
    return static_cast<int>(::SendMessageA(trackBar, TBM_GETPOS, 0, 0));
}

bool AnswerMessageBox() {
    // This thread's windows only: the box is the loop's that runs here, and asking every window
    // on the desktop every 10 ms slows all else the test waits for.
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) {
        return false;
    }
    // 0xFFFF: the message box's text control.
    ShownBox shown{TextOf(box), TextOf(::GetDlgItem(box, 0xFFFF)), ::GetWindow(box, GW_OWNER)};
    for (const HWND child : WindowsUnder(box)) {
        if ((::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            shown.icon = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
        }
    }
    g_shownBoxes.push_back(shown);
    ::SendMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
}

const std::vector<ShownBox>& ShownBoxes() {
    return g_shownBoxes;
}

BoxAnswerer::BoxAnswerer() : timer_(::SetTimer(nullptr, 0, 10, AnswerOnTimer)) {
    g_shownBoxes.clear();
}

BoxAnswerer::~BoxAnswerer() {
    ::KillTimer(nullptr, timer_);
}

void PressKey(WORD key, const std::vector<WORD>& modifiers) {
    for (WORD m : modifiers) {
        SendKey(m, true);
    }
    SendKey(key, true);
    SendKey(key, false);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) {
        SendKey(*m, false);
    }
}

bool WaitInLoop(const std::function<bool()>& condition, DWORD timeoutMs) {
    return WaitUntil(condition, timeoutMs,
                     [] { vantrel::Application::Instance().ProcessMessages(); });
}

} // namespace vt
