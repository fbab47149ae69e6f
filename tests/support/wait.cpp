#include "support/wait.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/handles.h"

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

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpMessages();
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

std::string TempFolder() {
    static std::mutex lock;
    static std::vector<std::unique_ptr<TempDir>> folders;
    const std::lock_guard<std::mutex> guard(lock);
    folders.push_back(std::make_unique<TempDir>());
    return folders.back()->path();
}

} // namespace vt
