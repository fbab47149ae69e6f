#include "support/app_process.h"

#include <stdexcept>

#include "app/command_ids.h"

namespace vt {

namespace {
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
    std::vector<HWND> found;
    for (const HWND window : WindowsUnder()) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == pid && ClassOf(window) == className) {
            found.push_back(window);
        }
    }
    return found;
}

AppProcess::AppProcess(const std::string& arguments, const TempDir* folder)
    : folder_(folder ? folder->path() : ownFolder_.path()) {
    const std::string bin = TestBinFolder();
    for (const char* file : {"Vantrel.exe", "vantrel_relay.exe", "vantrel_hook.dll",
                             "vantrel_relay32.exe", "vantrel_hook32.dll"}) {
        ::CopyFileA((bin + file).c_str(), (folder_ + file).c_str(), FALSE);
    }
    process_ =
        StartProgram("\"" + folder_ + "Vantrel.exe\"" + (arguments.empty() ? "" : " " + arguments),
                     0, folder_.c_str());
    if (!process_.process) {
        throw std::runtime_error("cannot start Vantrel.exe");
    }
}

AppProcess::~AppProcess() {
    if (::WaitForSingleObject(process_.process.get(), 0) == WAIT_TIMEOUT) {
        Kill();
    }
}

HWND AppProcess::MainWindow() {
    return FirstWindow(process_.id, "Vantrel Made by Ostrim Software");
}

HWND AppProcess::TaskbarWindow() {
    return FirstWindow(process_.id, "VantrelApplication");
}

DWORD ExitThroughMenu(HWND main, HANDLE process, DWORD ms) {
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(vantrel::kCmdExit, 0), 0);
    return ExitCode(process, ms);
}

void AppProcess::Kill() {
    ::TerminateProcess(process_.process.get(), 99);
    ::WaitForSingleObject(process_.process.get(), 10000);
}

} // namespace vt
