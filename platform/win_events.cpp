#include "platform/win_events.h"

namespace vantrel::platform {

namespace {

TopLevelWindowEvents* g_listener = nullptr;

} // namespace

TopLevelWindowEvents::~TopLevelWindowEvents() {
    Stop();
}

bool TopLevelWindowEvents::Start(const std::vector<std::pair<DWORD, DWORD>>& ranges,
                                 Handler handler) {
    Stop();
    if (g_listener != nullptr) {
        return false;
    }
    handler_ = std::move(handler);
    g_listener = this;
    for (const auto& [first, last] : ranges) {
        // Our own windows are the program's business, not news: skipping them here also keeps
        // every event of its list view and dialogs off this thread's queue.
        UniqueWinEventHook hook(::SetWinEventHook(first, last, nullptr, &Callback, 0, 0,
                                                  WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
        if (!hook) {
            Stop();
            return false;
        }
        hooks_.push_back(std::move(hook));
    }
    return true;
}

void TopLevelWindowEvents::Stop() {
    hooks_.clear();
    if (g_listener == this) {
        g_listener = nullptr;
    }
    handler_ = nullptr;
}

void CALLBACK TopLevelWindowEvents::Callback(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId,
                                             LONG childId, DWORD, DWORD) {
    if (g_listener != nullptr) {
        g_listener->Deliver(event, objectId, childId, window);
    }
}

void TopLevelWindowEvents::Deliver(DWORD event, LONG objectId, LONG childId, HWND window) const {
    // Events come late: the window may have gone or become a child since.
    if (!handler_ || window == nullptr ||
        ::GetAncestor(window, GA_PARENT) != ::GetDesktopWindow()) {
        return;
    }
    handler_(event, objectId, childId, window);
}

} // namespace vantrel::platform
