#pragma once
#include <windows.h>

namespace vantrel::platform {

// The program runs elevated; Windows drops messages that ordinary processes post to it unless
// each message is let through. The call exists from Windows 7 on and is looked up at run time;
// on older systems the filter does not exist and nothing needs to be done.
bool AllowMessageFromAnyProcess(HWND window, UINT message);

} // namespace vantrel::platform
