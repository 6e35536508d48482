// Smooth resizing: whole ratios stay sharp, others blend only at edges.
#include <gtest/gtest.h>
#include "win/PixelResize.h"

namespace {

using Pixels = std::vector<uint32_t>;

TEST(PixelResize, AveragesTheAreaEachNewPixelCovers)
{
    const uint32_t black = 0x000000, white = 0xFFFFFF, light = 0xFEFEFE;
    const struct {
        Pixels from;
        int width, height, newWidth, newHeight;
        Pixels to;
    } cases[] = {
        // Halved: one pixel per 2 x 2 block, a half-covered block blends.
        {{black, black, white, white, black, black, white, black}, 4, 2, 2, 1, {black, 0xBFBFBF}},
        // Three quarters: the edge between black and white gets one grey pixel.
        {{black, black, light, light}, 4, 1, 3, 1, {black, 0x7F7F7F, light}},
        // Doubled: every pixel becomes a 2 x 2 block.
        {{0x102030, 0x405060}, 2, 1, 4, 2, {0x102030, 0x102030, 0x405060, 0x405060,
                                             0x102030, 0x102030, 0x405060, 0x405060}},
        {{0x123456}, 1, 1, 1, 1, {0x123456}},
        // Nothing to resize: too few pixels, or no size.
        {{black}, 2, 1, 1, 1, {}},
        {{black}, 1, 1, 0, 1, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.to, win::ResizePixels(c.from, c.width, c.height, c.newWidth, c.newHeight))
            << c.width << "x" << c.height << " -> " << c.newWidth << "x" << c.newHeight;
}

} // namespace
