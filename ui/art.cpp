#include "ui/art.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/gdi.h"
#include "res/art_ids.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kKey = 0xFF00FF; // ART_KEY_COLOR as 0x00RRGGBB

int VariantId(int id, int percent) {
    switch (percent) {
    case 125:
        return id + ART_ID_125;
    case 150:
        return id + ART_ID_150;
    case 200:
        return id + ART_ID_200;
    default:
        return id;
    }
}

SIZE SizeOf(HGDIOBJ bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof(info), &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, std::abs(info.bmHeight)};
}

BITMAPINFO TopDown(SIZE size, WORD bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The weights with which the old pixels along one axis make up new pixel `i`.
struct Span {
    int first;
    std::vector<double> weights;
};
Span SpanOf(int i, int from, int to) {
    const double start = static_cast<double>(i) * from / to;
    const double end = static_cast<double>(i + 1) * from / to;
    Span span{static_cast<int>(std::floor(start)), {}};
    for (int k = span.first; k < from && k < end; ++k) {
        span.weights.push_back(std::min(end, k + 1.0) - std::max(start, static_cast<double>(k)));
    }
    return span;
}

} // namespace

int ArtScalePercent(int dpi) {
    static constexpr int kDrawn[] = {100, 125, 150, 200};
    // Past the last but one, the largest drawing whatever the DPI.
    return *std::find_if(std::begin(kDrawn), std::end(kDrawn) - 1,
                         [dpi](int percent) { return dpi * 100 <= 96 * percent; });
}

platform::UniqueGdiObject LoadArtBitmap(HINSTANCE instance, int id, int dpi) {
    return platform::UniqueGdiObject(
        ::LoadImageA(instance, MAKEINTRESOURCEA(VariantId(id, ArtScalePercent(dpi))), IMAGE_BITMAP,
                     0, 0, LR_CREATEDIBSECTION));
}

platform::UniqueGdiObject LoadArtBitmap(HINSTANCE instance, int id, int dpi, SIZE size,
                                        bool keyed) {
    platform::UniqueGdiObject drawing = LoadArtBitmap(instance, id, dpi);
    const SIZE from = SizeOf(drawing.get());
    if (!drawing || size.cx <= 0 || size.cy <= 0 || (from.cx == size.cx && from.cy == size.cy)) {
        return drawing;
    }
    const platform::ScratchDc dc(nullptr);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(from.cx) * from.cy);
    BITMAPINFO readInfo = TopDown(from, 32);
    if (dc.get() == nullptr ||
        ::GetDIBits(dc.get(), static_cast<HBITMAP>(drawing.get()), 0, from.cy, pixels.data(),
                    &readInfo, DIB_RGB_COLORS) != from.cy) {
        return platform::UniqueGdiObject();
    }
    std::transform(pixels.begin(), pixels.end(), pixels.begin(),
                   [](std::uint32_t p) { return p & 0xFFFFFF; });
    const std::vector<std::uint32_t> resampled = ResamplePixels(pixels, from, size, keyed);
    // 24 bits, as the drawings are: a 32-bit picture with its alpha all zero counts as clear to
    // some painters (a themed static control's bitmap).
    BITMAPINFO info = TopDown(size, 24);
    void* bits = nullptr;
    platform::UniqueGdiObject result(
        ::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!result || bits == nullptr) {
        return platform::UniqueGdiObject();
    }
    const size_t stride = (static_cast<size_t>(size.cx) * 3 + 3) & ~static_cast<size_t>(3);
    for (int y = 0; y < size.cy; ++y) {
        auto* row = static_cast<BYTE*>(bits) + stride * y;
        for (int x = 0; x < size.cx; ++x) {
            const std::uint32_t p = resampled[static_cast<size_t>(y) * size.cx + x];
            row[x * 3] = static_cast<BYTE>(p);
            row[x * 3 + 1] = static_cast<BYTE>(p >> 8);
            row[x * 3 + 2] = static_cast<BYTE>(p >> 16);
        }
    }
    ::GdiFlush();
    return result;
}

std::vector<std::uint32_t> ResamplePixels(const std::vector<std::uint32_t>& pixels, SIZE from,
                                          SIZE to, bool keyed) {
    std::vector<std::uint32_t> out(static_cast<size_t>(std::max(0L, to.cx)) *
                                   static_cast<size_t>(std::max(0L, to.cy)));
    if (from.cx <= 0 || from.cy <= 0 || pixels.size() < static_cast<size_t>(from.cx) * from.cy) {
        return out;
    }
    std::vector<Span> columns;
    for (int x = 0; x < to.cx; ++x) {
        columns.push_back(SpanOf(x, from.cx, to.cx));
    }
    for (int y = 0; y < to.cy; ++y) {
        const Span row = SpanOf(y, from.cy, to.cy);
        for (int x = 0; x < to.cx; ++x) {
            const Span& column = columns[x];
            double total = 0, shown = 0, r = 0, g = 0, b = 0;
            for (size_t j = 0; j < row.weights.size(); ++j) {
                for (size_t i = 0; i < column.weights.size(); ++i) {
                    const double w = row.weights[j] * column.weights[i];
                    const std::uint32_t p =
                        pixels[static_cast<size_t>(row.first + static_cast<int>(j)) * from.cx +
                               column.first + static_cast<int>(i)];
                    total += w;
                    if (keyed && p == kKey) {
                        continue;
                    }
                    shown += w;
                    r += w * ((p >> 16) & 0xFF);
                    g += w * ((p >> 8) & 0xFF);
                    b += w * (p & 0xFF);
                }
            }
            std::uint32_t& target = out[static_cast<size_t>(y) * to.cx + x];
            if (shown <= 0 || (keyed && shown * 2 < total)) {
                target = kKey;
                continue;
            }
            auto channel = [&](double sum) {
                return static_cast<std::uint32_t>(std::lround(std::min(255.0, sum / shown)));
            };
            target = channel(r) << 16 | channel(g) << 8 | channel(b);
            if (keyed && target == kKey) {
                target = 0xFE00FF; // a picture pixel that averaged to the key stays shown
            }
        }
    }
    return out;
}

} // namespace vantrel
