#pragma once
// The indexed form of a picture, shared by the PNG writers: a picture of at
// most 256 colours is written as a palette and rows of indices packed at the
// smallest bit depth that holds them, which is several times smaller and
// faster to deflate than 24-bit RGB. Only a colour table is built; rows are
// packed one at a time, so a picture of any size takes no second copy.

#include <cstddef>
#include <cstdint>

#include "host/plugins.h"

namespace korvel::host {

struct PngPalette {
  int count = 0;     // colours, in order of first appearance; 0: more than 256
  int bitDepth = 8;  // bits an index: 1, 2, 4 or 8
  uint8_t rgb[256 * 3] = {};

  // Colour (0xRRGGBB) to index, open addressing at a quarter load at most:
  // nearly every look-up ends at its first slot.
  static constexpr int kSlots = 1024;
  uint32_t slotColour[kSlots] = {};  // colour | kUsed; 0: empty
  uint8_t slotIndex[kSlots] = {};
  static constexpr uint32_t kUsed = 1u << 24;
};

// The smallest PNG bit depth whose indices number `colours` (1 to 256).
int PaletteBitDepth(int colours);

// Collects the picture's colours. False, with `count` 0, when it has more
// than 256: it is then written as RGB.
bool BuildPalette(const Image& image, PngPalette& palette);

// Adds the colours of `pixels` RGB pixels to the palette, leaving bitDepth
// alone. False, with `count` 0, once there are more than 256.
bool AddToPalette(const uint8_t* rgb, size_t pixels, PngPalette& palette);

// Bytes of one row of `width` indices at `bitDepth`.
size_t PackedRowBytes(int width, int bitDepth);

// One row of `width` RGB pixels as indices of the palette (which holds every
// colour of the row), leftmost pixel in the high bits, the last byte's
// unused bits zero.
void PackRow(const PngPalette& palette, const uint8_t* rgbRow, int width, uint8_t* packed);

}  // namespace korvel::host
