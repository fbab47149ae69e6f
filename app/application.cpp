#include "app/application.h"

#include "ui/form.h"

namespace vantrel {

namespace {
constexpr char kTaskbarWindowClass[] = "VantrelApplication";
constexpr DWORD kMessageWaitMs = 250;
} // namespace

Application& Application::Instance() {
    static Application app;
    return app;
}

HWND Application::Initialize(HINSTANCE instance) {
    if (handle_ != nullptr) {
        return handle_;
    }
    instance_ = instance;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Application::WndProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = kTaskbarWindowClass;
    ::RegisterClassExA(&wc);
    // A zero-sized popup in the middle of the screen: it has no visible area of its own but
    // carries the taskbar button, and as owner of every form it keeps them off the taskbar.
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ =
        ::CreateWindowExA(0, kTaskbarWindowClass, title_.c_str(),
                          WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x,
                          y, 0, 0, nullptr, nullptr, instance, nullptr);
    hook_.reset(::SetWindowsHookExA(WH_GETMESSAGE, &Application::GetMessageHook, nullptr,
                                    ::GetCurrentThreadId()));
    return handle_;
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_ != nullptr) {
        ::SetWindowTextA(handle_, title_.c_str());
    }
}

void Application::SetFilter(Filter filter) {
    filter_ = std::move(filter);
}

void Application::RunIdleHandlers() {
    for (const auto& handler : idle_) {
        handler();
    }
}

LRESULT CALLBACK Application::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    Application& app = Instance();
    if (code == HC_ACTION && wParam == PM_REMOVE && app.filter_) {
        // Only look: the message always goes on to its window.
        app.filter_(*reinterpret_cast<const MSG*>(lParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

namespace {
// The outermost window of this program that holds `window`. A dialog that lives inside another
// program's window is its own form: the window around it is not ours to hand keys to.
HWND FormOf(HWND window) {
    const DWORD self = ::GetCurrentProcessId();
    HWND form = nullptr;
    for (HWND w = window; w != nullptr; w = ::GetAncestor(w, GA_PARENT)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid != self) {
            break;
        }
        form = w;
        if ((::GetWindowLongA(w, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return form;
}
} // namespace

bool Application::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        return false;
    }
    HWND form = FormOf(msg.hwnd);
    const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    if (form != nullptr && form == mainForm_ && key && mainFormKeys_ && mainFormKeys_(msg)) {
        return true;
    }
    if (form != nullptr && form != mainForm_ && key && Form::PreTranslateModalKey(msg)) {
        return true;
    }
    if (form != nullptr && form != mainForm_ && ::IsDialogMessageA(form, &msg)) {
        return true;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
    return true;
}

int Application::Run() {
    MSG msg{};
    for (;;) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!Dispatch(msg)) {
                return static_cast<int>(msg.wParam);
            }
        }
        RunIdleHandlers();
        ::WaitMessage();
    }
}

void Application::ProcessMessages() {
    MSG msg{};
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!Dispatch(msg)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
    }
}

bool Application::HandleOneMessage() {
    MSG msg{};
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        RunIdleHandlers();
        // Bounded, so that a modal loop sees its window vanish even when no message says so: a
        // dialog inside another program's window is destroyed without a word to this thread
        // when that program ends.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kMessageWaitMs, QS_ALLINPUT);
        return true;
    }
    if (!Dispatch(msg)) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    return true;
}

void Application::BringToFront() {
    if (handle_ == nullptr) {
        return;
    }
    HWND popup = ::GetLastActivePopup(handle_);
    if (popup != nullptr && popup != handle_ && ::IsWindowVisible(popup) &&
        ::IsWindowEnabled(popup)) {
        ::SetForegroundWindow(popup);
    }
}

bool Application::IsMinimized() const {
    return handle_ != nullptr && ::IsIconic(handle_);
}

void Application::Restore() {
    if (handle_ == nullptr) {
        return;
    }
    ::ShowWindow(handle_, SW_RESTORE);
    if (mainForm_ != nullptr) {
        ::ShowWindow(mainForm_, SW_SHOW);
    }
}

HWND Application::NoteFormActivated(HWND form) {
    HWND previous = lastActiveForm_;
    lastActiveForm_ = form;
    return previous;
}

void Application::Reset() {
    mainForm_ = nullptr;
    lastActiveForm_ = nullptr;
    filter_ = nullptr;
    idle_.clear();
    mainFormKeys_ = nullptr;
}

LRESULT CALLBACK Application::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Application& app = Instance();
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_RESTORE && ::IsIconic(hwnd)) {
            app.Restore();
            if (app.mainForm_ != nullptr) {
                ::SetForegroundWindow(app.mainForm_);
            }
            return 0;
        }
        if ((wParam & 0xFFF0) == SC_CLOSE && app.mainForm_ != nullptr) {
            ::PostMessageA(app.mainForm_, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // The taskbar window has nothing to focus: hand the activation on to the form that
        // had it last, as long as it can take it.
        if (LOWORD(wParam) != WA_INACTIVE) {
            HWND target = app.lastActiveForm_ ? app.lastActiveForm_ : app.mainForm_;
            if (target != nullptr && ::IsWindowVisible(target) && ::IsWindowEnabled(target)) {
                ::SetActiveWindow(target);
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        if (app.mainForm_ != nullptr) {
            ::PostMessageA(app.mainForm_, WM_CLOSE, 0, 0);
        }
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace vantrel
