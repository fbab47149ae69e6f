#include "platform/system_library.h"

#include <string>

namespace vantrel::platform {

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// Looked up, not imported: systems without the update that brought it must still start.
FARPROC Kernel32Function(const char* name) {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel != nullptr ? ::GetProcAddress(kernel, name) : nullptr;
}

} // namespace

void RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(Kernel32Function("SetDefaultDllDirectories")));
    if (setDefault != nullptr) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // An empty string removes the current folder from the classic search order.
    ::SetDllDirectoryA("");
}

HMODULE LoadSystemLibrary(const char* fileName) {
    if (HMODULE module = ::LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return module;
    }
    // Without the search flags (ERROR_INVALID_PARAMETER) the full path does the same.
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(folder, length) + "\\" + fileName;
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace vantrel::platform
