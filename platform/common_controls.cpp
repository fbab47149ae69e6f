// The common controls library is not one of the system's known DLLs: imported at load time, it
// would be looked for in the program's own folder first, before the entry point could restrict
// the search, and an elevated program started from a folder others can write to would run
// whatever comctl32.dll was put beside it. So the program does not import it: the import slots
// the compiler calls through (__imp_<name>) are defined here, each first pointing at a loader
// that takes the library from the system folder, puts the real function in the slot and calls
// it. Later calls go straight to the library, as with an import.
//
// A function of the library that the program starts to use needs a line below; without one the
// link fails with an undefined __imp_ symbol.
#include <windows.h>
#include <commctrl.h>

#include "platform/system_library.h"

namespace vantrel::platform {
namespace {

HMODULE CommonControls() {
    // Loaded once and kept for the life of the process, as an import would be. Under the
    // program's manifest the system hands out its side-by-side version 6.
    static const HMODULE module = LoadSystemLibrary("comctl32.dll");
    return module;
}

FARPROC Resolve(const char* name) {
    const HMODULE module = CommonControls();
    const FARPROC function = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
    if (function == nullptr) {
        // As the loader does when an import is missing: the program cannot run without it.
        ::FatalAppExitA(0, "Vantrel cannot load the system's common controls library.");
    }
    return function;
}

} // namespace
} // namespace vantrel::platform

// The slot's symbol: plain on 64-bit Windows, with stdcall's argument bytes on 32-bit.
#ifdef _WIN64
#define VANTREL_IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define VANTREL_IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif

#define VANTREL_LATE_IMPORT(result, name, bytes, params, args)                                     \
    namespace {                                                                                    \
    result WINAPI Load_##name params;                                                              \
    }                                                                                              \
    extern "C" {                                                                                   \
    decltype(&Load_##name) vantrel_slot_##name __asm__(VANTREL_IMPORT_SLOT(name, bytes)) = &Load_  \
                                                                                           ##name; \
    }                                                                                              \
    namespace {                                                                                    \
    result WINAPI Load_##name params {                                                             \
        vantrel_slot_##name = reinterpret_cast<decltype(&Load_##name)>(                            \
            reinterpret_cast<void (*)()>(vantrel::platform::Resolve(#name)));                      \
        return vantrel_slot_##name args;                                                           \
    }                                                                                              \
    }

VANTREL_LATE_IMPORT(BOOL, InitCommonControlsEx, 4, (const INITCOMMONCONTROLSEX* init), (init))
VANTREL_LATE_IMPORT(HIMAGELIST, ImageList_Create, 20,
                    (int cx, int cy, UINT flags, int initial, int grow),
                    (cx, cy, flags, initial, grow))
VANTREL_LATE_IMPORT(BOOL, ImageList_Destroy, 4, (HIMAGELIST list), (list))
VANTREL_LATE_IMPORT(int, ImageList_Add, 12, (HIMAGELIST list, HBITMAP image, HBITMAP mask),
                    (list, image, mask))
VANTREL_LATE_IMPORT(int, ImageList_AddMasked, 12, (HIMAGELIST list, HBITMAP image, COLORREF mask),
                    (list, image, mask))
VANTREL_LATE_IMPORT(BOOL, ImageList_Draw, 24,
                    (HIMAGELIST list, int index, HDC dc, int x, int y, UINT style),
                    (list, index, dc, x, y, style))
VANTREL_LATE_IMPORT(BOOL, ImageList_GetIconSize, 12, (HIMAGELIST list, int* cx, int* cy),
                    (list, cx, cy))
VANTREL_LATE_IMPORT(HICON, ImageList_GetIcon, 12, (HIMAGELIST list, int index, UINT flags),
                    (list, index, flags))
VANTREL_LATE_IMPORT(int, ImageList_GetImageCount, 4, (HIMAGELIST list), (list))
VANTREL_LATE_IMPORT(BOOL, ImageList_Remove, 8, (HIMAGELIST list, int index), (list, index))
VANTREL_LATE_IMPORT(int, ImageList_ReplaceIcon, 12, (HIMAGELIST list, int index, HICON icon),
                    (list, index, icon))
// The header declares these three without dllimport, so callers call the function itself rather
// than through a slot: it is defined here, and finds the library's on its first call.
#define VANTREL_LATE_FUNCTION(result, name, params, args)                                          \
    extern "C" result WINAPI name params {                                                         \
        using Function = result(WINAPI*) params;                                                   \
        static const auto function = reinterpret_cast<Function>(                                   \
            reinterpret_cast<void (*)()>(vantrel::platform::Resolve(#name)));                      \
        return function args;                                                                      \
    }

VANTREL_LATE_FUNCTION(BOOL, SetWindowSubclass,
                      (HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data),
                      (window, proc, id, data))
VANTREL_LATE_FUNCTION(BOOL, RemoveWindowSubclass, (HWND window, SUBCLASSPROC proc, UINT_PTR id),
                      (window, proc, id))
VANTREL_LATE_FUNCTION(LRESULT, DefSubclassProc,
                      (HWND window, UINT message, WPARAM wParam, LPARAM lParam),
                      (window, message, wParam, lParam))
