#include "commands/relay_process.h"

#include "relay/relay_protocol.h"

#include <algorithm>
#include <iterator>
#include <utility>
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

bool RelayProcess::Start(const std::string& exeFolder, const char* exeName,
                         const std::string& moreArguments) {
    if (Running()) {
        return true;
    }
    std::string folder = exeFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    const std::string exe = folder + (exeName != nullptr ? exeName : relay::kExecutableName);
    if (!FileExists(exe)) {
        return false;
    }
    std::string commandLine =
        "\"" + exe + "\" " + relay::kParentSwitch + " " + std::to_string(::GetCurrentProcessId());
    if (!moreArguments.empty()) {
        commandLine += " " + moreArguments;
    }
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

namespace {
// A relay that ends this often within this time is not started again.
constexpr std::size_t kMaxStarts = 4;
constexpr ULONGLONG kStartWindowMs = 60000;
} // namespace

void Relays::Start(const std::string& exeFolder, bool windows64, bool menusOnly) {
    folder_ = exeFolder;
    menusOnly_ = menusOnly;
#ifdef _WIN64
    slots_[0].exeName = relay::kExecutableName64;
    slots_[1].exeName = relay::kExecutableName32;
#else
    slots_[0].exeName = relay::kExecutableName32;
    slots_[1].exeName = windows64 ? relay::kExecutableName64 : nullptr;
    slots_[0].alone = !windows64;
#endif
    (void)windows64;
    for (Slot& slot : slots_) {
        StartSlot(slot);
    }
}

void Relays::StartSlot(Slot& slot) {
    if (slot.exeName == nullptr) {
        return;
    }
    const ULONGLONG now = ::GetTickCount64();
    slot.starts.erase(std::remove_if(slot.starts.begin(), slot.starts.end(),
                                     [&](ULONGLONG at) { return now - at > kStartWindowMs; }),
                      slot.starts.end());
    if (slot.starts.size() >= kMaxStarts) {
        return;
    }
    slot.starts.push_back(now);
    // Told on the command line, so that it never announces what the shell reports.
    slot.told = shellReports_;
    slot.knowsCarriers = false;
    std::string arguments = shellReports_ ? relay::kShellReportsSwitch : "";
    for (const auto& [on, option] : {std::pair{slot.alone, relay::kAloneSwitch},
                                     std::pair{menusOnly_, relay::kMenusOnlySwitch}}) {
        if (on) {
            arguments += std::string(arguments.empty() ? "" : " ") + option;
        }
    }
    slot.process.Start(folder_, slot.exeName, arguments);
}

void Relays::Stop() {
    for (Slot& slot : slots_) {
        slot.process.Stop();
        slot.exeName = nullptr;
    }
}

void Relays::KeepRunning() {
    for (Slot& slot : slots_) {
        if (slot.process.Ended()) {
            slot.process.Stop();
            StartSlot(slot);
        } else {
            if (shellReports_ && !slot.told) {
                TellShell(slot);
            }
            if (menusOnly_ && !slot.knowsCarriers) {
                TellCarriers(slot);
            }
        }
    }
}

void Relays::WindowCarriesItems(HWND window) {
    // Every rebuild reports every listed window again: a lookup, not a walk, keeps that cheap.
    if (!menusOnly_ || carriers_.count(window) != 0) {
        return;
    }
    // Windows gone meanwhile are dropped once the set has doubled since the last time, so the
    // cost stays in proportion to the windows added.
    if (carriers_.size() >= 2 * carriersAfterPrune_ + 64) {
        for (auto it = carriers_.begin(); it != carriers_.end();) {
            it = ::IsWindow(*it) ? std::next(it) : carriers_.erase(it);
        }
        carriersAfterPrune_ = carriers_.size();
    }
    carriers_.insert(window);
    for (Slot& slot : slots_) {
        if (!slot.knowsCarriers) {
            continue; // told of all of them once its window is there
        }
        const HWND relayWindow = FindRelayWindow(slot.process.ProcessId());
        if (relayWindow == nullptr || !::PostMessageA(relayWindow, relay::kWindowCarriesItems,
                                                      reinterpret_cast<WPARAM>(window), TRUE)) {
            slot.knowsCarriers = false;
        }
    }
}

void Relays::NoWindowCarriesItems() {
    carriers_.clear();
    carriersAfterPrune_ = 0;
    for (Slot& slot : slots_) {
        if (const HWND relayWindow =
                slot.process.Running() ? FindRelayWindow(slot.process.ProcessId()) : nullptr) {
            ::PostMessageA(relayWindow, relay::kWindowCarriesItems, 0, FALSE);
        }
    }
}

void Relays::TellCarriers(Slot& slot) {
    if (!slot.process.Running()) {
        return;
    }
    const HWND relayWindow = FindRelayWindow(slot.process.ProcessId());
    if (relayWindow == nullptr) {
        return; // still starting: a later round
    }
    bool all = true;
    for (const HWND window : carriers_) {
        all = ::PostMessageA(relayWindow, relay::kWindowCarriesItems,
                             reinterpret_cast<WPARAM>(window), TRUE) != FALSE &&
              all;
    }
    slot.knowsCarriers = all;
}

void Relays::TellShellReportsWindows() {
    shellReports_ = true;
    for (Slot& slot : slots_) {
        TellShell(slot);
    }
}

void Relays::TellShell(Slot& slot) const {
    if (!slot.process.Running()) {
        return;
    }
    // A relay that is still starting has no window yet; it is told on a later round.
    if (const HWND window = FindRelayWindow(slot.process.ProcessId())) {
        slot.told = ::PostMessageA(window, relay::kShellReportsWindows, 0, 0) != FALSE;
    }
}

bool Relays::Running() const {
    return slots_[0].process.Running() || slots_[1].process.Running();
}

} // namespace vantrel
