#include "platform/icon_size.h"

namespace vantrel::platform {

namespace {

int MetricForDpi(int index, int dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    const int value = fn != nullptr && dpi > 0 ? fn(index, static_cast<UINT>(dpi)) : 0;
    return value > 0 ? value : ::GetSystemMetrics(index);
}

} // namespace

int SmallIconSize(int dpi) {
    return MetricForDpi(SM_CXSMICON, dpi);
}

int LargeIconSize(int dpi) {
    return MetricForDpi(SM_CXICON, dpi);
}

} // namespace vantrel::platform
