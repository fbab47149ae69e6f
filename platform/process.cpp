#include "platform/process.h"

#include "platform/system_library.h"

#include <iterator>

namespace vantrel::platform {

Toolhelp::Toolhelp() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    // Resolve all five together: a half-present API is treated as absent.
    auto create = reinterpret_cast<CreateSnapshotFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
    auto pFirst = reinterpret_cast<ProcessWalkFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "Process32First")));
    auto pNext = reinterpret_cast<ProcessWalkFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "Process32Next")));
    auto mFirst = reinterpret_cast<ModuleWalkFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "Module32First")));
    auto mNext = reinterpret_cast<ModuleWalkFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "Module32Next")));
    if (create && pFirst && pNext && mFirst && mNext) {
        createSnapshot_ = create;
        processFirst_ = pFirst;
        processNext_ = pNext;
        moduleFirst_ = mFirst;
        moduleNext_ = mNext;
    }
}

const Toolhelp& Toolhelp::Get() {
    static const Toolhelp instance;
    return instance;
}

UniqueSnapshot Toolhelp::Snapshot(DWORD flags, DWORD processId) const {
    if (!createSnapshot_) {
        return UniqueSnapshot();
    }
    return UniqueSnapshot(createSnapshot_(flags, processId));
}

bool Toolhelp::FirstProcess(HANDLE snap, PROCESSENTRY32& entry) const {
    entry.dwSize = sizeof(PROCESSENTRY32);
    return processFirst_ && processFirst_(snap, &entry) != FALSE;
}
bool Toolhelp::NextProcess(HANDLE snap, PROCESSENTRY32& entry) const {
    return processNext_ && processNext_(snap, &entry) != FALSE;
}
bool Toolhelp::FirstModule(HANDLE snap, MODULEENTRY32& entry) const {
    entry.dwSize = sizeof(MODULEENTRY32);
    return moduleFirst_ && moduleFirst_(snap, &entry) != FALSE;
}
bool Toolhelp::NextModule(HANDLE snap, MODULEENTRY32& entry) const {
    return moduleNext_ && moduleNext_(snap, &entry) != FALSE;
}

namespace {
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

GetModuleFileNameExFn LookupModuleFileNameEx() {
    // Kept for the whole run once loaded; a failed load is retried on the next call.
    static UniqueModule psapi;
    static GetModuleFileNameExFn fn = nullptr;
    if (fn == nullptr) {
        if (!psapi) {
            HMODULE m = LoadSystemLibrary("psapi.dll");
            if (reinterpret_cast<ULONG_PTR>(m) < 32) {
                return nullptr;
            }
            psapi.reset(m);
        }
        fn = reinterpret_cast<GetModuleFileNameExFn>(
            reinterpret_cast<void*>(::GetProcAddress(psapi.get(), "GetModuleFileNameExA")));
    }
    return fn;
}
} // namespace

bool ModuleFileNameEx(HANDLE process, std::string& path) {
    auto fn = LookupModuleFileNameEx();
    if (fn == nullptr) {
        return false;
    }
    char buffer[256] = {};
    if (fn(process, nullptr, buffer, 255) == 0) {
        return false;
    }
    path = buffer;
    return true;
}

namespace {
using QueryFullProcessImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

// The full path through the query that needs only limited access, so that it works for processes
// of higher rights and of the other bitness, where a module snapshot cannot be read. Looked up at
// run time: the call is missing before Windows Vista.
bool PathFromImageName(DWORD processId, std::string& path) {
    static const auto query = reinterpret_cast<QueryFullProcessImageNameFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    if (query == nullptr) {
        return false;
    }
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return false;
    }
    char buffer[MAX_PATH * 4];
    DWORD length = sizeof(buffer);
    if (!query(process.get(), 0, buffer, &length) || length == 0) {
        return false;
    }
    path.assign(buffer, length);
    return true;
}

// The module route: a snapshot of the process's modules, whose first entry is the executable.
enum class ModuleRoute { Found, NoMatch, Unreadable };

ModuleRoute PathFromModules(const Toolhelp& th, DWORD processId, std::string& path) {
    UniqueSnapshot modules = th.Snapshot(TH32CS_SNAPMODULE, processId);
    MODULEENTRY32 me{};
    if (!modules || !th.FirstModule(modules.get(), me)) {
        return ModuleRoute::Unreadable;
    }
    do {
        if (me.th32ProcessID == processId) {
            path.assign(me.szExePath, strnlen(me.szExePath, MAX_PATH));
            return ModuleRoute::Found;
        }
    } while (th.NextModule(modules.get(), me));
    return ModuleRoute::NoMatch;
}
} // namespace

