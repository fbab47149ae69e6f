#include "commands/properties_dialog.h"

#include <commctrl.h>

#include <cstdint>

#include "commands/style_decoder.h"

namespace vantrel {

namespace {
constexpr int kClientWidth = 435;
constexpr int kClientHeight = 252;
constexpr int kValueLeft = 110;

std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    if (list == nullptr) {
        return items;
    }
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(::SendMessageA(list, LB_GETTEXTLEN, i, 0));
        std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        const int got = static_cast<int>(
            ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0])));
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
        items.push_back(text);
    }
    return items;
}

void FillList(HWND list, const std::vector<std::string>& names) {
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : names) {
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}
} // namespace

TfrmWindowProp::TfrmWindowProp(HWND owner)
    : Form(owner, "Window Properties", kClientWidth, kClientHeight) {}

void TfrmWindowProp::SetTarget(HWND target, const std::string& caption) {
    target_ = target;
    caption_ = caption;
}

HWND TfrmWindowProp::AddPageLabel(std::vector<HWND>& page, const std::string& text, int x, int y) {
    HWND label = AddLabel(text, x, y);
    page.push_back(label);
    return label;
}

void TfrmWindowProp::CreateControls() {
    pages_ = AddControl(WC_TABCONTROLA, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 8, 8, 336,
                        236, kPagesId);
    const char* titles[] = {"General", "Style"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(titles[i]);
        ::SendMessageA(pages_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }

    // Both pages are plain children of the form over the tab control's body: the tab control
    // does not pass its children's notifications on.
    AddPageLabel(general_, "Window &Caption:", 20, 46);
    captionEdit_ = AddEdit("", kValueLeft, 42, 220, 21, kCaptionEditId, ES_READONLY);
    general_.push_back(captionEdit_);
    AddPageLabel(general_, "Window Handle:", 20, 76);
    handleLabel_ = AddControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kValueLeft + 3, 76,
                              120, 13, kHandleId);
    general_.push_back(handleLabel_);
    AddPageLabel(general_, "Class &Name:", 20, 106);
    classEdit_ = AddEdit("", kValueLeft, 102, 220, 21, kClassEditId, ES_READONLY);
    general_.push_back(classEdit_);
    AddPageLabel(general_, "Process ID:", 20, 136);
    processLabel_ = AddControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kValueLeft + 3,
                               136, 120, 13, kProcessId);
    general_.push_back(processLabel_);
    AddPageLabel(general_, "Thread ID:", 20, 166);
    threadLabel_ = AddControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kValueLeft + 3, 166,
                              120, 13, kThreadId);
    general_.push_back(threadLabel_);

    AddPageLabel(style_, "Window &Styles:", 18, 42);
    styleLabel_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 96, 42, 56, 13, kStyleId);
    style_.push_back(styleLabel_);
    lbStyle_ =
        AddControl("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                   18, 60, 152, 174, kStyleListId, WS_EX_CLIENTEDGE);
    style_.push_back(lbStyle_);
    AddPageLabel(style_, "&Extended Styles:", 178, 42);
    exStyleLabel_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 262, 42, 56, 13, kExStyleId);
    style_.push_back(exStyleLabel_);
    lbExStyle_ =
        AddControl("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                   178, 60, 152, 174, kExStyleListId, WS_EX_CLIENTEDGE);
    style_.push_back(lbExStyle_);

    AddControl("BUTTON", "Close", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 352, 8, 75, 25,
               kCloseId);

    // A plain face-coloured sheet over the tab body, as a page window would be: a themed tab
    // body is drawn in a colour of its own that the labels' backgrounds would not match.
    RECT body{};
    ::GetClientRect(pages_, &body);
    ::SendMessageA(pages_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&body));
    ::MapWindowPoints(pages_, Handle(), reinterpret_cast<POINT*>(&body), 2);
    // Measured in the tab control's own pixels; placed, as every control, by its 96-DPI figure.
    HWND sheet = AddControl("STATIC", "", WS_VISIBLE | WS_CLIPSIBLINGS, Unscaled(body.left),
                            Unscaled(body.top), Unscaled(body.right - body.left),
                            Unscaled(body.bottom - body.top));
    // Both stay below the page controls, so that neither paints over them.
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    ::SetWindowPos(sheet, HWND_BOTTOM, 0, 0, 0, 0, keep);
    ::SetWindowPos(pages_, HWND_BOTTOM, 0, 0, 0, 0, keep);
    ShowPage(kGeneralPage);
}

