#include "commands/window_commands.h"

#include "app/main_form.h"
#include "commands/placement.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
constexpr int kFirstLevelItem = 32;
constexpr int kLastLevelItem = 42;
} // namespace

void SetTopmost(HWND window, bool topmost) {
    ::SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE);
}

void MinimizeWindowToTray(TfrmMain& form, HWND window) {
    const int row = form.windows().Find(window);
    // A row can outlive its window until the next rebuild; an icon for a window that has gone
    // could never bring anything back.
    if (row < 0 || !::IsWindow(window)) {
        return;
    }
    const std::string path = form.windows().At(row).path;
    ::ShowWindow(window, SW_HIDE);
    form.tray().SetWindowTrayIcon(window, path, true);
}

void SetCheckMarks(HWND window, int percent) {
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (menu == nullptr) {
        return;
    }
    for (int id = kFirstLevelItem; id <= kLastLevelItem; ++id) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE;
        if (::GetMenuItemInfoA(menu, static_cast<UINT>(id), FALSE, &info) &&
            (info.fState & MFS_CHECKED)) {
            info.fState &= ~static_cast<UINT>(MFS_CHECKED);
            ::SetMenuItemInfoA(menu, static_cast<UINT>(id), FALSE, &info);
        }
    }
    if (percent % 10 == 0 && percent >= 0 && percent <= 100) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE;
        info.fState = MFS_CHECKED;
        ::SetMenuItemInfoA(menu, static_cast<UINT>(kFirstLevelItem + percent / 10), FALSE, &info);
    }
}

void SetTransparency(TfrmMain& form, HWND window, int percent) {
    platform::SetExStyle(window, platform::ExStyleOf(window) | WS_EX_LAYERED);
    form.SetLayeredAttributes(window, 0, static_cast<BYTE>(AlphaForPercent(percent)), LWA_ALPHA);
    SetCheckMarks(window, percent);
    const int row = form.windows().Find(window);
    if (row >= 0) {
        form.windows().At(row).transparency = percent;
    }
}

void RemoveTransparency(TfrmMain& form, HWND window) {
    SetCheckMarks(window, 1);
    platform::SetExStyle(window, platform::ExStyleOf(window) | WS_EX_LAYERED);
    form.SetLayeredAttributes(window, 0, 255, LWA_ALPHA);
    platform::SetExStyle(window, platform::ExStyleOf(window) & ~static_cast<LONG>(WS_EX_LAYERED));
    const int row = form.windows().Find(window);
    if (row >= 0) {
        form.windows().At(row).transparency = 0;
    }
}

void AlignWindow(HWND window, const AlignmentPlace& place) {
    RECT r{};
    ::GetWindowRect(window, &r);
    const Point p = AlignedPosition(place, platform::ScreenWidth(), platform::ScreenHeight(),
                                    r.right - r.left, r.bottom - r.top);
    ::SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

} // namespace vantrel
