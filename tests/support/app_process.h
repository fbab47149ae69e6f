#pragma once
// Runs the real Vantrel.exe as its own process, from a private copy of the program folder so
// that its rules file and settings never meet another test's.
#include <windows.h>
#include <string>
#include <vector>

#include "support/wait.h"

namespace vt {

class AppProcess : NoCopy {
public:
    // Copies the program (and its helpers, when built) into a fresh folder and starts it.
    explicit AppProcess(const std::string& arguments = "", const TempDir* folder = nullptr);
    ~AppProcess();

    DWORD ProcessId() const { return process_.id; }
    // The main window and the taskbar window of this process (waits for them to exist).
    HWND MainWindow();
    HWND TaskbarWindow();
    HANDLE Process() const { return process_.process.get(); }
    void Kill();

private:
    TempDir ownFolder_;
    std::string folder_;
    StartedProcess process_;
};

// Top-level windows of a process with the class name.
std::vector<HWND> WindowsOfProcess(DWORD pid, const std::string& className);

// Chooses Exit in the program's main window, as its menus do, and waits up to `ms` for the
// process to end: its exit code, STILL_ACTIVE while it runs on.
DWORD ExitThroughMenu(HWND main, HANDLE process, DWORD ms);

} // namespace vt
