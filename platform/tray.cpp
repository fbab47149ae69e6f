#include "platform/tray.h"

#include "platform/text.h"

#include <shellapi.h>
#include <algorithm>
#include <cstring>

namespace vantrel::platform {

std::string FitTrayTip(const std::string& text) {
    return FitText(text, 63);
}

bool TrayIcons::Notify(DWORD message, const Icon& icon) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof(data));
    // The first, smallest form of the record: every shell version accepts it.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = icon.owner;
    data.uID = icon.id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = icon.callbackMessage;
    data.hIcon = icon.icon;
    const std::string tip = FitTrayTip(icon.tip);
    std::memcpy(data.szTip, tip.data(), tip.size());
    data.szTip[tip.size()] = '\0';
    return ::Shell_NotifyIconA(message, &data) != FALSE;
}

bool TrayIcons::Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, UniqueIcon ownedIcon,
                    const std::string& tip) {
    Icon entry{owner, id, callbackMessage, icon, std::move(ownedIcon), tip};
    const bool ok = Notify(NIM_ADD, entry);
    // One record per id, as the shell keeps it: a second add for the same id replaces the first.
    auto it = std::find_if(icons_.begin(), icons_.end(),
                           [&](const Icon& i) { return i.owner == owner && i.id == id; });
    if (it != icons_.end()) {
        *it = std::move(entry);
    } else {
        icons_.push_back(std::move(entry));
    }
    return ok;
}

bool TrayIcons::Remove(HWND owner, UINT id) {
    Icon probe{owner, id, 0, nullptr, UniqueIcon(), std::string()};
    const bool ok = Notify(NIM_DELETE, probe);
    icons_.erase(std::remove_if(icons_.begin(), icons_.end(),
                                [&](const Icon& i) { return i.owner == owner && i.id == id; }),
                 icons_.end());
    return ok;
}

bool TrayIcons::IsAdded(HWND owner, UINT id) const {
    return std::any_of(icons_.begin(), icons_.end(),
                       [&](const Icon& i) { return i.owner == owner && i.id == id; });
}

std::string TrayIcons::TipOf(HWND owner, UINT id) const {
    auto it = std::find_if(icons_.begin(), icons_.end(),
                           [&](const Icon& i) { return i.owner == owner && i.id == id; });
    return it == icons_.end() ? std::string() : FitTrayTip(it->tip);
}

HICON TrayIcons::IconOf(HWND owner, UINT id) const {
    auto it = std::find_if(icons_.begin(), icons_.end(),
                           [&](const Icon& i) { return i.owner == owner && i.id == id; });
    return it == icons_.end() ? nullptr : it->icon;
}

void TrayIcons::AddAllAgain() {
    for (const Icon& icon : icons_) {
        Notify(NIM_ADD, icon);
    }
}

} // namespace vantrel::platform
