#pragma once
// Colours given as 3-bit levels per channel, as the ULAplus palette, text
// pictures with a palette and Next layer-2 pictures give them.

#include <cstdint>

#include "decoders/zx_tables.h"

namespace korvel {

// A 3-bit level 0-7 as a byte: 0, 36, 73, 109, 146, 182, 219, 255.
constexpr uint8_t LevelByte(unsigned level) {
  return static_cast<uint8_t>((level << 5) | (level << 2) | (level >> 1));
}

// A 2-bit blue as a 3-bit level: 0 stays 0, and the others get a low 1 so
// that 3 reaches full blue.
constexpr unsigned BlueLevel(unsigned blue2) { return blue2 * 2 + (blue2 != 0 ? 1 : 0); }

// A ULAplus palette byte GGGRRRBB.
constexpr Rgb UlaplusColour(uint8_t entry) {
  return {LevelByte((entry >> 2) & 7), LevelByte(entry >> 5), LevelByte(BlueLevel(entry & 3))};
}

// The 64 colours of a ULAplus palette, and the attribute rule over them:
// flash and bright select one of four groups of 16 (8 inks, 8 papers).
struct UlaplusPalette {
  Rgb colours[64];

  static UlaplusPalette FromBytes(const uint8_t* entries) {
    UlaplusPalette palette;
    for (int i = 0; i < 64; ++i) palette.colours[i] = UlaplusColour(entries[i]);
    return palette;
  }
  Rgb Ink(uint8_t attribute) const { return colours[16 * (attribute >> 6) + (attribute & 7)]; }
  Rgb Paper(uint8_t attribute) const { return colours[16 * (attribute >> 6) + 8 + ((attribute >> 3) & 7)]; }
};

// A Next colour: RRRGGGBB plus the low bit of a 3-bit blue.
constexpr Rgb NextColour(uint8_t rrrgggbb, unsigned lowBlue) {
  return {LevelByte(rrrgggbb >> 5), LevelByte((rrrgggbb >> 2) & 7), LevelByte((rrrgggbb & 3) * 2 + (lowBlue & 1))};
}

}  // namespace korvel
