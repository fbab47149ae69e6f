#include "ui/main_keys.h"

#include <commctrl.h>

namespace vantrel {

namespace {

bool Down(int key) {
    return (::GetKeyState(key) & 0x8000) != 0;
}

bool IsMenuKey(const MSG& msg) {
    return msg.wParam == VK_APPS || (msg.wParam == VK_F10 && Down(VK_SHIFT));
}

// A list without a focused row shows no focus at all: the first row takes the focus mark (not the
// selection, which would choose a window for the commands), so the person sees where the arrow
// keys start.
void ShowFocusedRow(HWND list) {
    const int focused = static_cast<int>(::SendMessageA(
        list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
    if (focused >= 0 || ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) <= 0) {
        return;
    }
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
}

} // namespace

POINT ListMenuPoint(HWND list) {
    POINT at{2, 2};
    int row = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                              MAKELPARAM(LVNI_SELECTED, 0)));
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    if (row >= 0) {
        ::SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    if (row >= 0 && ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                   reinterpret_cast<LPARAM>(&rect)) != 0) {
        at = POINT{rect.left + 16, rect.bottom};
    } else if (HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0))) {
        RECT h{};
        ::GetWindowRect(header, &h);
        at.y = h.bottom - h.top + 2;
    }
    ::ClientToScreen(list, &at);
    return at;
}

bool HandleMainWindowKey(const MSG& msg, const MainWindowKeys& keys) {
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!down && !up) {
        return false;
    }
    const HWND list = keys.visibleList ? keys.visibleList() : nullptr;
    if (IsMenuKey(msg)) {
        // The release too, or the system would take Shift+F10's release as its own menu key.
        if (down && list != nullptr && keys.popupMenu) {
            keys.popupMenu(list);
        }
        return true;
    }
    if (!down || Down(VK_MENU)) {
        return false;
    }
    const HWND focus = ::GetFocus();
    const int count = static_cast<int>(::SendMessageA(keys.tabs, TCM_GETITEMCOUNT, 0, 0));
    const int tab = static_cast<int>(::SendMessageA(keys.tabs, TCM_GETCURSEL, 0, 0));
    auto show = [&](int target) {
        if (count > 0 && target != tab && keys.showTab) {
            keys.showTab(target);
        }
    };
    switch (msg.wParam) {
    case VK_TAB:
        if (Down(VK_CONTROL)) {
            if (count > 0) {
                show((tab + (Down(VK_SHIFT) ? count - 1 : 1)) % count);
            }
        } else {
            // Two stops, so forwards and backwards both lead to the other one.
            const HWND next = focus == keys.tabs && list != nullptr ? list : keys.tabs;
            ::SendMessageA(keys.form, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            ::SetFocus(next);
            if (next == list) {
                ShowFocusedRow(list);
            }
        }
        return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (focus != keys.tabs || Down(VK_CONTROL)) {
            return false;
        }
        {
            const bool back = msg.wParam == VK_LEFT || msg.wParam == VK_UP;
            const int target = back ? tab - 1 : tab + 1;
            if (target >= 0 && target < count) {
                show(target);
            }
        }
        return true;
    case VK_RETURN:
        if (focus == nullptr || focus != list || !keys.activate) {
            return false;
        }
        keys.activate(list);
        return true;
    case VK_DELETE:
        if (focus == nullptr || focus != list || !keys.remove) {
            return false;
        }
        keys.remove(list);
        return true;
    case VK_F5:
        if (!keys.refresh) {
            return false;
        }
        keys.refresh();
        return true;
    default:
        return !Down(VK_SHIFT) && keys.shortcut &&
               keys.shortcut(static_cast<unsigned>(msg.wParam), Down(VK_CONTROL));
    }
}

} // namespace vantrel
