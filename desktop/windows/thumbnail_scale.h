#pragma once
// A picture scaled to fit a square thumbnail, as the Windows Shell wants it:
// 32-bit pixels (blue, green, red, 255), rows from the top. A picture that
// fits is enlarged by the largest whole factor that still fits, each pixel a
// square of equal pixels (a 256x192 screen is exact at 256, doubled at 512);
// a picture that does not fit is reduced by area averaging, each thumbnail
// pixel the mean of the picture area it covers. Plain code over the core's
// Picture, so the native build tests it too.

#include <cstddef>
#include <cstdint>

#include "plugin/picture.h"

namespace korvel::desktop {

// Larger boxes are refused: no Shell asks for more than 2560.
inline constexpr uint32_t kLargestThumbnailSide = 8192;

struct ThumbnailSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// The thumbnail's size for a `width` x `height` picture in a `side` x `side`
// box, the aspect kept: whole multiples when it fits, else the longer side
// `side` and the shorter one rounded (at least 1). {0, 0} when the picture
// has no pixels or `side` is 0 or above kLargestThumbnailSide.
ThumbnailSize FitThumbnail(uint32_t width, uint32_t height, uint32_t side);

inline constexpr size_t kThumbnailBytesPerPixel = 4;

// Writes `picture` at `size` (from FitThumbnail for it) into `bgra`, which
// holds size.width * size.height * 4 bytes. False when the reduction's work
// rows cannot be allocated.
bool ScaleThumbnail(const Picture& picture, ThumbnailSize size, uint8_t* bgra);

}  // namespace korvel::desktop
