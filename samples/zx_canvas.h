#pragma once
// Drawing pictures for the sample set: a canvas of ZX colour indexes (0-15,
// as the palette numbers them) and encoders into the ZX picture layouts.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::samples {

using Bytes = std::vector<uint8_t>;

struct Canvas {
  int width = 256;
  int height = 192;
  std::vector<uint8_t> colour = std::vector<uint8_t>(256 * 192, 0);  // palette index per pixel

  uint8_t& At(int x, int y) { return colour[static_cast<size_t>(y) * width + x]; }
  uint8_t At(int x, int y) const { return colour[static_cast<size_t>(y) * width + x]; }
};

// A landscape: banded sky, a sun, hills, a chequered field. `variant` shifts
// the shapes, so two frames of a gigascreen differ.
Canvas DrawLandscape(int variant = 0);

// Two colours per 8x`cellHeight` cell: the most common one becomes paper,
// the next ink; bright when the more common colour is bright.
uint8_t CellAttribute(const Canvas& canvas, int x0, int y0, int cellHeight);

// 6912 bytes: bitmap in display-file order, then 8x8 attributes.
Bytes EncodeStandardScreen(const Canvas& canvas);

// 12288 bytes: bitmap in plain row order, then 8x1 attributes.
Bytes EncodeMulticolourScreen(const Canvas& canvas);

// Display-file offset of pixel row y.
size_t DisplayRowOffset(int y);

}  // namespace korvel::samples
