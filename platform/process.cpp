#include "platform/process.h"

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
            HMODULE m = ::LoadLibraryA("PSAPI.dll");
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

std::optional<std::string> ExecutablePathOf(DWORD processId, bool fullPathFromModules) {
    const Toolhelp& th = Toolhelp::Get();
    UniqueSnapshot processes = th.Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe{};
    if (!processes || !th.FirstProcess(processes.get(), pe)) {
        return std::nullopt;
    }
    do {
        if (pe.th32ProcessID != processId) {
            continue;
        }
        std::string path(pe.szExeFile, strnlen(pe.szExeFile, MAX_PATH));
        if (!fullPathFromModules) {
            return path;
        }
        switch (PathFromModules(th, processId, path)) {
        case ModuleRoute::Found:
            return path;
        case ModuleRoute::NoMatch:
            continue; // the process walk goes on; no later entry normally matches
        case ModuleRoute::Unreadable: {
            // GetModuleFileNameExA reads the other process's memory: without VM_READ access
            // it always fails and the row would never get more than the bare file name.
            UniqueHandle process(
                ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, TRUE, processId));
            if (process) {
                ModuleFileNameEx(process.get(), path);
            }
            return path;
        }
        }
    } while (th.NextProcess(processes.get(), pe));
    return std::nullopt;
}

} // namespace vantrel::platform
