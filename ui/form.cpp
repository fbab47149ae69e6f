#include "ui/form.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

#include "app/application.h"
#include "platform/gdi.h"
#include "platform/dpi.h"
#include "platform/error.h"
#include "platform/text.h"

namespace vantrel {

namespace {
constexpr char kFormClass[] = "VantrelForm";
thread_local Form* g_activeModal = nullptr;
// How often a dialog for another program's window looks whether that window is still there.
constexpr UINT_PTR kTargetWatchTimer = 0x7A11;
constexpr UINT kTargetWatchMs = 250;

void RegisterFormClass(HINSTANCE instance) {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    ::RegisterClassExA(&wc);
    registered = true;
}

int g_refusalBeeps = 0;

LRESULT CALLBACK DigitsOnlyProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR beep) {
    if (msg == WM_CHAR) {
        const bool digit = wParam >= '0' && wParam <= '9';
        if (!digit && wParam != VK_BACK) {
            if (beep != 0) {
                ++g_refusalBeeps;
                ::MessageBeep(0);
            }
            return 0;
        }
    }
    return ::DefSubclassProc(edit, msg, wParam, lParam);
}
} // namespace

Form::Form(HWND owner, std::string caption, int clientWidth, int clientHeight)
    : owner_(owner), caption_(std::move(caption)), clientWidth_(clientWidth),
      clientHeight_(clientHeight) {}

Form::~Form() {
    if (handle_ != nullptr && ::IsWindow(handle_)) {
        ::SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        ::DestroyWindow(handle_);
    }
}

Form* Form::ActiveModal() {
    return g_activeModal;
}

