#include "support/fixture_client.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace vt {

namespace {

// Anonymous pipes cannot be waited on, so a reply is noticed by peeking at this interval; the
// wait still wakes at once when the fixture dies or a message is sent to this thread.
constexpr DWORD kPollMs = 2;
constexpr DWORD kEndTimeoutMs = 10000;
// Large enough that a command line never blocks in WriteFile while the fixture is busy.
constexpr DWORD kPipeBytes = 1 << 16;

// Waits for the handle while keeping sent messages flowing; true when it was signalled.
bool WaitHandle(HANDLE handle, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const auto left = static_cast<DWORD>(now >= deadline ? 0 : deadline - now);
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1) {
            return false;
        }
        // Handles sent messages only: posted ones stay queued for the test's own waits, in order.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

Fixture::Fixture(DWORD replyTimeoutMs, const char* program) : replyTimeoutMs_(replyTimeoutMs) {
    const std::string exe = (std::strchr(program, ':') != nullptr ? "" : TestBinFolder()) + program;
    // Only the child's ends become inheritable, and only until CreateProcess has copied them:
    // a second fixture started later must not inherit this one's pipes, or closing our end
    // would never reach this fixture as end of input. Ours would keep its input open and our
    // output unbroken, so they go as soon as the child has its copies.
    HANDLE childIn = nullptr, ourIn = nullptr, ourOut = nullptr, childOut = nullptr;
    const bool piped = CreatePipe(&childIn, &ourIn, nullptr, kPipeBytes) &&
                       CreatePipe(&ourOut, &childOut, nullptr, kPipeBytes);
    vantrel::platform::UniqueHandle childInput(childIn), childOutput(childOut);
    input_.reset(ourIn);
    output_.reset(ourOut);
    if (!piped ||
        !SetHandleInformation(childInput.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
        !SetHandleInformation(childOutput.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        throw std::runtime_error("cannot make the pipes, error " + std::to_string(GetLastError()));
    }
    StartedProcess started =
        StartProgram("\"" + exe + "\"", 0, nullptr, childInput.get(), childOutput.get());
    if (!started.process) {
        throw std::runtime_error("cannot start " + exe + ", error " +
                                 std::to_string(started.error));
    }
    process_ = std::move(started.process);
    processId_ = started.id;
    childInput.reset();
    childOutput.reset();

    // A constructor that throws gets no destructor call, so the process is ended here.
    try {
        const std::string pid = Call("pid");
        if (pid != std::to_string(processId_)) {
            throw std::runtime_error("fixture reported process id '" + pid + "', expected " +
                                     std::to_string(processId_));
        }
    } catch (const std::exception&) {
        TerminateProcess(process_.get(), 1);
        throw;
    }
}

Fixture::~Fixture() {
    if (process_.get() == nullptr) {
        return;
    }
    try {
        if (!HasExited() && input_.get() != nullptr) {
            Command("exit");
        }
    } catch (const std::exception&) {
        // Terminated below; a destructor has nobody to report to.
    }
    input_.reset();
    if (!WaitForProcessEnd(kEndTimeoutMs)) {
        TerminateProcess(process_.get(), 1);
        WaitForProcessEnd(kEndTimeoutMs);
    }
}

std::string Fixture::Command(const std::string& line) {
    if (input_.get() == nullptr || process_.get() == nullptr) {
        throw std::runtime_error("fixture input is closed; cannot send '" + line + "'");
    }
    if (!WriteAll(input_.get(), line + "\n")) {
        throw std::runtime_error("fixture has gone; cannot send '" + line + "'");
    }
    return ReadLine(line);
}

std::string Fixture::ReadLine(const std::string& forCommand) {
    const ULONGLONG deadline = GetTickCount64() + replyTimeoutMs_;
    for (bool ended = false;;) {
        std::string line;
        if (TakeLine(pending_, line)) {
            return line;
        }
        DWORD available = 0;
        DWORD got = 0;
        const bool open = PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr);
        std::string chunk(available, '\0');
        // A reply written just before the end is still in the pipe; only a dead process with an
        // empty pipe means the reply will never come.
        if (!open || (available == 0 && ended) ||
            (available > 0 && !ReadFile(output_.get(), &chunk[0], available, &got, nullptr))) {
            throw std::runtime_error("fixture ended before replying to '" + forCommand + "'");
        }
        pending_.append(chunk, 0, got);
        if (available == 0) {
            if (GetTickCount64() >= deadline) {
                throw std::runtime_error("fixture did not reply to '" + forCommand + "' within " +
                                         std::to_string(replyTimeoutMs_) + " ms");
            }
            ended = WaitHandle(process_.get(), kPollMs);
        }
    }
}

std::string Fixture::Call(const std::string& line) {
    const std::string reply = Command(line);
    if (reply == "ok") {
        return std::string();
    }
    if (reply.compare(0, 3, "ok ") == 0) {
        return reply.substr(3);
    }
    throw std::runtime_error("fixture command '" + line.substr(0, 200) + "' failed: " + reply);
}

std::vector<HWND> Fixture::Make(const char* verb, const WindowSpec& wanted) {
    std::string line = verb;
    if (!wanted.className.empty()) {
        line += " class=" + PercentEncode(wanted.className);
    }
    line += " caption=" + PercentEncode(wanted.caption) + " style=" + Hex(wanted.style) +
            " exstyle=" + Hex(wanted.exStyle) + " owner=" + HandleToHex(wanted.owner) +
            " children=" + std::to_string(wanted.children);
    for (const std::string& name : wanted.childClasses) {
        line +=
            (&name == &wanted.childClasses.front() ? " childclass=" : ",") + PercentEncode(name);
    }
    line += " closable=" + std::to_string(wanted.closable ? 1 : 0) +
            " count=" + std::to_string(wanted.count) + " x=" + std::to_string(wanted.x) +
            " y=" + std::to_string(wanted.y) + " w=" + std::to_string(wanted.w) +
            " h=" + std::to_string(wanted.h);
    if (wanted.alpha >= 0) {
        line += " alpha=" + std::to_string(wanted.alpha);
    }
    if (wanted.colorKey) {
        line += " colorkey=" + Hex(wanted.key);
    }
    if (wanted.drawn) {
        line += " drawn=1";
    }
    std::vector<HWND> windows;
    for (const std::string& token : SplitTokens(Call(line))) {
        windows.push_back(ParseHwnd(token));
    }
    if (windows.size() != static_cast<std::size_t>(wanted.count)) {
        throw std::runtime_error("fixture made " + std::to_string(windows.size()) +
                                 " windows, expected " + std::to_string(wanted.count));
    }
    return windows;
}

HWND Fixture::CreateOne(const WindowSpec& wanted) {
    WindowSpec one = wanted;
    one.count = 1;
    return Create(one).front();
}

DWORD Fixture::Exit() {
    Call("exit");
    input_.reset();
    if (!WaitForProcessEnd(kEndTimeoutMs)) {
        throw std::runtime_error("fixture did not end after 'exit'");
    }
    return ExitCode();
}

void Fixture::Kill() {
    input_.reset();
    if (process_.get() == nullptr || HasExited()) {
        return;
    }
    TerminateProcess(process_.get(), 1);
    if (!WaitForProcessEnd(kEndTimeoutMs)) {
        throw std::runtime_error("fixture did not end after TerminateProcess");
    }
}

DWORD Fixture::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (!HasExited() || !GetExitCodeProcess(process_.get(), &code)) {
        throw std::runtime_error("fixture is still running");
    }
    return code;
}

bool Fixture::WaitForProcessEnd(DWORD timeoutMs) const {
    return process_.get() == nullptr || WaitHandle(process_.get(), timeoutMs);
}

} // namespace vt
