#pragma once
// Notification-area icons. The shell forgets every icon when it restarts, so the icons the
// program has added are remembered here and can be added again.
#include <windows.h>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace vantrel::platform {

// The 64-byte tip field of the original record holds at most 63 bytes; a longer caption is cut
// there, never inside a character (of UTF-8 or of a double-byte code page).
std::string FitTrayTip(const std::string& text);

class TrayIcons {
public:
    // Adds an icon; `ownedIcon` (may be empty) is kept until the icon is removed.
    bool Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, UniqueIcon ownedIcon,
             const std::string& tip);
    bool Remove(HWND owner, UINT id);
    bool IsAdded(HWND owner, UINT id) const;
    std::string TipOf(HWND owner, UINT id) const;
    // The picture the icon shows, or none.
    HICON IconOf(HWND owner, UINT id) const;
    size_t Count() const { return icons_.size(); }
    // After the notification area was re-created, every remembered icon is added again.
    void AddAllAgain();

private:
    struct Icon {
        HWND owner;
        UINT id;
        UINT callbackMessage;
        HICON icon;
        UniqueIcon owned;
        std::string tip;
    };
    static bool Notify(DWORD message, const Icon& icon);
    std::vector<Icon> icons_;
};

} // namespace vantrel::platform
