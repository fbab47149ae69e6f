#include "support/fixture_client.h"

#include "support/wait.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vt {

namespace {

// Anonymous pipes cannot be waited on, so a reply is noticed by peeking at this interval; the
// wait still wakes at once when the fixture dies or a message is sent to this thread.
constexpr DWORD kPollMs = 2;
constexpr DWORD kEndTimeoutMs = 10000;
// Large enough that a command line never blocks in WriteFile while the fixture is busy.
constexpr DWORD kPipeBytes = 1 << 16;

std::string Hex(std::uint64_t value) {
    char text[17];
    int at = 16;
    text[at] = '\0';
    do {
        text[--at] = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    return std::string(text + at);
}

bool IsPlainByte(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '%' && c != ',';
}

// Handles sent messages only: posted messages stay queued for the test's own waits, in order.
void ProcessSentMessages() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

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
        ProcessSentMessages();
    }
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t space = text.find(' ', at);
        const std::size_t end = space == std::string::npos ? text.size() : space;
        if (end > at) {
            tokens.push_back(text.substr(at, end - at));
        }
        at = end + 1;
    }
    return tokens;
}

std::uint64_t ParseHex(const std::string& text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 16);
    if (text.empty() || end != text.c_str() + text.size()) {
        throw std::runtime_error("fixture reply has a bad hex number: '" + text + "'");
    }
    return value;
}

int ParseCount(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size()) {
        throw std::runtime_error("fixture reply has a bad number: '" + text + "'");
    }
    return static_cast<int>(value);
}

} // namespace

std::string PercentEncode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsPlainByte(byte)) {
            out += c;
        } else {
            out += '%';
            out += "0123456789ABCDEF"[byte >> 4];
            out += "0123456789ABCDEF"[byte & 0xF];
        }
    }
    return out;
}

std::string HandleToHex(HWND hwnd) {
    return Hex(reinterpret_cast<std::uintptr_t>(hwnd));
}

void Fixture::Handle::Reset() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
    }
    handle_ = nullptr;
}

Fixture::Fixture(DWORD replyTimeoutMs, const char* program) : replyTimeoutMs_(replyTimeoutMs) {
    const std::string exe = (std::strchr(program, ':') != nullptr ? "" : TestBinFolder()) + program;
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("fixture program not found: " + exe);
    }
    // Only the child's ends become inheritable, and only until CreateProcess has copied them:
    // a second fixture started later must not inherit this one's pipes, or closing our end
    // would never reach this fixture as end of input.
    Handle childInput;
    Handle childOutput;
    if (!CreatePipe(childInput.Out(), input_.Out(), nullptr, kPipeBytes) ||
        !CreatePipe(output_.Out(), childOutput.Out(), nullptr, kPipeBytes)) {
        throw std::runtime_error("CreatePipe failed, error " + std::to_string(GetLastError()));
    }
    if (!SetHandleInformation(childInput.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
        !SetHandleInformation(childOutput.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        throw std::runtime_error("SetHandleInformation failed");
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput.Get();
    startup.hStdOutput = childOutput.Get();
    startup.hStdError = nullptr;
    std::string commandLine = "\"" + exe + "\"";
    PROCESS_INFORMATION info{};
    // Wine now and then fails to start a process with an internal error while the machine is
    // busy; nothing was started then, so a second try is safe.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        started = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &info);
        error = started ? 0 : GetLastError();
        if (error != ERROR_INTERNAL_ERROR) {
            break;
        }
    }
    if (!started) {
        throw std::runtime_error("cannot start " + exe + ", error " + std::to_string(error));
    }
    const Handle thread(info.hThread);
    *process_.Out() = info.hProcess;
    processId_ = info.dwProcessId;
    // The child has its copies now; ours would keep its input open and our output unbroken.
    childInput.Reset();
    childOutput.Reset();

    // A constructor that throws gets no destructor call, so the process is ended here.
    std::string pid;
    try {
        pid = Call("pid");
    } catch (const std::exception&) {
        TerminateProcess(process_.Get(), 1);
        throw;
    }
    if (pid != std::to_string(processId_)) {
        TerminateProcess(process_.Get(), 1);
        throw std::runtime_error("fixture reported process id '" + pid + "', expected " +
                                 std::to_string(processId_));
    }
}

Fixture::~Fixture() {
    if (process_.Get() == nullptr) {
        return;
    }
    try {
        if (!HasExited() && input_.Get() != nullptr) {
            Command("exit");
        }
    } catch (const std::exception&) {
        // Terminated below; a destructor has nobody to report to.
    }
    input_.Reset();
    if (!WaitForProcessEnd(kEndTimeoutMs)) {
        TerminateProcess(process_.Get(), 1);
        WaitForProcessEnd(kEndTimeoutMs);
    }
}

std::string Fixture::Command(const std::string& line) {
    if (input_.Get() == nullptr || process_.Get() == nullptr) {
        throw std::runtime_error("fixture input is closed; cannot send '" + line + "'");
    }
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD wrote = 0;
        if (!WriteFile(input_.Get(), text.data() + done, static_cast<DWORD>(text.size() - done),
                       &wrote, nullptr)) {
            throw std::runtime_error("fixture has gone; cannot send '" + line + "'");
        }
        done += wrote;
    }
    return ReadLine(line);
}

