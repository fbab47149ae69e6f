#pragma once
// Off-screen drawing: a scratch device context and 32-bit pictures whose pixels can be read.
#include <windows.h>

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

// A 32-bit DIB section, top row first, compatible with `like`; `bits` receives its pixels.
// Empty (and `bits` null) when it cannot be made.
UniqueGdiObject CreateDib32(HDC like, int width, int height, void** bits);

} // namespace vantrel::platform
