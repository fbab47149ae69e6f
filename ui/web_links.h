#pragma once
// Everything that sends the user out of the program: the maker's web addresses, the help file
// beside the executable, and the one door to the shell that opens them.
#include <windows.h>

#include <functional>
#include <string>

namespace vantrel {

// The maker's web-site host; every address below is built on it.
std::string HostName();
std::string MakerHomePage(); // "http://" + host
std::string ProductPage();   // the product's page on the maker's site
std::string UpdatePage();    // where a newer version would be announced
std::string SupportEmail();

// The folder of `exePath` with its trailing separator, plus "Vantrel.chm". A path without any
// folder gives the bare file name.
std::string HelpFilePathFor(const std::string& exePath);
// "Vantrel.chm" beside the running executable, whatever the current directory is.
std::string HelpFilePath();

// Hands a file or an address to the shell, which opens it with its own association; an elevated
// program asks the desktop's shell process to open it, so nothing it opens runs elevated. The
// result is not looked at: a missing browser or help file is the shell's to report.
void OpenWebPage(HWND owner, const std::string& url);
void OpenHelp(HWND owner);

// The shell call that OpenWebPage and OpenHelp end in. Tests put a recorder here so that they
// can see what would be opened without a browser appearing.
using ShellOpener = std::function<void(HWND owner, const std::string& target)>;
// Installs `opener` (an empty one restores the shell's) and returns the one it replaced.
ShellOpener SetShellOpener(ShellOpener opener);

// Puts an opener in place for one scope and the previous one back at its end.
class ScopedShellOpener {
public:
    explicit ScopedShellOpener(ShellOpener opener) : previous_(SetShellOpener(std::move(opener))) {}
    ~ScopedShellOpener() { SetShellOpener(std::move(previous_)); }
    ScopedShellOpener(const ScopedShellOpener&) = delete;
    ScopedShellOpener& operator=(const ScopedShellOpener&) = delete;

private:
    ShellOpener previous_;
};

} // namespace vantrel
