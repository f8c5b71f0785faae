#include "host/png_palette.h"

namespace korvel::host {

namespace {

uint32_t ColourAt(const uint8_t* pixel) {
  return static_cast<uint32_t>(pixel[0]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[2];
}

int FirstSlot(uint32_t colour) {
  return static_cast<int>((colour * 0x9E3779B1u) >> 22);  // the top 10 bits: 1024 slots
}

// The slot that holds `colour`, or the empty slot where it belongs.
int FindSlot(const PngPalette& palette, uint32_t colour) {
  const uint32_t key = colour | PngPalette::kUsed;
  int slot = FirstSlot(colour);
  while (palette.slotColour[slot] != 0 && palette.slotColour[slot] != key) {
    slot = (slot + 1) & (PngPalette::kSlots - 1);
  }
  return slot;
}

}  // namespace

int PaletteBitDepth(int colours) {
  if (colours <= 2) return 1;
  if (colours <= 4) return 2;
  if (colours <= 16) return 4;
  return 8;
}

// Every pixel is looked up: a cache of the last colour or two saves nothing
// on flat pictures and costs mispredicted branches on busy ones.
bool AddToPalette(const uint8_t* rgb, size_t pixels, PngPalette& palette) {
  for (size_t i = 0; i < pixels; ++i, rgb += 3) {
    const uint32_t colour = ColourAt(rgb);
    const int slot = FindSlot(palette, colour);
    if (palette.slotColour[slot] == 0) {
      if (palette.count == 256) {
        palette.count = 0;
        return false;
      }
      palette.slotColour[slot] = colour | PngPalette::kUsed;
      palette.slotIndex[slot] = static_cast<uint8_t>(palette.count);
      uint8_t* entry = palette.rgb + 3 * palette.count;
      entry[0] = rgb[0];
      entry[1] = rgb[1];
      entry[2] = rgb[2];
      ++palette.count;
    }
  }
  return true;
}

bool BuildPalette(const Image& image, PngPalette& palette) {
  palette = PngPalette();
  const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (!AddToPalette(image.rgb.data(), pixels, palette)) return false;
  palette.bitDepth = PaletteBitDepth(palette.count);
  return true;
}

size_t PackedRowBytes(int width, int bitDepth) {
  return (static_cast<size_t>(width) * static_cast<size_t>(bitDepth) + 7) / 8;
}

void PackRow(const PngPalette& palette, const uint8_t* rgbRow, int width, uint8_t* packed) {
  const int depth = palette.bitDepth;
  const int perByte = 8 / depth;
  unsigned bits = 0;
  int filled = 0;
  for (int x = 0; x < width; ++x, rgbRow += 3) {
    bits = bits << depth | palette.slotIndex[FindSlot(palette, ColourAt(rgbRow))];
    if (++filled == perByte) {
      *packed++ = static_cast<uint8_t>(bits);
      bits = 0;
      filled = 0;
    }
  }
  if (filled != 0) *packed = static_cast<uint8_t>(bits << (depth * (perByte - filled)));
}

}  // namespace korvel::host
