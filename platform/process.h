#pragma once
// Finding the executable behind a process. The toolhelp and psapi entry points are looked up at
// run time, so the program still starts on systems that lack them (it then lists nothing).
#include <windows.h>
#include <tlhelp32.h>
#include <optional>
#include <string>

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

} // namespace vantrel::platform
