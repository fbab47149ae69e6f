#pragma once
// Waiting and scratch-space helpers for tests that run real windows under Wine.
#include <windows.h>

#include <functional>
#include <string>

namespace vt {

// Polls the condition until it holds or the deadline passes, pumping this thread's messages in
// between so the test's own windows keep working while another process catches up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Dispatches every message queued for this thread; a WM_QUIT is put back and ends the pump.
void PumpMessages();

// prefix + process id + counter + tick count: unique across tests and concurrent test programs,
// so window classes registered by one test never meet another's.
std::string UniqueName(const char* prefix);

// Folder of the running test program, with a trailing backslash.
std::string TestBinFolder();

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

// A fresh folder (trailing backslash) that lives until the test program ends; prefer a TempDir
// where the folder's lifetime can be one test.
std::string TempFolder();

} // namespace vt
