#pragma once
// Heap damage that a test's input may have done shows here at the latest.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace vt {

// Every heap of the process passes the system's own validation. With heap checking switched on
// for the test program (as the checked run does), freed and overrun blocks are recognised too.
inline bool HeapsIntact() {
    std::vector<HANDLE> heaps(256);
    const DWORD count = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    heaps.resize(std::min<std::size_t>(count, heaps.size()));
    return std::all_of(heaps.begin(), heaps.end(),
                       [](HANDLE heap) { return ::HeapValidate(heap, 0, nullptr) != FALSE; });
}

} // namespace vt
