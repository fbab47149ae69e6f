#pragma once
// The relay helpers (vantrel_relay.exe and vantrel_relay32.exe beside the program) as the main
// program sees them: started at start-up, started again when one crashes, stopped at exit. A relay
// tells the main window about other applications' windows and passes on the commands chosen from
// the items in their system menus; without one the program still works, only without those
// notices.
#include <windows.h>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/handles.h"

namespace vantrel {

class RelayProcess {
public:
    RelayProcess() = default;
    // Stops the relay, so that it never outlives the object that started it.
    ~RelayProcess();
    RelayProcess(const RelayProcess&) = delete;
    RelayProcess& operator=(const RelayProcess&) = delete;

    // Starts "<exeFolder>\<exeName> --parent <this process id>", by default the relay of this
    // program's bitness (a trailing backslash on the folder is optional). Returns false when the
    // executable is missing or does not start, which is not an error for the program; true when
    // it runs, also when it already ran.
    bool Start(const std::string& exeFolder, const char* exeName = nullptr,
               const std::string& moreArguments = std::string());

    // Asks the relay to end by posting WM_CLOSE to its message-only window, waits up to
    // timeoutMs for the process to end, then terminates it. Does nothing when none was started.
    void Stop(DWORD timeoutMs = 5000);

    bool Running() const;
    // Started, and ended since without being stopped: it crashed or was killed.
    bool Ended() const { return process_ && !Running(); }
    // The id of the relay process last started, 0 if none.
    DWORD ProcessId() const { return processId_; }
    HANDLE Process() const { return process_.get(); }

private:
    platform::UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
};

// The relays of one program: the pair of its own bitness and, on 64-bit Windows, the pair of the
// other bitness, each started when it lies beside the program.
class Relays {
public:
    // `windows64`: the system runs 64-bit programs, so both pairs are needed and can run.
    // `menusOnly`: the relays hook only the threads whose windows carry the program's items,
    // which they learn from WindowCarriesItems, and announce no windows.
    void Start(const std::string& exeFolder, bool windows64, bool menusOnly = false);
    void Stop();
    // Starts again each relay that ended without being stopped. One that keeps ending (a damaged
    // installation, say) is given up after a few starts in a short time.
    void KeepRunning();
    // Tells every relay (also those started later) that the shell's notices of created and
    // destroyed windows reach the program, so that they no longer announce those themselves.
    void TellShellReportsWindows();
    // The program's items are now in this window's system menu. Each relay takes the windows of
    // its own bitness; one started later (again) is told of every such window still open.
    void WindowCarriesItems(HWND window);
    // The items are out of every window: the relays unhook all threads.
    void NoWindowCarriesItems();
    bool Running() const;
    // The relay of this program's bitness, and the one of the other bitness.
    RelayProcess& Own() { return slots_[0].process; }
    RelayProcess& Other() { return slots_[1].process; }

private:
    struct Slot {
        RelayProcess process;
        const char* exeName = nullptr;
        std::vector<ULONGLONG> starts;
        bool told = false;          // knows that the shell reports windows
        bool alone = false;         // no relay of the other bitness runs beside it
        bool knowsCarriers = false; // has been told of every window in carriers_
    };
    void StartSlot(Slot& slot);
    void TellShell(Slot& slot) const;
    void TellCarriers(Slot& slot);

    std::string folder_;
    bool shellReports_ = false;
    bool menusOnly_ = false;
    std::unordered_set<HWND> carriers_;
    std::size_t carriersAfterPrune_ = 0; // how many were left when closed ones were last dropped
    Slot slots_[2];
};

// The message-only window of the relay process with that id, or none. Several relays may run (one
// per program instance), so the window is picked by its process, never by its class alone.
HWND FindRelayWindow(DWORD processId);

} // namespace vantrel
