#include "commands/tray_hosting.h"

#include <shellapi.h>
#include <algorithm>

#include "app/messages.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
constexpr char kOwnTip[] = "Left Click to activate Vantrel\r\nRight Click to popup menu";
}

void TrayHost::SetOwnTrayIcon(bool add, HICON formIcon) {
    if (add) {
        icons_.Add(main_, kOwnIconId, WM_OWNTRAYICON, formIcon, platform::UniqueIcon(), kOwnTip);
    } else {
        icons_.Remove(main_, kOwnIconId);
    }
}

bool TrayHost::OwnIconAdded() const {
    return icons_.IsAdded(main_, kOwnIconId);
}

void TrayHost::SetWindowTrayIcon(HWND window, const std::string& path, bool add) {
    // A hidden-window callback or menu that names the main window or the own icon's id (anyone
    // can post one) must not take away the only way back to a hidden program, and the main
    // window never hides behind an icon of this kind.
    if (window == main_ || IconIdOf(window) == kOwnIconId) {
        return;
    }
    if (!add) {
        icons_.Remove(main_, IconIdOf(window));
        return;
    }
    platform::UniqueIcon icon;
    if (!path.empty()) {
        icon.reset(::ExtractIconA(instance_, path.c_str(), 0));
        if (reinterpret_cast<ULONG_PTR>(icon.get()) == 1) {
            icon.release(); // "not an icon file" marker, not a handle
        }
    }
    HICON shown = icon ? icon.get() : fallbackIcon_;
    icons_.Add(main_, IconIdOf(window), WM_HIDDENTRAYICON, shown, std::move(icon),
               platform::WindowText(window));
    hidden_.push_back(window);
    HiddenChanged();
}

bool TrayHost::WindowIconAdded(HWND window) const {
    return icons_.IsAdded(main_, IconIdOf(window));
}

HICON TrayHost::WindowIcon(HWND window) const {
    return icons_.IconOf(main_, IconIdOf(window));
}

std::string TrayHost::WindowIconTip(HWND window) const {
    return icons_.TipOf(main_, IconIdOf(window));
}

void TrayHost::RemoveFromTrayList(HWND window) {
    auto it = std::find(hidden_.rbegin(), hidden_.rend(), window);
    if (it != hidden_.rend()) {
        hidden_.erase(std::next(it).base());
        HiddenChanged();
    }
}

} // namespace vantrel
