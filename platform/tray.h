#pragma once
// Notification-area icons. The shell forgets every icon when it restarts, so the icons the
// program has added are remembered here and can be added again.
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace vantrel::platform {

// The 64-byte tip field of the original record holds at most 63 bytes; a longer caption is cut
// there, never inside a character (of UTF-8 or of a double-byte code page).
std::string FitTrayTip(const std::string& text);

class TrayIcons {
public:
    TrayIcons();
    // Gives the shell a moment to take what it was last told (the own icon's removal at exit).
    ~TrayIcons();
    TrayIcons(const TrayIcons&) = delete;
    TrayIcons& operator=(const TrayIcons&) = delete;

    // Adds an icon; `ownedIcon` (may be empty) is kept until the icon is removed. The shell is
    // told on a thread of its own, in the order of the calls: it answers when it likes (seconds
    // at a busy start of the system, never while it hangs), and the program must not wait.
    void Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, UniqueIcon ownedIcon,
             const std::string& tip);
    void Remove(HWND owner, UINT id);
    bool IsAdded(HWND owner, UINT id) const;
    std::string TipOf(HWND owner, UINT id) const;
    // The picture the icon shows, or none.
    HICON IconOf(HWND owner, UINT id) const;
    size_t Count() const { return icons_.size(); }
    // After the notification area was re-created, every remembered icon is added again.
    void AddAllAgain();

private:
    // Waits until the shell has taken every change so far; false when the time ran out first.
    bool WaitUntilTold(DWORD timeoutMs);
    struct Icon {
        HWND owner;
        UINT id;
        UINT callbackMessage;
        HICON icon;
        // Also held by a change the shell has not taken yet.
        std::shared_ptr<const UniqueIcon> owned;
        std::string tip;
    };
    struct Outbox;
    void Notify(DWORD message, const Icon& icon);
    std::vector<Icon> icons_;
    std::shared_ptr<Outbox> outbox_;
};

} // namespace vantrel::platform
