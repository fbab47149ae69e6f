#pragma once
// Opening files and web addresses for the user without lending them the program's rights: an
// elevated program that calls ShellExecute starts the browser or help viewer elevated too.
#include <windows.h>

#include <string>

namespace vantrel::platform {

// True when this process runs with an elevated token (administrator rights through UAC).
bool IsProcessElevated();

// Has the shell's own process (the desktop's Explorer) open `target` with its "Open" verb, so
// that whatever starts runs with the rights of the logged-on user's shell. False when no shell
// window is there to ask; nothing is then opened.
bool OpenThroughDesktopShell(const std::string& target, int showCommand);

} // namespace vantrel::platform