void TfrmWindowProp::FormShow() {
    // For a window that no longer exists the calls below fail: the dialog then shows an empty
    // class and 00000000 for both ids. The ids are not taken from the failed call, which on some
    // systems writes a junk process id instead of leaving it alone.
    SetControlText(captionEdit_, caption_);
    SetControlText(handleLabel_, Hex8(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target_))));
    char className[256] = {};
    const int length = ::GetClassNameA(target_, className, 255);
    SetControlText(classEdit_,
                   std::string(className, length > 0 ? static_cast<size_t>(length) : 0));
    DWORD processId = 0;
    DWORD threadId = ::GetWindowThreadProcessId(target_, &processId);
    if (threadId == 0) {
        processId = 0;
    }
    SetControlText(processLabel_, Hex8(processId));
    SetControlText(threadLabel_, Hex8(threadId));
    FillStyles();
    ::SendMessageA(pages_, TCM_SETCURSEL, kGeneralPage, 0);
    ShowPage(kGeneralPage);
}

void TfrmWindowProp::FillStyles() {
    const auto style = static_cast<uint32_t>(::GetWindowLongA(target_, GWL_STYLE));
    const auto exStyle = static_cast<uint32_t>(::GetWindowLongA(target_, GWL_EXSTYLE));
    SetControlText(styleLabel_, Hex8(style));
    FillList(lbStyle_, DecodeWindowStyle(style));
    SetControlText(exStyleLabel_, Hex8(exStyle));
    FillList(lbExStyle_, DecodeExtendedStyle(exStyle));
}

void TfrmWindowProp::ShowPage(int index) {
    for (HWND control : general_) {
        ::ShowWindow(control, index == kGeneralPage ? SW_SHOW : SW_HIDE);
    }
    for (HWND control : style_) {
        ::ShowWindow(control, index == kStylePage ? SW_SHOW : SW_HIDE);
    }
}

bool TfrmWindowProp::OnCommand(int id, int code, HWND /*control*/) {
    if (code == BN_CLICKED && (id == kCloseId || id == IDOK)) {
        SetModalResult(kResultCancel);
        return true;
    }
    return false;
}

bool TfrmWindowProp::OnNotify(const NMHDR* header, LRESULT& result) {
    if (header->hwndFrom == pages_ && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
        ShowPage(ActivePage());
        result = 0;
        return true;
    }
    return false;
}

bool TfrmWindowProp::OnDialogKey(const MSG& msg) {
    if (msg.wParam != VK_TAB || (::GetKeyState(VK_CONTROL) & 0x8000) == 0) {
        return false;
    }
    if (msg.message == WM_KEYDOWN) {
        const int count = static_cast<int>(::SendMessageA(pages_, TCM_GETITEMCOUNT, 0, 0));
        if (count > 0) {
            const bool back = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
            const int page = (ActivePage() + (back ? count - 1 : 1)) % count;
            ::SendMessageA(pages_, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
            ShowPage(page);
        }
    }
    return msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
}

bool TfrmWindowProp::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != WM_CTLCOLORSTATIC) {
        return false;
    }
    const auto control = reinterpret_cast<HWND>(lParam);
    if (control == nullptr || (control != captionEdit_ && control != classEdit_)) {
        return false;
    }
    // Read-only edits ask with WM_CTLCOLORSTATIC; the active border colour sets them apart
    // from editable fields.
    const auto dc = reinterpret_cast<HDC>(wParam);
    ::SetBkColor(dc, ::GetSysColor(COLOR_ACTIVEBORDER));
    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_ACTIVEBORDER));
    return true;
}

std::string TfrmWindowProp::CaptionText() const {
    return ControlText(captionEdit_);
}
std::string TfrmWindowProp::HandleText() const {
    return ControlText(handleLabel_);
}
std::string TfrmWindowProp::ClassNameText() const {
    return ControlText(classEdit_);
}
std::string TfrmWindowProp::ProcessIdText() const {
    return ControlText(processLabel_);
}
std::string TfrmWindowProp::ThreadIdText() const {
    return ControlText(threadLabel_);
}
std::string TfrmWindowProp::StyleText() const {
    return ControlText(styleLabel_);
}
std::string TfrmWindowProp::ExStyleText() const {
    return ControlText(exStyleLabel_);
}
std::vector<std::string> TfrmWindowProp::StyleNames() const {
    return ListItems(lbStyle_);
}
std::vector<std::string> TfrmWindowProp::ExStyleNames() const {
    return ListItems(lbExStyle_);
}

int TfrmWindowProp::ActivePage() const {
    if (pages_ == nullptr) {
        return -1;
    }
    return static_cast<int>(::SendMessageA(pages_, TCM_GETCURSEL, 0, 0));
}

} // namespace vantrel
