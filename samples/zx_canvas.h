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

// The bitmap byte of the 8 pixels from (x0, y) for a cell with this
// attribute: a pixel is ink when its colour number is the ink's.
uint8_t InkBits(const Canvas& canvas, int x0, int y, uint8_t attribute);

// 6912 bytes: bitmap in display-file order, then 8x8 attributes.
Bytes EncodeStandardScreen(const Canvas& canvas);

// 12288 bytes: bitmap in plain row order, then 8x1 attributes.
Bytes EncodeMulticolourScreen(const Canvas& canvas);

// Display-file offset of pixel row y.
size_t DisplayRowOffset(int y);

// One frame of a sunset over the sea, for gigascreens: where the two frames
// differ, the blended picture shows a colour between theirs, so the sky
// comes out as a smooth run of shades.
Canvas DrawSunset(int frame);

// Three overlapping discs of red, green and blue light on black, with their
// mixtures where they overlap and a white core: colour numbers 0-7, any per
// pixel.
Canvas DrawColourDiscs();

// A night town under a rainbow: colour numbers 0-7, any per pixel.
Canvas DrawRainbowTown();

// The three channel bitmaps of a canvas of colour numbers 0-7: bitmap b
// holds the channel `channelOfBitmap[b]` (0 red, 1 green, 2 blue), rows in
// display-file order or, with `linear`, plain top-to-bottom order.
Bytes EncodeChannelBitmaps(const Canvas& canvas, const int (&channelOfBitmap)[3], bool linear);

// The glyph of character `code` (0-255) of the sample font: letters and
// digits built from the strokes of a sixteen-segment display, signs, block
// graphics and patterns above 127; the space (32) is blank. 8 bytes, top
// line first, bit 7 leftmost.
std::vector<uint8_t> SampleGlyph(int code);

// A small picture of `widthCells` x `heightCells` character cells.
Canvas DrawSprite(int kind, int widthCells, int heightCells);

}  // namespace korvel::samples
