#pragma once
// The flat look of the main window's own controls: the tab control with its strip at the bottom,
// the title-area and "Menu" buttons, and the drawing of its windowless picture buttons.
#include <windows.h>
#include <commctrl.h>

#include "platform/handles.h"

namespace vantrel {

// Takes over the painting of a tab control (SysTabControl32, tabs at the bottom) and gives it
// its bold red captions; selection, TCN_SELCHANGING/TCN_SELCHANGE and the keyboard stay the
// control's own. A later WM_SETFONT does not change the captions' font. Called again, it only
// sizes the strip and its captions for another DPI.
void MakeFlatTabs(HWND tab, int dpi = 96);

// Makes a push button flat and draws it itself: the caption in `text` with a font of the given
// character height, a light hover and pressed look. Clicks still arrive as BN_CLICKED. Both kinds
// show the parent's picture behind them; a transparent one adds no face of its own.
void MakeFlatButton(HWND button, COLORREF text, int charHeight, bool bold, bool transparent);
void SetFlatButtonHandCursor(HWND button, bool hand = true);

// Paints what the parent shows behind `child` into `dc`, in the child's client coordinates.
// The parent is asked to paint itself into the DC, moved so that its origin lies where the
// parent's origin is: first with WM_ERASEBKGND (for a parent that paints its picture there),
// then with WM_PRINTCLIENT (for one that paints it in WM_PAINT and answers WM_PRINTCLIENT by
// painting the same into the DC it is given).
void PaintParentBackground(HWND child, HDC dc);

// Draws the bitmap with the pixels of colour `key` left out.
void DrawKeyedBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF key);

// The menu pictures (IDB_MENU_IMAGES) as an image list with the key colour masked out: 16 x 16
// at 96 DPI, in proportion to `dpi` otherwise.
platform::UniqueImageList LoadMenuImages(HINSTANCE instance, int dpi = 96);

} // namespace vantrel
