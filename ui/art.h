#pragma once
// The program's pictures at the display's scale. Each is drawn at 1x, 1.25x, 1.5x and 2x
// (res/art_ids.h); the loader takes the drawing made for the DPI and never enlarges a smaller
// one, so that nothing looks blurred.
#include <windows.h>
#include <cstdint>
#include <vector>

#include "platform/handles.h"

namespace vantrel {

// The scale in percent of the drawing for `dpi`: the smallest drawn scale at or above dpi / 96,
// and the 2x drawing above 2x.
int ArtScalePercent(int dpi);

// The drawing of picture `id` for `dpi` as a DIB section of its own size; empty when missing.
platform::UniqueGdiObject LoadArtBitmap(HINSTANCE instance, int id, int dpi = 96);

// The same drawing at exactly `size`, resampled by area when the drawing's size differs (a 1.5x
// drawing for a 1.25x rectangle, say). Keyed pictures stay keyed: see ResamplePixels.
platform::UniqueGdiObject LoadArtBitmap(HINSTANCE instance, int id, int dpi, SIZE size, bool keyed);

// Resamples 0x00RRGGBB pixels (rows top first) by the area each new pixel covers. With `keyed`,
// ART_KEY_COLOR is "no picture": a new pixel is the key when less than half of what it covers is
// picture, else the average of the picture pixels alone. Averaging the key in would leave pink
// edges that TransparentBlt and image list masks show as they are.
std::vector<std::uint32_t> ResamplePixels(const std::vector<std::uint32_t>& pixels, SIZE from,
                                          SIZE to, bool keyed);

} // namespace vantrel
