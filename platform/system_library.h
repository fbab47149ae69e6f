#pragma once
// Libraries loaded at run time come from the system folder only. The program runs elevated, and
// its own folder or the current one may be writable by others: a DLL planted there under a
// system library's name would otherwise run with administrator rights.
#include <windows.h>

namespace vantrel::platform {

// Takes the executable's folder and the current folder out of the search for every later
// LoadLibrary in the process, the system's own included; the system folder stays. Call first
// thing in the entry point. Where the system cannot restrict the search (older updates), the
// current folder at least is taken out.
void RestrictLibrarySearch();

// The library of that bare file name from the system folder, or null. The caller owns it.
HMODULE LoadSystemLibrary(const char* fileName);

} // namespace vantrel::platform
