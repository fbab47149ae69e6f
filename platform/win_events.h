#pragma once
// Other programs' top-level windows as the system's accessibility events tell of them, received
// out of context: the system queues each event to the thread that asked and calls back from that
// thread's message loop, so no code of ours runs in the programs that raise them, whatever their
// bitness, and a program that hangs delays nothing here.
#include <windows.h>
#include <functional>
#include <vector>

#include "platform/handles.h"

namespace vantrel::platform {

class TopLevelWindowEvents {
public:
    // event: an EVENT_* code; objectId and childId as the system gave them, for the caller to
    // judge. Only events of top-level windows of other processes arrive.
    using Handler = std::function<void(DWORD event, LONG objectId, LONG childId, HWND window)>;

    TopLevelWindowEvents() = default;
    ~TopLevelWindowEvents();
    TopLevelWindowEvents(const TopLevelWindowEvents&) = delete;
    TopLevelWindowEvents& operator=(const TopLevelWindowEvents&) = delete;

    // Listens to each [first, last] range of events on the calling thread, which must run a
    // message loop. False, with nothing installed, when the system refuses any range. One object
    // listens at a time per process: the system's callback carries no context.
    bool Start(const std::vector<std::pair<DWORD, DWORD>>& ranges, Handler handler);
    void Stop();
    bool Active() const { return !hooks_.empty(); }
    // What the system's callback does with an event, for tests to inject the events that Wine
    // does not raise.
    void Deliver(DWORD event, LONG objectId, LONG childId, HWND window) const;

private:
    static void CALLBACK Callback(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId,
                                  LONG childId, DWORD thread, DWORD time);

    std::vector<UniqueWinEventHook> hooks_;
    Handler handler_;
};

} // namespace vantrel::platform
