#pragma once
// What the benchmark programs share: time, waits that keep answering sent messages, percentiles,
// files, and the processes they start.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace bench {

using vantrel::platform::UniqueHandle;

inline double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / frequency;
}

// Sleeps while still answering messages sent to this thread, so that no other process that
// sends to our windows is held up by the benchmark's own waiting.
inline void Nap(DWORD ms) {
    const double end = NowMs() + ms;
    for (;;) {
        const double left = end - NowMs();
        if (left <= 0) {
            return;
        }
        const DWORD slice = static_cast<DWORD>(std::ceil(left));
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

// Polls the condition every `stepMs` until it holds or `timeoutMs` has passed; the time at which
// it held is returned through `when`.
inline bool PollUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 1,
                      double* when = nullptr) {
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        if (condition()) {
            if (when != nullptr) {
                *when = NowMs();
            }
            return true;
        }
        if (NowMs() >= deadline) {
            return false;
        }
        Nap(stepMs);
    }
}

// Nearest-rank percentile.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return NAN;
    }
    std::sort(v.begin(), v.end());
    size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    rank = std::max<size_t>(1, std::min(rank, v.size()));
    return v[rank - 1];
}

inline void WriteText(const std::string& path, const std::string& text) {
    vantrel::platform::UniqueFile file(::CreateFileA(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        throw std::runtime_error("cannot write " + path);
    }
}

// A process this benchmark started. It ends with the object, also when a constructor gives up
// half way, so that no program is left behind to receive the next program's notices.
class Child {
public:
    Child() = default;
    ~Child() { End(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    void reset(HANDLE process) {
        End();
        handle_.reset(process);
    }
    // Starts the program; the thread handle is let go at once. The process id, or 0 when the
    // program cannot be started.
    DWORD Start(std::string command, const char* folder) {
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                            &si, &pi)) {
            return 0;
        }
        const UniqueHandle thread(pi.hThread);
        reset(pi.hProcess);
        return pi.dwProcessId;
    }
    HANDLE get() const { return handle_.get(); }
    explicit operator bool() const { return static_cast<bool>(handle_); }
    bool Running() const {
        return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
    }
    void End() {
        if (Running()) {
            TerminateProcess(handle_.get(), 0);
            WaitForSingleObject(handle_.get(), 10000);
        }
    }

private:
    UniqueHandle handle_;
};

} // namespace bench