std::string Fixture::ReadLine(const std::string& forCommand) {
    const ULONGLONG deadline = GetTickCount64() + replyTimeoutMs_;
    for (;;) {
        const std::size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(output_.Get(), nullptr, 0, nullptr, &available, nullptr)) {
            throw std::runtime_error("fixture ended before replying to '" + forCommand + "'");
        }
        if (available > 0) {
            std::string chunk(available, '\0');
            DWORD got = 0;
            if (!ReadFile(output_.Get(), &chunk[0], available, &got, nullptr)) {
                throw std::runtime_error("fixture ended before replying to '" + forCommand + "'");
            }
            pending_.append(chunk, 0, got);
            continue;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            throw std::runtime_error("fixture did not reply to '" + forCommand + "' within " +
                                     std::to_string(replyTimeoutMs_) + " ms");
        }
        const auto slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kPollMs));
        HANDLE process = process_.Get();
        const DWORD result = MsgWaitForMultipleObjects(1, &process, FALSE, slice, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            // A reply written just before the end is still in the pipe; only a dead process
            // with an empty pipe means the reply will never come.
            if (PeekNamedPipe(output_.Get(), nullptr, 0, nullptr, &available, nullptr) &&
                available > 0) {
                continue;
            }
            throw std::runtime_error("fixture ended before replying to '" + forCommand + "'");
        }
        if (result == WAIT_OBJECT_0 + 1) {
            ProcessSentMessages();
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

std::vector<HWND> Fixture::Create(const WindowSpec& wanted) {
    std::string line = "create";
    if (!wanted.className.empty()) {
        line += " class=" + PercentEncode(wanted.className);
    }
    line += " caption=" + PercentEncode(wanted.caption);
    line += " style=" + Hex(wanted.style);
    line += " exstyle=" + Hex(wanted.exStyle);
    line += " owner=" + HandleToHex(wanted.owner);
    line += " children=" + std::to_string(wanted.children);
    if (!wanted.childClasses.empty()) {
        line += " childclass=";
        for (std::size_t i = 0; i < wanted.childClasses.size(); ++i) {
            if (i != 0) {
                line += ',';
            }
            line += PercentEncode(wanted.childClasses[i]);
        }
    }
    line += " closable=" + std::string(wanted.closable ? "1" : "0");
    line += " count=" + std::to_string(wanted.count);
    line += " x=" + std::to_string(wanted.x) + " y=" + std::to_string(wanted.y);
    line += " w=" + std::to_string(wanted.w) + " h=" + std::to_string(wanted.h);
    if (wanted.alpha >= 0) {
        line += " alpha=" + std::to_string(wanted.alpha);
    }
    if (wanted.colorKey) {
        line += " colorkey=" + Hex(wanted.key);
    }
    if (wanted.drawn) {
        line += " drawn=1";
    }

    const std::vector<std::string> tokens = Split(Call(line));
    std::vector<HWND> windows(tokens.size());
    std::transform(tokens.begin(), tokens.end(), windows.begin(), [](const std::string& token) {
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ParseHex(token)));
    });
    if (windows.size() != static_cast<std::size_t>(wanted.count)) {
        throw std::runtime_error("fixture created " + std::to_string(windows.size()) +
                                 " windows, expected " + std::to_string(wanted.count));
    }
    return windows;
}

