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
    const std::string& Folder() const { return folder_; }
    // The main window and the taskbar window of this process (waits for them to exist).
    HWND MainWindow();
    HWND TaskbarWindow();
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void Kill();

private:
    TempDir ownFolder_;
    std::string folder_;
    StartedProcess process_;
};

// Top-level windows of a process with the class name.
std::vector<HWND> WindowsOfProcess(DWORD pid, const std::string& className);

} // namespace vt
