#pragma once
// The sizes the system gives small icons (title bars, the notification area, small list views)
// and large icons (Alt+Tab, the desktop) at a DPI.
#include <windows.h>

namespace vantrel::platform {

// From GetSystemMetricsForDpi where the system has it (Windows 10 1607 and later); older systems
// know only the metrics of their one DPI, which GetSystemMetrics gives.
int SmallIconSize(int dpi = 96);
int LargeIconSize(int dpi = 96);

} // namespace vantrel::platform
