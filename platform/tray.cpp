#include "platform/tray.h"

#include "platform/text.h"

#include <shellapi.h>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantrel::platform {

std::string FitTrayTip(const std::string& text) {
    return FitText(text, 63);
}

namespace {
// How long the end of the program waits for the shell to take its last changes: a shell that
// is busy longer keeps a stale icon until the pointer passes over it, as after a crash.
constexpr DWORD kLastWordMs = 1500;
// The shell refuses an add while the system is still starting (explorer busy, or not there
// yet): the add is tried again a few times, or a program started hidden at logon would have no
// way back to it.
constexpr int kAddTries = 5;
constexpr DWORD kAddRetryMs = 1000;
} // namespace

struct TrayIcons::Outbox {
    struct Change {
        DWORD message;
        NOTIFYICONDATAA data;
        std::shared_ptr<const UniqueIcon>
            keep; // the icon outlives its removal until the shell has it
    };
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Change> changes;
    bool delivering = false;
    bool closing = false;
    std::thread courier;

    static bool Tell(Change& change) {
        if (::Shell_NotifyIconA(change.message, &change.data)) {
            return true;
        }
        // The shell keeps an icon it already has (a second notice that the taskbar was made,
        // which any program can send): it takes a change of it instead.
        return change.message == NIM_ADD && ::Shell_NotifyIconA(NIM_MODIFY, &change.data);
    }

    static void Deliver(const std::shared_ptr<Outbox>& box) {
        std::unique_lock<std::mutex> hold(box->lock);
        for (;;) {
            box->changed.wait(hold, [&] { return !box->changes.empty() || box->closing; });
            if (box->changes.empty()) {
                return;
            }
            Change change = std::move(box->changes.front());
            box->changes.pop_front();
            box->delivering = true;
            hold.unlock();
            for (int tries = 1; !Tell(change) && change.message == NIM_ADD && tries < kAddTries;
                 ++tries) {
                hold.lock();
                const bool closing = box->changed.wait_for(
                    hold, std::chrono::milliseconds(kAddRetryMs), [&] { return box->closing; });
                hold.unlock();
                if (closing) {
                    break;
                }
            }
            change.keep.reset();
            hold.lock();
            box->delivering = false;
            box->changed.notify_all();
        }
    }
};

TrayIcons::TrayIcons() : outbox_(std::make_shared<Outbox>()) {}

TrayIcons::~TrayIcons() {
    const bool told = WaitUntilTold(kLastWordMs);
    std::thread courier;
    {
        const std::lock_guard<std::mutex> hold(outbox_->lock);
        outbox_->closing = true;
        courier = std::move(outbox_->courier);
    }
    outbox_->changed.notify_all();
    if (courier.joinable()) {
        // A shell that never answers keeps its courier, which holds what it needs, until the
        // process ends.
        if (told) {
            courier.join();
        } else {
            courier.detach();
        }
    }
}

bool TrayIcons::WaitUntilTold(DWORD timeoutMs) {
    std::unique_lock<std::mutex> hold(outbox_->lock);
    return outbox_->changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
        return outbox_->changes.empty() && !outbox_->delivering;
    });
}

void TrayIcons::Notify(DWORD message, const Icon& icon) {
    Outbox::Change change{message, {}, icon.owned};
    NOTIFYICONDATAA& data = change.data;
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
    {
        const std::lock_guard<std::mutex> hold(outbox_->lock);
        if (!outbox_->courier.joinable()) {
            try {
                outbox_->courier = std::thread(&Outbox::Deliver, outbox_);
            } catch (const std::system_error&) {
                // No thread to spare: the shell is told here, as it answers.
            }
        }
        if (outbox_->courier.joinable()) {
            outbox_->changes.push_back(std::move(change));
            outbox_->changed.notify_all();
            return;
        }
    }
    ::Shell_NotifyIconA(message, &data);
}

void TrayIcons::Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, UniqueIcon ownedIcon,
                    const std::string& tip) {
    // Shared with the changes the shell has not taken yet.
    auto owned = std::make_shared<const UniqueIcon>(std::move(ownedIcon));
    Icon entry{owner, id, callbackMessage, icon, std::move(owned), tip};
    Notify(NIM_ADD, entry);
    // One record per id, as the shell keeps it: a second add for the same id replaces the first.
    auto it = std::find_if(icons_.begin(), icons_.end(),
                           [&](const Icon& i) { return i.owner == owner && i.id == id; });
    if (it != icons_.end()) {
        *it = std::move(entry);
    } else {
        icons_.push_back(std::move(entry));
    }
}

void TrayIcons::Remove(HWND owner, UINT id) {
    const Icon probe{owner, id, 0, nullptr, nullptr, std::string()};
    Notify(NIM_DELETE, probe);
    icons_.erase(std::remove_if(icons_.begin(), icons_.end(),
                                [&](const Icon& i) { return i.owner == owner && i.id == id; }),
                 icons_.end());
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
