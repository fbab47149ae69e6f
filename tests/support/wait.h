#pragma once
// Waiting, window, process and scratch-space helpers for tests that run real windows under Wine.
// Free of GoogleTest and of the program's library, so that vt_package_check and the benchmarks
// can use them too.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace vt {

// Dispatches every message queued for this thread; a WM_QUIT is put back and ends the pump.
void PumpMessages();

// Polls the condition until it holds or the deadline passes, running `pump` on this thread's
// messages in between so the test's own windows keep working while another process catches up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000,
               void (*pump)() = PumpMessages);

// The process's exit code once it has ended, waiting up to `ms` with this thread's messages
// pumped; STILL_ACTIVE while it runs.
DWORD ExitCode(HANDLE process, DWORD ms = 10000);

// prefix + process id + counter + tick count: unique across tests and concurrent test programs,
// so window classes registered by one test never meet another's.
std::string UniqueName(const char* prefix);

// Folder of the running test program, with a trailing backslash.
std::string TestBinFolder();

std::string TextOf(HWND window);
// The window class as the system names it ("Button", "Edit", ...).
std::string ClassOf(HWND window);
bool Exists(const std::string& path);
// The top-level windows, or with `parent` the windows below it however deeply nested.
std::vector<HWND> WindowsUnder(HWND parent = nullptr);

// A process started by StartProgram, or `error` saying why it could not start. A host program
// started through Wine comes without a `process` handle.
struct StartedProcess {
    bool started = false;
    vantrel::platform::UniqueHandle process;
    DWORD id = 0;
    DWORD error = 0;
};
// Runs the command line (the program's path first, quoted) with CreateProcess `flags`, in
// `folder` when given; the standard handles given (inheritable) replace the process's own.
StartedProcess StartProgram(std::string commandLine, DWORD flags = 0, const char* folder = nullptr,
                            HANDLE input = nullptr, HANDLE output = nullptr,
                            HANDLE errors = nullptr);

// A base for what owns something that must be given back exactly once.
struct NoCopy {
    NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
};

// A fresh folder under the temporary path, removed with its contents on destruction.
class TempDir : NoCopy {
public:
    TempDir();
    ~TempDir();
    // With a trailing backslash.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace vt
