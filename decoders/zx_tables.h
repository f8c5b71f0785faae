#pragma once
// Constant tables shared by the screen decoders: the ZX palette, the pixel
// masks, the attribute rule and the display-file row order.

#include <cstddef>
#include <cstdint>

namespace korvel {

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;

  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// Selects pixel k of a bitmap byte, counted from the left: bit 7 is leftmost.
inline constexpr uint8_t PixelMasks[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// Index = colour number (bit 0 blue, bit 1 red, bit 2 green), + 8 for bright.
// A lit channel is 0xBF at normal level and 0xFF bright; an unlit one is 0x08
// and 0x20, but black stays 0 at both levels.
inline constexpr Rgb ZxPalette[16] = {
    {0x00, 0x00, 0x00}, {0x08, 0x08, 0xBF}, {0xBF, 0x08, 0x08}, {0xBF, 0x08, 0xBF},
    {0x08, 0xBF, 0x08}, {0x08, 0xBF, 0xBF}, {0xBF, 0xBF, 0x08}, {0xBF, 0xBF, 0xBF},
    {0x00, 0x00, 0x00}, {0x20, 0x20, 0xFF}, {0xFF, 0x20, 0x20}, {0xFF, 0x20, 0xFF},
    {0x20, 0xFF, 0x20}, {0x20, 0xFF, 0xFF}, {0xFF, 0xFF, 0x20}, {0xFF, 0xFF, 0xFF},
};

inline constexpr Rgb RgbWhite = {0xFF, 0xFF, 0xFF};
inline constexpr Rgb RgbBlack = {0x00, 0x00, 0x00};

// Attribute byte: ink in bits 0-2, paper in bits 3-5, bit 6 brightens both,
// bit 7 (flash) is ignored.
constexpr uint8_t InkIndex(uint8_t attribute) { return (attribute & 7) | ((attribute >> 3) & 8); }
constexpr uint8_t PaperIndex(uint8_t attribute) { return (attribute >> 3) & 15; }

// Byte offset of pixel row y (0-191) in a bitmap laid out like the display
// file: three blocks of 64 rows; inside a block the 8 lines of a character row
// lie 256 bytes apart and consecutive character rows 32 bytes apart.
constexpr size_t ScreenRowOffset(unsigned y) {
  return 32 * ((y & 0xC0) | ((y & 7) << 3) | ((y >> 3) & 7));
}

inline constexpr size_t kBitmapBytes = 6144;
inline constexpr size_t kStandardScreenBytes = 6912;
inline constexpr uint16_t kScreenWidth = 256;
inline constexpr uint16_t kScreenHeight = 192;
inline constexpr size_t kScreenPixelBytes = size_t{kScreenWidth} * kScreenHeight * 3;

// Writes the eight pixels of one bitmap byte, leftmost first: ink where a bit
// is set, paper where it is clear. `out` receives 24 bytes.
inline void WriteInkPaperByte(uint8_t* out, uint8_t bits, Rgb ink, Rgb paper) {
  for (uint8_t mask : PixelMasks) {
    const Rgb& colour = (bits & mask) != 0 ? ink : paper;
    out[0] = colour.red;
    out[1] = colour.green;
    out[2] = colour.blue;
    out += 3;
  }
}

}  // namespace korvel
