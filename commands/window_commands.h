#pragma once
// Commands that act at once on one window of another application. The window list's commands
// and the items inserted into other windows' system menus both come here.
#include <windows.h>

#include "platform/handles.h"

namespace vantrel {

class HiddenJournal;
class LayeredWindows;
class TrayHost;
class WindowList;
struct AlignmentPlace;

// What the commands below need of the program that runs them: the listed windows, the icons of
// hidden windows and their record on disk, and the layering this program did.
class WindowCommandHost {
public:
    virtual WindowList& windows() = 0;
    virtual TrayHost& tray() = 0;
    virtual HiddenJournal& journal() = 0;
    // A copy of the picture the list shows for the row (the program's icon once it has been read
    // off the list's thread), or none.
    virtual platform::UniqueIcon RowIcon(int row) = 0;
    virtual LayeredWindows& layeredWindows() = 0;
    // Every transparency change goes through the entry found at start-up.
    virtual bool SetLayeredAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) = 0;

protected:
    virtual ~WindowCommandHost() = default;
};

void SetTopmost(HWND window, bool topmost);

// Hides a listed window behind a notification-area icon; an unlisted window is left alone.
void MinimizeWindowToTray(WindowCommandHost& host, HWND window);

// Puts a check mark on the percentage item of the window's system menu (none when the
// percentage is not a multiple of ten).
void SetCheckMarks(HWND window, int percent);

// True for a window whose program draws it with UpdateLayeredWindow: the transparency commands
// leave it alone, as setting its attributes would stop that drawing.
bool TransparencyLeftToItsProgram(HWND window);
// Gives the window a transparency of `percent` (0 opaque to 100 invisible); it stays layered.
// A window layered by its own program keeps its colour key.
void SetTransparency(WindowCommandHost& host, HWND window, int percent);
// Makes the window opaque. Only a window this program made layered loses the layered style.
void RemoveTransparency(WindowCommandHost& host, HWND window);

void AlignWindow(HWND window, const AlignmentPlace& place);

} // namespace vantrel
