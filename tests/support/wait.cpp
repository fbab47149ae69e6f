#include "support/wait.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace vt {

namespace {

// The condition usually depends on another process, which cannot wake us; a short slice bounds
// how late a change is noticed while still sleeping whenever nothing is queued.
constexpr DWORD kSliceMs = 10;

struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};

// folder ends with a backslash.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    {
        // Closed before the folder goes: an open search keeps it.
        const vantrel::platform::Unique<FindTraits> find(
            FindFirstFileA((folder + "*").c_str(), &data));
        if (find) {
            do {
                const std::string name = data.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string full = folder + name;
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    RemoveTree(full + "\\");
                } else {
                    // A test may leave a read-only file behind; it must not outlive the folder.
                    SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(full.c_str());
                }
            } while (FindNextFileA(find.get(), &data));
        }
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Whoever runs the real message loop must still see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, void (*pump)()) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        pump();
        if (condition()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        const auto slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kSliceMs));
        MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

DWORD ExitCode(HANDLE process, DWORD ms) {
    WaitUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

std::string UniqueName(const char* prefix) {
    static std::atomic<unsigned> counter{0};
    return std::string(prefix) + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++counter) + "_" + std::to_string(GetTickCount());
}

std::string TestBinFolder() {
    // Long enough for any path Windows allows.
    std::string path(32768, '\0');
    path.resize(GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size())));
    if (path.empty()) {
        throw std::runtime_error("GetModuleFileName failed");
    }
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
}

TempDir::TempDir() {
    char base[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof(base), base);
    if (length == 0 || length > MAX_PATH) {
        throw std::runtime_error("GetTempPath failed");
    }
    std::string folder(base, length);
    if (folder.back() != '\\') {
        folder += '\\';
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + UniqueName("vt_tmp_");
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate + "\\";
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create a folder under " + folder);
        }
    }
    throw std::runtime_error("no fresh folder name under " + folder);
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

std::string TextOf(HWND window) {
    std::string text(4096, '\0');
    const int length = GetWindowTextA(window, &text[0], static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
BOOL CALLBACK Collect(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}
} // namespace

std::vector<HWND> WindowsUnder(HWND parent) {
    std::vector<HWND> windows;
    const auto into = reinterpret_cast<LPARAM>(&windows);
    parent == nullptr ? EnumWindows(Collect, into) : EnumChildWindows(parent, Collect, into);
    return windows;
}

StartedProcess StartProgram(std::string commandLine, DWORD flags, const char* folder, HANDLE input,
                            HANDLE output, HANDLE errors) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    const bool redirected = input != nullptr || output != nullptr || errors != nullptr;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = errors;
    }
    StartedProcess started;
    PROCESS_INFORMATION info{};
    // Wine now and then fails to start a process with an internal error while the machine is
    // busy; nothing was started then, so another try is safe.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, redirected, flags, nullptr,
                           folder, &startup, &info)) {
            const vantrel::platform::UniqueHandle thread(info.hThread);
            started.started = true;
            started.process.reset(info.hProcess);
            started.id = info.dwProcessId;
            return started;
        }
        started.error = GetLastError();
        if (started.error != ERROR_INTERNAL_ERROR) {
            break;
        }
    }
    return started;
}

} // namespace vt