std::vector<HWND> Fixture::CreateHung(const std::string& className, const std::string& caption,
                                      int count, DWORD style) {
    const std::vector<std::string> tokens =
        Split(Call("hang class=" + PercentEncode(className) + " caption=" + PercentEncode(caption) +
                   " count=" + std::to_string(count) + " style=" + Hex(style)));
    std::vector<HWND> windows(tokens.size());
    std::transform(tokens.begin(), tokens.end(), windows.begin(), [](const std::string& token) {
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ParseHex(token)));
    });
    return windows;
}

void Fixture::Wake() {
    Call("wake");
}

void Fixture::Sync() {
    Call("pid");
}

HWND Fixture::CreateOne(const WindowSpec& wanted) {
    WindowSpec one = wanted;
    one.count = 1;
    return Create(one).front();
}

HWND Fixture::CreateOfNewClass(const char* prefix) {
    WindowSpec spec;
    spec.className = UniqueName(prefix);
    return CreateOne(spec);
}

void Fixture::Destroy(HWND hwnd) {
    Call("destroy " + HandleToHex(hwnd));
}

void Fixture::SetText(HWND hwnd, const std::string& text) {
    Call("settext " + HandleToHex(hwnd) + " " + PercentEncode(text));
}

void Fixture::SetTextUtf8(HWND hwnd, const std::string& text) {
    Call("settextw " + HandleToHex(hwnd) + " " + PercentEncode(text));
}

void Fixture::Show(HWND hwnd, int showCommand) {
    Call("show " + HandleToHex(hwnd) + " " + std::to_string(showCommand));
}

void Fixture::SetLong(HWND hwnd, int index, LONG_PTR value) {
    Call("setlong " + HandleToHex(hwnd) + " " + std::to_string(index) + " " +
         Hex(static_cast<std::uint64_t>(value)));
}

void Fixture::AddSystemMenuItem(HWND hwnd, UINT id, const std::string& text) {
    Call("sysmenu " + HandleToHex(hwnd) + " " + std::to_string(id) + " " + PercentEncode(text));
}

Counts Fixture::GetCounts(HWND hwnd) {
    Counts counts;
    int seen = 0;
    for (const std::string& token : Split(Call("counts " + HandleToHex(hwnd)))) {
        const std::size_t eq = token.find('=');
        const std::string key = token.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : token.substr(eq + 1);
        if (key == "syscmd_close") {
            counts.sysCommandClose = ParseCount(value);
        } else if (key == "keydown_f5") {
            counts.keyDownF5 = ParseCount(value);
        } else if (key == "keyup_f5") {
            counts.keyUpF5 = ParseCount(value);
        } else if (key == "command_a220") {
            counts.commandA220 = ParseCount(value);
        } else if (key == "syscommand_last") {
            counts.lastSysCommand = static_cast<WPARAM>(ParseHex(value));
        } else if (key == "private") {
            counts.privateMessages = ParseCount(value);
        } else {
            continue;
        }
        ++seen;
    }
    if (seen != 6) {
        throw std::runtime_error("fixture counts reply is incomplete");
    }
    return counts;
}

DWORD Fixture::Exit() {
    Call("exit");
    input_.Reset();
    if (!WaitForProcessEnd(kEndTimeoutMs)) {
        throw std::runtime_error("fixture did not end after 'exit'");
    }
    return ExitCode();
}

void Fixture::Kill() {
    input_.Reset();
    if (process_.Get() == nullptr || HasExited()) {
        return;
    }
    TerminateProcess(process_.Get(), 1);
    if (!WaitForProcessEnd(kEndTimeoutMs)) {
        throw std::runtime_error("fixture did not end after TerminateProcess");
    }
}

void Fixture::CloseInput() {
    input_.Reset();
}

bool Fixture::HasExited() const {
    return process_.Get() == nullptr || WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
}

DWORD Fixture::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (!HasExited() || !GetExitCodeProcess(process_.Get(), &code)) {
        throw std::runtime_error("fixture is still running");
    }
    return code;
}

bool Fixture::WaitForProcessEnd(DWORD timeoutMs) const {
    return process_.Get() == nullptr || WaitHandle(process_.Get(), timeoutMs);
}

} // namespace vt
