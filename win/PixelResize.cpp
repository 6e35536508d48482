// Smooth resizing of pixel images (window-free).
#include "win/PixelResize.h"
#include <algorithm>

namespace win {

namespace {

struct Tap {
    int source;
    double weight;
};

// For every new pixel along one axis, the old pixels it covers and how much of each.
std::vector<std::vector<Tap>> Taps(int from, int to)
{
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double span = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double start = i * span;
        const double end = start + span;
        for (int s = static_cast<int>(start); s < from && s < end; ++s) {
            const double overlap = std::min(end, s + 1.0) - std::max(start, static_cast<double>(s));
            if (overlap > 1e-9)
                taps[static_cast<size_t>(i)].push_back({s, overlap / span});
        }
    }
    return taps;
}

uint32_t Pack(const double* channels)
{
    uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
        const double value = std::min(255.0, std::max(0.0, channels[c] + 0.5));
        pixel |= static_cast<uint32_t>(value) << (8 * c);
    }
    return pixel;
}

} // namespace

std::vector<uint32_t> ResizePixels(const std::vector<uint32_t>& pixels, int width, int height, int newWidth,
                                   int newHeight)
{
    if (width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0 ||
        pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
        return std::vector<uint32_t>();
    // Across first, into three channels per pixel, then down.
    const std::vector<std::vector<Tap>> across = Taps(width, newWidth);
    std::vector<double> rows(static_cast<size_t>(height) * newWidth * 3, 0.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < newWidth; ++x) {
            double* out = &rows[(static_cast<size_t>(y) * newWidth + x) * 3];
            for (const Tap& tap : across[static_cast<size_t>(x)]) {
                const uint32_t pixel = pixels[static_cast<size_t>(y) * width + tap.source];
                for (int c = 0; c < 3; ++c)
                    out[c] += ((pixel >> (8 * c)) & 0xFF) * tap.weight;
            }
        }
    const std::vector<std::vector<Tap>> down = Taps(height, newHeight);
    std::vector<uint32_t> resized(static_cast<size_t>(newWidth) * newHeight);
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x) {
            double sum[3] = {0.0, 0.0, 0.0};
            for (const Tap& tap : down[static_cast<size_t>(y)]) {
                const double* in = &rows[(static_cast<size_t>(tap.source) * newWidth + x) * 3];
                for (int c = 0; c < 3; ++c)
                    sum[c] += in[c] * tap.weight;
            }
            resized[static_cast<size_t>(y) * newWidth + x] = Pack(sum);
        }
    return resized;
}

} // namespace win
