#pragma once
// Off-screen drawing: a scratch device context and 32-bit pictures whose pixels can be read.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace vantrel::platform {

// A memory device context compatible with `like` (with the screen when null), deleted with
// the object. Whatever is selected into it must be selected out, or outlive it.
class ScratchDc {
public:
    explicit ScratchDc(HDC like) : dc_(::CreateCompatibleDC(like)) {}
    ~ScratchDc() {
        if (dc_ != nullptr) {
            ::DeleteDC(dc_);
        }
    }
    ScratchDc(const ScratchDc&) = delete;
    ScratchDc& operator=(const ScratchDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// The face of the program's text: "MS Sans Serif", or its TrueType twin "Microsoft Sans Serif"
// where the system has that. The twin has the same letters and metrics at 8 point, but the bitmap
// face grows in coarse steps at 125-200 % and shows boxes for letters outside its code page,
// while the twin is drawn smoothly at any size and the system links it to fonts of other scripts.
const char* UiFontFace();

// The device context of a window (of the whole screen when null), released with the object.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// How large `text` (UTF-8) is in `font` on the device of `window` (the screen when null).
SIZE TextExtentIn(HWND window, HGDIOBJ font, const std::string& text);

// A 32-bit DIB section, top row first, compatible with `like`; `bits` receives its pixels.
// Empty (and `bits` null) when it cannot be made.
UniqueGdiObject CreateDib32(HDC like, int width, int height, void** bits);

} // namespace vantrel::platform
