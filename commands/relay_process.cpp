#include "commands/relay_process.h"

#include "relay/relay_protocol.h"

#include <algorithm>
#include <vector>

namespace vantrel {

namespace {

// Exit code of a relay that had to be terminated, distinct from the codes it ends with itself.
constexpr UINT kTerminatedExitCode = 0xDEAD;
// How often Stop asks again: a relay that is still starting has no window to receive the first
// request yet.
constexpr DWORD kAskAgainMs = 50;

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void AskToEnd(DWORD processId, DWORD threadId) {
    if (const HWND window = FindRelayWindow(processId)) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        // Before the window exists the thread may already have a queue; if not, this fails and
        // the next round tries again.
        ::PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    }
}

} // namespace

HWND FindRelayWindow(DWORD processId) {
    HWND window = nullptr;
    while ((window = ::FindWindowExA(HWND_MESSAGE, window, relay::kWindowClass, nullptr)) !=
           nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            return window;
        }
    }
    return nullptr;
}

RelayProcess::~RelayProcess() {
    Stop();
}

bool RelayProcess::Start(const std::string& exeFolder) {
    if (Running()) {
        return true;
    }
    std::string folder = exeFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    const std::string exe = folder + relay::kExecutableName;
    if (!FileExists(exe)) {
        return false;
    }
    std::string commandLine =
        "\"" + exe + "\" " + relay::kParentSwitch + " " + std::to_string(::GetCurrentProcessId());
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        return false;
    }
    const platform::UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    return true;
}

bool RelayProcess::Running() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void RelayProcess::Stop(DWORD timeoutMs) {
    if (!process_) {
        return;
    }
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (!Running()) {
            break;
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) {
            ::TerminateProcess(process_.get(), kTerminatedExitCode);
            ::WaitForSingleObject(process_.get(), timeoutMs);
            break;
        }
        AskToEnd(processId_, threadId_);
        const auto slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kAskAgainMs));
        ::WaitForSingleObject(process_.get(), slice);
    }
    process_.reset();
}

} // namespace vantrel
