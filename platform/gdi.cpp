#include "platform/gdi.h"

#include "platform/text.h"

namespace vantrel::platform {

namespace {

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

} // namespace

SIZE TextExtentIn(HWND window, HGDIOBJ font, const std::string& text) {
    const WindowDc dc(window);
    if (dc.get() == nullptr) {
        return SIZE{0, 0};
    }
    const HGDIOBJ old = ::SelectObject(dc.get(), font);
    const SIZE size = TextExtent8(dc.get(), text);
    ::SelectObject(dc.get(), old);
    return size;
}

const char* UiFontFace() {
    static const char* const face = [] {
        LOGFONTA wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(wanted.lfFaceName, "Microsoft Sans Serif", LF_FACESIZE);
        bool found = false;
        const WindowDc screen(nullptr);
        if (screen.get() != nullptr) {
            ::EnumFontFamiliesExA(screen.get(), &wanted, NoteFace, reinterpret_cast<LPARAM>(&found),
                                  0);
        }
        return found ? "Microsoft Sans Serif" : "MS Sans Serif";
    }();
    return face;
}

UniqueGdiObject CreateDib32(HDC like, int width, int height, void** bits) {
    *bits = nullptr;
    if (width <= 0 || height <= 0) {
        return UniqueGdiObject();
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    UniqueGdiObject dib(::CreateDIBSection(like, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (!dib) {
        *bits = nullptr;
    }
    return dib;
}

} // namespace vantrel::platform
