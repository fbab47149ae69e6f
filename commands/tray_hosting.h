#pragma once
// The notification-area icons: the program's own, and one for each window the program hid.
#include <windows.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/tray.h"

namespace vantrel {

class TrayHost {
public:
    TrayHost() = default;
    void Attach(HWND mainWindow) { main_ = mainWindow; }

    // Shown for a hidden window whose program gives no icon, so that no icon comes out blank.
    void SetFallbackIcon(HICON icon) { fallbackIcon_ = icon; }

    void SetOwnTrayIcon(bool add, HICON formIcon);
    bool OwnIconAdded() const;

    // Adds the icon of a hidden window (showing `picture`, or the fallback when it is empty)
    // and appends the window to the hidden list.
    void AddWindowTrayIcon(HWND window, platform::UniqueIcon picture);
    void RemoveWindowTrayIcon(HWND window);
    bool WindowIconAdded(HWND window) const;
    std::string WindowIconTip(HWND window) const;
    HICON WindowIcon(HWND window) const;
    // Removes the last occurrence of the window from the hidden list.
    void RemoveFromTrayList(HWND window);
    const std::vector<HWND>& HiddenWindows() const { return hidden_; }
    // Icon callbacks may be posted by any program: only a window this program hid is one they
    // may act on.
    bool IsHidden(HWND window) const {
        return window != nullptr &&
               std::find(hidden_.begin(), hidden_.end(), window) != hidden_.end();
    }
    void ClearHiddenWindows() {
        hidden_.clear();
        HiddenChanged();
    }
    // Told after every change of the hidden list (the list is kept outside the process too).
    std::function<void(const std::vector<HWND>&)> onHiddenChanged;

    // The shell's notification area was re-created: every icon is added again.
    void AddAllAgain() { icons_.AddAllAgain(); }

    HWND menuTarget = nullptr; // the window whose icon was right-clicked last

private:
    bool MayHaveIcon(HWND window) const;
    void HiddenChanged() {
        if (onHiddenChanged) {
            onHiddenChanged(hidden_);
        }
    }
    HWND main_ = nullptr;
    HICON fallbackIcon_ = nullptr;
    platform::TrayIcons icons_;
    std::vector<HWND> hidden_;
};

// The program's own icon keeps this id from run to run (with the main window's class, which never
// changes), so that the shell knows it again after a restart and keeps the user's "always show"
// choice for it. No window handle has this value: the system never hands out handle 1.
inline constexpr UINT kOwnIconId = 1;

// A hidden window's icon id is its handle: ids are 32-bit, and window handles are 32-bit values
// on 64-bit Windows too.
inline UINT IconIdOf(HWND window) {
    return static_cast<UINT>(reinterpret_cast<ULONG_PTR>(window));
}
inline HWND WindowOfIconId(WPARAM id) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(static_cast<UINT>(id)));
}

} // namespace vantrel
