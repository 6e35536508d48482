// Smooth resizing of pixel images (window-free).
#pragma once
#include <cstdint>
#include <vector>

namespace win {

// Resizes a `width` x `height` image of 0x00RRGGBB pixels (row after row) to
// `newWidth` x `newHeight`: each new pixel is the average of the area it covers,
// so whole ratios stay sharp and others get soft edges, never blocks or gaps.
// Empty when a size is not positive or `pixels` is too short.
std::vector<uint32_t> ResizePixels(const std::vector<uint32_t>& pixels, int width, int height, int newWidth,
                                   int newHeight);

} // namespace win
