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

// A hidden-window callback or menu that names the main window or the own icon's id (anyone can
// post one) must not take away the only way back to a hidden program, and the main window never
// hides behind an icon of this kind.
bool TrayHost::MayHaveIcon(HWND window) const {
    return window != main_ && IconIdOf(window) != kOwnIconId;
}

void TrayHost::RemoveWindowTrayIcon(HWND window) {
    if (MayHaveIcon(window)) {
        icons_.Remove(main_, IconIdOf(window));
    }
}

void TrayHost::AddWindowTrayIcon(HWND window, platform::UniqueIcon picture) {
    if (!MayHaveIcon(window)) {
        return;
    }
    HICON shown = picture ? picture.get() : fallbackIcon_;
    icons_.Add(main_, IconIdOf(window), WM_HIDDENTRAYICON, shown, std::move(picture),
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
