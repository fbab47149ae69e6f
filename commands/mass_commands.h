#pragma once
// Commands of the program's own tray menu that act on every listed window at once. They walk
// the rows as they stand, last to first, without refreshing the list; a window that has gone
// makes its calls fail quietly, and the program's own windows and the shell's are left alone.
#include "app/window_list.h"

namespace vantrel {

void MaximizeAll(const WindowList& rows);
void MaximizeIEWindows(const WindowList& rows);
void MinimizeAll(const WindowList& rows);
// Only asks each window to close; no process is ever ended.
void CloseAll(const WindowList& rows);

} // namespace vantrel