bool Form::PreTranslateModalKey(const MSG& msg) {
    Form* form = g_activeModal;
    if (form == nullptr || form->handle_ == nullptr ||
        (msg.hwnd != form->handle_ && !::IsChild(form->handle_, msg.hwnd))) {
        return false;
    }
    if (form->OnDialogKey(msg)) {
        return true;
    }
    // A letter typed where no text is wanted counts as with Alt, as in a dialog.
    const bool letter =
        msg.message == WM_SYSCHAR ||
        (msg.message == WM_CHAR &&
         (::SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
          (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) == 0);
    return letter && form->RunAccessLetter(static_cast<char>(msg.wParam));
}

bool Form::RunAccessLetter(char typed) {
    const char wanted = static_cast<char>(::toupper(static_cast<unsigned char>(typed)));
    for (HWND c = ::GetWindow(handle_, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(c) || !::IsWindowEnabled(c)) {
            continue;
        }
        char cls[16] = {};
        ::GetClassNameA(c, cls, sizeof(cls));
        const LONG style = ::GetWindowLongA(c, GWL_STYLE);
        const bool button = ::lstrcmpiA(cls, "Button") == 0;
        const bool frame = button && (style & BS_TYPEMASK) == BS_GROUPBOX;
        const bool label = ::lstrcmpiA(cls, "Static") == 0 && (style & SS_NOPREFIX) == 0;
        if ((!button && !label) || AccessLetter(ControlText(c)) != wanted) {
            continue;
        }
        if (button && !frame) {
            ::SendMessageA(c, BM_CLICK, 0, 0);
            return true;
        }
        // A label or frame leads to the control after it, which is where the person types.
        const HWND target = ::GetNextDlgTabItem(handle_, c, FALSE);
        if (target != nullptr && target != c) {
            ::SetFocus(target);
            if ((::SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
                ::SendMessageA(target, EM_SETSEL, 0, -1);
            }
        }
        return true;
    }
    return false;
}

HWND Form::Create() {
    if (handle_ != nullptr) {
        return handle_;
    }
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    RegisterFormClass(instance);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | DS_MODALFRAME;
    DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    const HWND parent = owner_;
    // Sized once its DPI is known, which is that of the monitor it is made on.
    handle_ = ::CreateWindowExA(exStyle, kFormClass, caption_.c_str(), style, 0, 0, clientWidth_,
                                clientHeight_, parent, nullptr, instance, nullptr);
    ::SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::WndProc));
    dpi_ = platform::WindowDpi(handle_);
    const SIZE frame =
        platform::FrameSize(Scaled(clientWidth_), Scaled(clientHeight_), style, exStyle, dpi_);
    ::SetWindowPos(handle_, nullptr, 0, 0, frame.cx, frame.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MakeFormFont();
    ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    CreateControls();
    return handle_;
}

void Form::MakeFormFont() {
    // 8 point: an 11-pixel character height at 96 DPI.
    font_.reset(::CreateFontA(-Scaled(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, platform::UiFontFace()));
}

int Form::Scaled(int value) const {
    return platform::Scaled(value, dpi_);
}

int Form::Unscaled(int value) const {
    return (value * platform::kLayoutDpi + dpi_ - 1) / dpi_;
}

void Form::Place(HWND control, int x, int y, int width, int height) {
    const RECT at{x, y, width, height};
    auto it = std::find_if(placed96_.begin(), placed96_.end(),
                           [&](const Placed& p) { return p.control == control; });
    if (it == placed96_.end()) {
        placed96_.push_back(Placed{control, at});
    } else {
        it->at = at;
    }
    ::SetWindowPos(control, nullptr, Scaled(x), Scaled(y), Scaled(width), Scaled(height),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::FollowDpi(int dpi, const RECT* suggested) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    dpi_ = dpi;
    // Every place comes from its 96-DPI figure, never from the last scaled one, so moving to
    // and fro between monitors leaves no rounding behind.
    const HGDIOBJ oldFont = font_.get();
    platform::UniqueGdiObject keep(font_.release());
    MakeFormFont();
    ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    for (const Placed& p : placed96_) {
        if (!::IsWindow(p.control)) {
            continue;
        }
        if (reinterpret_cast<HGDIOBJ>(::SendMessageA(p.control, WM_GETFONT, 0, 0)) == oldFont) {
            ::SendMessageA(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        }
        ::SetWindowPos(p.control, nullptr, Scaled(p.at.left), Scaled(p.at.top), Scaled(p.at.right),
                       Scaled(p.at.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    DpiChanged();
    if (suggested != nullptr) {
        ::SetWindowPos(handle_, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(handle_, nullptr, TRUE);
}

void Form::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (handle_ != nullptr) {
        ::SetWindowTextA(handle_, caption_.c_str());
    }
}

void Form::PlaceAt(int left, int top) {
    placed_ = true;
    place_ = POINT{left, top};
}

int Form::ShowModal() {
    Create();
    RECT me{};
    ::GetWindowRect(handle_, &me);
    const int w = me.right - me.left;
    const int h = me.bottom - me.top;
    int x = place_.x;
    int y = place_.y;
    if (!placed_) {
        RECT around{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        // Reading another program's window rectangle asks the system, never that program.
        HWND centreOn = centreOver_ ? centreOver_ : owner_;
        if (centreOn != nullptr && ::IsWindowVisible(centreOn)) {
            ::GetWindowRect(centreOn, &around);
        }
        x = around.left + (around.right - around.left - w) / 2;
        y = around.top + (around.bottom - around.top - h) / 2;
    }
    ::SetWindowPos(handle_, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);

    const bool ownerWasEnabled = owner_ != nullptr && ::IsWindowEnabled(owner_);
    if (ownerWasEnabled) {
        ::EnableWindow(owner_, FALSE);
    }
    previousModal_ = g_activeModal;
    g_activeModal = this;
    modalResult_ = kResultNone;
    FormShow();
    // The focus and the underlined letters are shown from the start, not only once a key has
    // been pressed: a dialog opened with the mouse is often finished with the keyboard.
    ::SendMessageA(handle_, WM_CHANGEUISTATE,
                   MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    ::ShowWindow(handle_, SW_SHOW);
    ::SetForegroundWindow(handle_);
    if (centreOver_ != nullptr) {
        ::SetTimer(handle_, kTargetWatchTimer, kTargetWatchMs, nullptr);
    }
    Application& app = Application::Instance();
    while (modalResult_ == kResultNone) {
        if (!app.HandleOneMessage()) {
            modalResult_ = kResultCancel; // the program is ending
            break;
        }
        if (!::IsWindow(handle_)) {
            modalResult_ = kResultCancel; // destroyed with its parent window
            handle_ = nullptr;
            break;
        }
    }
    if (handle_ != nullptr && centreOver_ != nullptr) {
        ::KillTimer(handle_, kTargetWatchTimer);
    }
    if (ownerWasEnabled) {
        ::EnableWindow(owner_, TRUE);
    }
    g_activeModal = previousModal_;
    if (handle_ != nullptr) {
        ::ShowWindow(handle_, SW_HIDE);
    }
    if (owner_ != nullptr && ::IsWindowVisible(owner_)) {
        ::SetActiveWindow(owner_);
    }
    return modalResult_;
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        ::MessageBoxA(::GetActiveWindow(), e.what(), "Vantrel", MB_OK | MB_ICONERROR);
    }
    return 0;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnMessage(msg, wParam, lParam, result)) {
        return result;
    }
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) {
            return 0;
        }
        break;
    case WM_NOTIFY:
        if (OnNotify(reinterpret_cast<const NMHDR*>(lParam), result)) {
            return result;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            Application::Instance().NoteFormActivated(handle_);
        } else {
            HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(handle_, focus)) {
                lastFocus_ = focus;
            }
        }
        break;
    case WM_SETFOCUS: {
        // The form itself takes no keys: hand the focus on, as a dialog does, to the control
        // that had it last or else to the first one in the tab order. The form may get the
        // focus on its way to the screen, before it counts as visible itself: only the control's
        // own style says whether it is shown.
        HWND target = lastFocus_;
        if (target == nullptr || !::IsChild(handle_, target) || !::IsWindowEnabled(target) ||
            (::GetWindowLongA(target, GWL_STYLE) & WS_VISIBLE) == 0) {
            target = ::GetNextDlgTabItem(handle_, nullptr, FALSE);
        }
        if (target != nullptr && target != handle_) {
            ::SetFocus(target);
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == kTargetWatchTimer) {
            if (!::IsWindow(centreOver_)) {
                modalResult_ = kResultCancel;
            }
            return 0;
        }
        break;
    case WM_DPICHANGED:
        FollowDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        // Closing through the title bar is Cancel.
        modalResult_ = kResultCancel;
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(handle_, msg, wParam, lParam);
}

HWND Form::AddControl(const char* windowClass, const std::string& text, DWORD style, int x, int y,
                      int width, int height, int id, DWORD exStyle, HWND parent) {
    HWND control = ::CreateWindowExA(
        exStyle, windowClass, text.c_str(), WS_CHILD | style, Scaled(x), Scaled(y), Scaled(width),
        Scaled(height), parent ? parent : handle_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    placed96_.push_back(Placed{control, RECT{x, y, width, height}});
    return control;
}

HWND Form::AddLabel(const std::string& text, int x, int y, int width, int height, HWND parent) {
    if (width == 0) {
        width = Unscaled(platform::TextExtentIn(handle_, font_.get(), text).cx);
    }
    // A label with an access letter shows it and lends it to the control created after it; any
    // other label shows its text as it is.
    const DWORD prefix = text.find('&') == std::string::npos ? SS_NOPREFIX : 0;
    return AddControl("STATIC", text, WS_VISIBLE | SS_LEFT | prefix, x, y, width, height, 0, 0,
                      parent);
}

HWND Form::AddButton(const std::string& text, int x, int y, int width, int height, int id) {
    return AddControl("BUTTON", text, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, y, width, height,
                      id);
}

HWND Form::AddCheckBox(const std::string& text, int x, int y, int width, int height, int id,
                       HWND parent) {
    return AddControl("BUTTON", text, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, x, y, width,
                      height, id, 0, parent);
}

HWND Form::AddEdit(const std::string& text, int x, int y, int width, int height, int id,
                   DWORD extraStyle, HWND parent) {
    // A Unicode edit: an 8-bit one moves the caret and deletes by bytes of its code page, which
    // would split a character of UTF-8. The program's 8-bit calls on it convert both ways.
    const std::wstring wide = platform::Widened(text);
    HWND control = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", wide.c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | extraStyle, Scaled(x), Scaled(y),
        Scaled(width), Scaled(height), parent ? parent : handle_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    placed96_.push_back(Placed{control, RECT{x, y, width, height}});
    return control;
}

HWND Form::AddGroupBox(const std::string& text, int x, int y, int width, int height, HWND parent) {
    return AddControl("BUTTON", text, WS_VISIBLE | BS_GROUPBOX, x, y, width, height, 0, 0, parent);
}

HWND Form::AddIcon(HICON icon, int x, int y, int width, int height) {
    HWND control =
        AddControl("STATIC", "", WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL, x, y, width, height);
    ::SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return control;
}

void RadioGroup::Create(Form& form, const std::string& title, const std::vector<std::string>& items,
                        int x, int y, int width, int height, int firstId, HWND container) {
    frame_ = form.AddControl("BUTTON", title, WS_VISIBLE | BS_GROUPBOX, x, y, width, height, 0, 0,
                             container);
    // Buttons spread evenly over the frame below its title, one column.
    const int top = y + 15;
    const int step = items.empty() ? 0 : (height - 20) / static_cast<int>(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        DWORD style = WS_VISIBLE | BS_AUTORADIOBUTTON;
        if (i == 0) {
            style |= WS_GROUP | WS_TABSTOP;
        }
        buttons_.push_back(form.AddControl("BUTTON", items[i], style, x + 8,
                                           top + static_cast<int>(i) * step, width - 16, 17,
                                           firstId + static_cast<int>(i), 0, container));
    }
}

int RadioGroup::ItemIndex() const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (IsChecked(buttons_[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void RadioGroup::SetItemIndex(int index) {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        SetChecked(buttons_[i], static_cast<int>(i) == index);
    }
}

void RadioGroup::Enable(bool on) {
    ::EnableWindow(frame_, on);
    for (HWND b : buttons_) {
        ::EnableWindow(b, on);
    }
}

char AccessLetter(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') {
            continue;
        }
        if (caption[i + 1] != '&') {
            return static_cast<char>(::toupper(static_cast<unsigned char>(caption[i + 1])));
        }
        ++i; // "&&" shows one "&"
    }
    return 0;
}

std::string ControlText(HWND control) {
    const int n = ::GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
    const int got = ::GetWindowTextA(control, text.data(), n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void SetControlText(HWND control, const std::string& text) {
    ::SetWindowTextA(control, text.c_str());
}

bool IsChecked(HWND control) {
    return ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND control, bool checked) {
    ::SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MakeDigitsOnly(HWND edit, bool beep) {
    ::SetWindowSubclass(edit, DigitsOnlyProc, 1, beep ? 1 : 0);
}

int RefusalBeeps() {
    return g_refusalBeeps;
}

} // namespace vantrel
