#include "support/x_screen.h"

#include "support/test_support.h"

namespace vt {

namespace {

std::string Display() {
    char value[64] = {};
    const DWORD n = ::GetEnvironmentVariableA("DISPLAY", value, sizeof(value));
    return n > 0 && n < sizeof(value) ? std::string(value) : std::string();
}

// Runs a program of the host system with arguments, waits for it with a deadline; true on exit
// code 0.
bool RunHostProgram(const std::string& commandLine, DWORD timeoutMs = 20000) {
    // A host program's process handle cannot be waited for under Wine, so the shell that runs it
    // leaves its exit code in a file.
    static int serial = 0;
    const std::string marker =
        "/tmp/vt-host-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
    if (!StartProgram("/bin/sh -c \"" + commandLine + "; echo $? > " + marker + ".tmp; mv " +
                      marker + ".tmp " + marker + "\"")
             .started) {
        return false;
    }
    const std::string local = "Z:" + marker;
    std::string code;
    // The X tools may wait for this process to take its X events, so it goes on pumping.
    const bool ended = WaitUntil([&] { return !(code = FileText(local)).empty(); }, timeoutMs);
    ::DeleteFileA(local.c_str());
    return ended && code == "0\n";
}

} // namespace

bool XToolsAvailable() {
    return !Display().empty() && Exists("Z:/usr/bin/import") && Exists("Z:/usr/bin/xdotool");
}

bool XMovePointer(int x, int y) {
    if (!RunHostProgram("/usr/bin/xdotool mousemove " + std::to_string(x) + " " +
                        std::to_string(y))) {
        return false;
    }
    POINT p{};
    const bool ok = WaitUntil([&] {
        ::GetCursorPos(&p);
        return p.x == x && p.y == y;
    });
    return ok;
}

bool XClick(int button) {
    return RunHostProgram("/usr/bin/xdotool click " + std::to_string(button));
}

XShot::XShot(const RECT& area) : area_(area) {
    static int serial = 0;
    const std::string name = "/tmp/vt-xshot-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(++serial) + ".rgb";
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    const std::string command = "/usr/bin/import -display " + Display() + " -window root -crop " +
                                std::to_string(w) + "x" + std::to_string(h) + "+" +
                                std::to_string(area.left) + "+" + std::to_string(area.top) +
                                " -depth 8 rgb:" + name;
    if (w <= 0 || h <= 0 || !RunHostProgram(command)) {
        return;
    }
    const std::string local = "Z:" + name;
    const std::string bytes = FileText(local);
    pixels_.assign(bytes.begin(), bytes.end());
    ::DeleteFileA(local.c_str());
    if (pixels_.size() != static_cast<size_t>(w) * static_cast<size_t>(h) * 3) {
        pixels_.clear();
    }
}

COLORREF XShot::At(int x, int y) const {
    if (!Ok() || x < area_.left || x >= area_.right || y < area_.top || y >= area_.bottom) {
        return CLR_INVALID;
    }
    const size_t i =
        (static_cast<size_t>(y - area_.top) * static_cast<size_t>(area_.right - area_.left) +
         static_cast<size_t>(x - area_.left)) *
        3;
    return RGB(pixels_[i], pixels_[i + 1], pixels_[i + 2]);
}

int XShot::Dark(const RECT& part, int limit) const {
    int count = 0;
    for (int y = part.top; y < part.bottom; ++y) {
        for (int x = part.left; x < part.right; ++x) {
            const COLORREF c = At(x, y);
            count += c != CLR_INVALID && GetRValue(c) < limit && GetGValue(c) < limit &&
                     GetBValue(c) < limit;
        }
    }
    return count;
}

} // namespace vt
