#include "support/app_process.h"

#include <stdexcept>

namespace vt {

namespace {
struct Search {
    DWORD pid;
    const std::string* cls;
    std::vector<HWND> found;
};
BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    char cls[256] = {};
    ::GetClassNameA(window, cls, sizeof(cls));
    if (pid == s->pid && *s->cls == cls) {
        s->found.push_back(window);
    }
    return TRUE;
}

// Waits for the window to exist.
HWND FirstWindow(DWORD pid, const std::string& className) {
    std::vector<HWND> windows;
    WaitUntil([&] {
        windows = WindowsOfProcess(pid, className);
        return !windows.empty();
    });
    return windows.empty() ? nullptr : windows.front();
}
} // namespace

std::vector<HWND> WindowsOfProcess(DWORD pid, const std::string& className) {
    Search s{pid, &className, {}};
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

AppProcess::AppProcess(const std::string& arguments, const TempDir* folder)
    : folder_(folder ? folder->path() : ownFolder_.path()) {
    const std::string bin = TestBinFolder();
    for (const char* file : {"Vantrel.exe", "vantrel_relay.exe", "vantrel_hook.dll",
                             "vantrel_relay32.exe", "vantrel_hook32.dll"}) {
        ::CopyFileA((bin + file).c_str(), (folder_ + file).c_str(), FALSE);
    }
    std::string command = "\"" + folder_ + "Vantrel.exe\"";
    if (!arguments.empty()) {
        command += " " + arguments;
    }
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder_.c_str(), &si, &pi)) {
        throw std::runtime_error("cannot start Vantrel.exe");
    }
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
}

AppProcess::~AppProcess() {
    if (process_ != nullptr) {
        if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            Kill();
        }
        ::CloseHandle(process_);
    }
}

HWND AppProcess::MainWindow() {
    return FirstWindow(pid_, "Vantrel Made by Ostrim Software");
}

HWND AppProcess::TaskbarWindow() {
    return FirstWindow(pid_, "VantrelApplication");
}

bool AppProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    const bool ended =
        WaitUntil([&] { return ::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (ended && exitCode != nullptr) {
        ::GetExitCodeProcess(process_, exitCode);
    }
    return ended;
}

void AppProcess::Kill() {
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, 10000);
}

} // namespace vt
