#include "platform/message_filter.h"

namespace vantrel::platform {

bool AllowMessageFromAnyProcess(HWND window, UINT message) {
    using Fn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    static const Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx")));
    if (fn == nullptr) {
        return false;
    }
    constexpr DWORD kMsgFltAllow = 1;
    return fn(window, message, kMsgFltAllow, nullptr) != FALSE;
}

} // namespace vantrel::platform