namespace {
using Process = ProcessPathCache::Process;

// The processes of one snapshot, in snapshot order; empty when no snapshot can be taken.
std::vector<Process> ReadProcesses(const Toolhelp& th) {
    std::vector<Process> processes;
    UniqueSnapshot snapshot = th.Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe{};
    if (!snapshot || !th.FirstProcess(snapshot.get(), pe)) {
        return processes;
    }
    do {
        processes.push_back(
            Process{pe.th32ProcessID, std::string(pe.szExeFile, strnlen(pe.szExeFile, MAX_PATH))});
    } while (th.NextProcess(snapshot.get(), pe));
    return processes;
}

// The path algorithm over the entries of one snapshot. The cached and the uncached lookup both
// come here, so they cannot drift apart. `lasting` tells whether the path is one that stays the
// same for the life of the process.
std::optional<std::string> PathFromProcesses(const Toolhelp& th, const std::vector<Process>& all,
                                             DWORD processId, bool fullPathFromModules,
                                             bool* lasting = nullptr) {
    bool stays = false;
    std::optional<std::string> result;
    for (const Process& entry : all) {
        if (entry.id != processId) {
            continue;
        }
        std::string path = entry.exeFile;
        if (!fullPathFromModules) {
            stays = true;
            result = path;
            break;
        }
        if (PathFromImageName(processId, path)) {
            stays = true;
            result = path;
            break;
        }
        const ModuleRoute route = PathFromModules(th, processId, path);
        if (route == ModuleRoute::NoMatch) {
            continue; // the process walk goes on; no later entry normally matches
        }
        if (route == ModuleRoute::Found) {
            stays = true;
        } else {
            // GetModuleFileNameExA reads the other process's memory: without VM_READ access
            // it always fails and the row would never get more than the bare file name.
            UniqueHandle process(
                ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, TRUE, processId));
            if (process) {
                ModuleFileNameEx(process.get(), path);
            }
        }
        result = path;
        break;
    }
    if (lasting != nullptr) {
        *lasting = stays;
    }
    return result;
}
} // namespace

std::optional<std::string> ExecutablePathOf(DWORD processId, bool fullPathFromModules) {
    const Toolhelp& th = Toolhelp::Get();
    return PathFromProcesses(th, ReadProcesses(th), processId, fullPathFromModules);
}

void ProcessPathCache::BeginPass() {
    ++pass_;
    snapped_ = false;
    processes_.clear();
}

void ProcessPathCache::ForgetUnseen() {
    for (auto it = known_.begin(); it != known_.end();) {
        it = it->second.pass == pass_ ? std::next(it) : known_.erase(it);
    }
}

std::optional<std::string> ProcessPathCache::PathOf(DWORD processId, bool seenRunning) {
    auto found = known_.find(processId);
    if (found != known_.end() && found->second.pass != pass_) {
        // From an earlier pass: only a lasting path of a process that still runs carries over.
        if (found->second.lasting && !Ended(found->second)) {
            found->second.pass = pass_;
            return found->second.path;
        }
        known_.erase(found);
        found = known_.end();
    }
    if (found == known_.end()) {
        found = known_.emplace(processId, Lookup(processId, false)).first;
    } else if (found->second.path && !seenRunning && Ended(found->second)) {
        found->second = Lookup(processId, true);
    }
    return found->second.path;
}

ProcessPathCache::Known ProcessPathCache::Lookup(DWORD processId, bool fresh) {
    const Toolhelp& th = Toolhelp::Get();
    Known known;
    known.pass = pass_;
    // Opened before the path is worked out, so that an end during the lookup is noticed too.
    known.process.reset(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    const bool gone = !known.process && ::GetLastError() == ERROR_INVALID_PARAMETER;
    if (gone && !fresh) {
        return Lookup(processId, true);
    }
    std::vector<Process> freshProcesses;
    // A shared snapshot taken for this very lookup is as fresh as one of its own.
    bool current = fresh;
    if (fresh) {
        freshProcesses = ReadProcesses(th);
        ++snapshots_;
    } else if (!snapped_) {
        processes_ = ReadProcesses(th);
        snapped_ = true;
        ++snapshots_;
        current = true;
    }
    bool lasting = false;
    known.path =
        PathFromProcesses(th, fresh ? freshProcesses : processes_, processId, full_, &lasting);
    // A process missing from an older snapshot, or gone since, gets the answer a lookup of its
    // own would give now.
    if (!current && (!known.path || Ended(known))) {
        return Lookup(processId, true);
    }
    known.lasting = lasting && known.process;
    return known;
}

bool ProcessPathCache::Ended(const Known& known) {
    // A process that could not be opened for waiting (another user's, say) is taken to run on,
    // as the snapshot said; one that has ended shows its handle signalled.
    return known.process && ::WaitForSingleObject(known.process.get(), 0) == WAIT_OBJECT_0;
}

} // namespace vantrel::platform
