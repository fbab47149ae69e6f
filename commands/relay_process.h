#pragma once
// The relay helper (vantrel_relay.exe beside the program) as the main program sees it: started at
// start-up, stopped at exit. The relay tells the main window about other applications' windows
// and passes on the commands chosen from the items in their system menus; without it the program
// still works, only without those notices.
#include <windows.h>
#include <string>

#include "platform/handles.h"

namespace vantrel {

class RelayProcess {
public:
    RelayProcess() = default;
    // Stops the relay, so that it never outlives the object that started it.
    ~RelayProcess();
    RelayProcess(const RelayProcess&) = delete;
    RelayProcess& operator=(const RelayProcess&) = delete;

    // Starts "<exeFolder>\vantrel_relay.exe --parent <this process id>" (a trailing backslash on
    // the folder is optional). Returns false when the executable is missing or does not start,
    // which is not an error for the program; true when it runs, also when it already ran.
    bool Start(const std::string& exeFolder);

    // Asks the relay to end by posting WM_CLOSE to its message-only window, waits up to
    // timeoutMs for the process to end, then terminates it. Does nothing when none was started.
    void Stop(DWORD timeoutMs = 5000);

    bool Running() const;
    // The id of the relay process last started, 0 if none.
    DWORD ProcessId() const { return processId_; }

private:
    platform::UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
};

// The message-only window of the relay process with that id, or none. Several relays may run (one
// per program instance), so the window is picked by its process, never by its class alone.
HWND FindRelayWindow(DWORD processId);

} // namespace vantrel
