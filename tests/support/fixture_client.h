#pragma once
// Drives vt_fixture.exe, a separate process that owns the "other application" windows the tests
// point the product at. The line protocol is described at the top of tests/fixture/fixture.cpp.
#include "fixture/protocol.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/wait.h"

namespace vt {

// The window of a class and caption that a test asks the fixture for, every other field as
// WindowSpec has it.
inline WindowSpec Spec(const std::string& className, const std::string& caption = "",
                       DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
    WindowSpec spec;
    spec.className = className;
    spec.caption = caption;
    spec.style = style;
    return spec;
}

// Every call waits for the fixture's reply with a deadline and throws std::runtime_error on
// timeout, on an "err" reply, or when the fixture has gone; a test that misuses it fails rather
// than hangs. While waiting, messages sent to this thread's windows are processed (posted ones
// are left queued), so a fixture call that makes Windows talk to the test's windows cannot
// deadlock.
class Fixture : NoCopy {
public:
    // Starts vt_fixture.exe (or the named program, such as its 32-bit build vt_fixture32.exe)
    // from the test program's folder, or from the full path given, and checks that it answers.
    explicit Fixture(DWORD replyTimeoutMs = 10000, const char* program = "vt_fixture.exe");
    // Asks the fixture to exit, waits with a deadline, then terminates it if it is still there.
    ~Fixture();

    std::vector<HWND> Create(const WindowSpec& wanted) { return Make("create", wanted); }
    HWND CreateOne(const WindowSpec& wanted); // ignores wanted.count
    // A plain window of a class no other test uses, named from `prefix`.
    HWND CreateOfNewClass(const char* prefix) { return CreateOne(Spec(UniqueName(prefix))); }
    void Destroy(HWND hwnd) { On("destroy", hwnd); }
    void SetText(HWND hwnd, const std::string& text) { On("settext", hwnd, PercentEncode(text)); }
    // Any script: UTF-8 `text` becomes the window's Unicode caption.
    void SetTextUtf8(HWND hwnd, const std::string& text) {
        On("settextw", hwnd, PercentEncode(text));
    }
    void Show(HWND hwnd, int showCommand) { On("show", hwnd, std::to_string(showCommand)); }
    void SetLong(HWND hwnd, int index, LONG_PTR value) {
        On("setlong", hwnd, std::to_string(index) + " " + Hex(static_cast<std::uint64_t>(value)));
    }
    // Inserts an item of the window's own at the top of its system menu.
    void AddSystemMenuItem(HWND hwnd, UINT id, const std::string& text) {
        On("sysmenu", hwnd, std::to_string(id) + " " + PercentEncode(text));
    }
    Counts GetCounts(HWND hwnd) { return ParseCounts(On("counts", hwnd)); }
    // Windows of a thread that takes no messages (a hung program) until Wake().
    std::vector<HWND> CreateHung(const std::string& className, const std::string& caption,
                                 int count = 1, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
        WindowSpec spec = Spec(className, caption, style);
        spec.count = count;
        return Make("hang", spec);
    }
    void Wake() { Call("wake"); }
    // Returns once the fixture's windows have handled what was sent to them before, the
    // requests that other programs make without waiting among them.
    void Sync() { Call("pid"); }
    // Known from process creation, so it stays valid after Kill().
    DWORD ProcessId() const { return processId_; }

    // Sends one raw protocol line and returns the reply line as it came ("ok ..." or "err ...").
    std::string Command(const std::string& line);

    // Graceful end through the "exit" command; returns the process exit code.
    DWORD Exit();
    // Ends the process at once (TerminateProcess) and waits until it has gone.
    void Kill();
    // Closes the fixture's standard input, as a crashed test program would.
    void CloseInput() { input_.reset(); }
    bool HasExited() const { return WaitForProcessEnd(0); }
    DWORD ExitCode() const; // throws while the process still runs

private:
    std::string Call(const std::string& line); // "ok" reply without the "ok", or throws
    std::string On(const char* verb, HWND hwnd, const std::string& rest = "") {
        return Call(verb + (" " + HandleToHex(hwnd)) + (rest.empty() ? "" : " " + rest));
    }
    // The create line, or with "hang" that of windows on a thread that takes no messages.
    std::vector<HWND> Make(const char* verb, const WindowSpec& wanted);
    std::string ReadLine(const std::string& forCommand);
    bool WaitForProcessEnd(DWORD timeoutMs) const;

    DWORD replyTimeoutMs_;
    DWORD processId_ = 0;
    vantrel::platform::UniqueHandle process_;
    vantrel::platform::UniqueHandle input_;  // our end of the fixture's standard input
    vantrel::platform::UniqueHandle output_; // our end of the fixture's standard output
    std::string pending_;
};

} // namespace vt
