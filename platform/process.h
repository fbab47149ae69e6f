#pragma once
// Finding the executable behind a process. The toolhelp and psapi entry points are looked up at
// run time, so the program still starts on systems that lack them (it then lists nothing).
#include <windows.h>
#include <tlhelp32.h>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/handles.h"

namespace vantrel::platform {

class Toolhelp {
public:
    static const Toolhelp& Get();

    bool Available() const { return createSnapshot_ != nullptr; }
    UniqueSnapshot Snapshot(DWORD flags, DWORD processId) const;
    bool FirstProcess(HANDLE snap, PROCESSENTRY32& entry) const;
    bool NextProcess(HANDLE snap, PROCESSENTRY32& entry) const;
    bool FirstModule(HANDLE snap, MODULEENTRY32& entry) const;
    bool NextModule(HANDLE snap, MODULEENTRY32& entry) const;

private:
    Toolhelp();
    using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
    using ModuleWalkFn = BOOL(WINAPI*)(HANDLE, MODULEENTRY32*);
    CreateSnapshotFn createSnapshot_ = nullptr;
    ProcessWalkFn processFirst_ = nullptr;
    ProcessWalkFn processNext_ = nullptr;
    ModuleWalkFn moduleFirst_ = nullptr;
    ModuleWalkFn moduleNext_ = nullptr;
};

// GetModuleFileNameExA from psapi, loaded on first use and tried again on the next use when the
// library could not be loaded. Returns false when the call is unavailable or fails.
bool ModuleFileNameEx(HANDLE process, std::string& path);

// The executable path of a process as the window list shows it, or nothing when no running
// process has that id. `fullPathFromModules` selects the module-snapshot route used on the NT
// systems that support it; otherwise the bare file name of the process entry is used.
std::optional<std::string> ExecutablePathOf(DWORD processId, bool fullPathFromModules);

// Executable paths for passes of lookups, such as the catalogue's passes over all windows. A
// snapshot per lookup costs more than everything else the window list does, so a pass reads
// the processes from one snapshot, taken at its first lookup of a process it does not know yet,
// and works each process's path out once. A path that cannot change while its process runs (the
// executable's own entry, found in the snapshot) is kept for later passes as long as the
// process runs: a handle held on it keeps its id from being given to another process.
//
// Every answer is the one ExecutablePathOf would give at the moment of the lookup: a process
// that has ended since its path was found, or that is missing from the snapshot, is looked up
// afresh.
class ProcessPathCache {
public:
    explicit ProcessPathCache(bool fullPathFromModules) : full_(fullPathFromModules) {}
    ProcessPathCache(const ProcessPathCache&) = delete;
    ProcessPathCache& operator=(const ProcessPathCache&) = delete;

    // Starts a pass: the next lookup that needs the process list takes a new snapshot, and a
    // path kept from an earlier pass is used only once its process is seen to run on.
    void BeginPass();
    // Forgets the processes that the pass did not look up, and lets go of their handles.
    void ForgetUnseen();

    // `seenRunning`: the caller has just seen the process run (one of its windows answered),
    // so a process whose path this pass already knows need not be asked again whether it has
    // ended.
    std::optional<std::string> PathOf(DWORD processId, bool seenRunning = false);
    // Process snapshots taken so far.
    int Snapshots() const { return snapshots_; }

    struct Process {
        DWORD id;
        std::string exeFile;
    };

private:
    struct Known {
        std::optional<std::string> path;
        // Held to notice the end of the process; none when it could not be opened.
        UniqueHandle process;
        // The path came from the snapshot's entry or the executable's module, which stay as
        // they are for the life of the process, and the handle holds the process's id.
        bool lasting = false;
        unsigned pass = 0;
    };
    Known Lookup(DWORD processId, bool fresh);
    static bool Ended(const Known& known);

    bool full_;
    unsigned pass_ = 1;
    bool snapped_ = false;
    int snapshots_ = 0;
    std::vector<Process> processes_;
    std::unordered_map<DWORD, Known> known_;
};

} // namespace vantrel::platform
