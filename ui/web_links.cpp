#include "ui/web_links.h"

#include <shellapi.h>

#include "platform/shell_open.h"

#include <utility>
#include <vector>

namespace vantrel {

namespace {
constexpr char kHostName[] = "www.ostrim.com";
constexpr char kSupportEmail[] = "support@ostrim.com";
constexpr char kHelpFileName[] = "Vantrel.chm";

void ShellOpen(HWND owner, const std::string& target) {
    // Elevated, the program has the shell's own process open the page or help file, so that the
    // browser and the help viewer run with the user's ordinary rights. With no shell to ask,
    // nothing opens: that is better than a browser with administrator rights.
    if (platform::IsProcessElevated()) {
        platform::OpenThroughDesktopShell(target, SW_SHOW);
        return;
    }
    ::ShellExecuteA(owner, "Open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

ShellOpener& CurrentOpener() {
    static ShellOpener opener = ShellOpen;
    return opener;
}

// The module file name, however long: GetModuleFileNameA cuts the name to the buffer and says
// so only by filling it completely.
std::string ExecutablePath() {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD got = ::GetModuleFileNameA(nullptr, buffer.data(), size);
        if (got == 0) {
            return std::string();
        }
        if (got < size) {
            return std::string(buffer.data(), got);
        }
        buffer.resize(buffer.size() * 2);
    }
}
} // namespace

std::string HostName() {
    return kHostName;
}
std::string MakerHomePage() {
    return std::string("http://") + kHostName;
}
std::string ProductPage() {
    return MakerHomePage() + "/Vantrel/Vantrel.htm";
}
std::string UpdatePage() {
    return MakerHomePage() + "/Vantrel/updatev20.htm";
}
std::string SupportEmail() {
    return kSupportEmail;
}

std::string HelpFilePathFor(const std::string& exePath) {
    const size_t cut = exePath.find_last_of("\\/");
    const std::string folder =
        cut == std::string::npos ? std::string() : exePath.substr(0, cut + 1);
    return folder + kHelpFileName;
}

std::string HelpFilePath() {
    return HelpFilePathFor(ExecutablePath());
}

void OpenWebPage(HWND owner, const std::string& url) {
    CurrentOpener()(owner, url);
}

void OpenHelp(HWND owner) {
    CurrentOpener()(owner, HelpFilePath());
}

ShellOpener SetShellOpener(ShellOpener opener) {
    ShellOpener previous = std::move(CurrentOpener());
    CurrentOpener() = opener ? std::move(opener) : ShellOpener(ShellOpen);
    return previous;
}

} // namespace vantrel
