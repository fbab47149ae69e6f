#pragma once
// Turns window style words into the names of the system's style constants, in the order the
// properties dialog lists them. Several names stand for combinations of bits, so the decoding
// prefers the combined name and drops the parts it already covers.
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// Names for a GWL_STYLE value; always ends with "WS_OVERLAPPED", whose value is 0.
std::vector<std::string> DecodeWindowStyle(uint32_t style);

// Names for a GWL_EXSTYLE value; always holds one name of each of the left/right, reading
// order and scroll-bar side pairs, so it is never shorter than three entries.
std::vector<std::string> DecodeExtendedStyle(uint32_t exStyle);

// Eight upper-case hexadecimal digits, zero padded, no prefix: 0x1A2B -> "00001A2B".
std::string Hex8(uint32_t value);

} // namespace vantrel
