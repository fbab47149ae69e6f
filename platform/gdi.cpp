#include "platform/gdi.h"

namespace vantrel::platform {

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
