#pragma once
// LCMP5: an LZ77 packer for ZX screens whose stream runs column by column
// within each third of the screen. Expands into the 6912-byte display-file
// layout.

#include "plugin/byte_reader.h"

namespace korvel {

inline constexpr size_t kLcmp5OutputBytes = 6912;

// The two generations of the depacker differ in two points only.
struct Lcmp5Variant {
  // The older one presets the 768 attribute bytes to 7 (white on black), so
  // attribute rows the stream leaves out show white on black.
  bool presetAttributes;
  // The older one finds the mode byte at (8 + N) modulo 256, an 8-bit sum.
  bool modeOffsetWraps;
};

inline constexpr Lcmp5Variant kLcmp5Current = {false, false};
inline constexpr Lcmp5Variant kLcmp5Older = {true, true};

// Maps a logical stream index to an output offset for one mode byte.
struct Lcmp5AddressMap {
  uint16_t startIndex;
  uint16_t bound;
  uint16_t linearOffset;

  static constexpr Lcmp5AddressMap ForMode(uint8_t mode) {
    return {static_cast<uint16_t>((mode & 3) * 2048), static_cast<uint16_t>(((mode ^ 0x18) & 0xFC) * 256),
            static_cast<uint16_t>(mode * 256)};
  }

  // Below the bound, index bits 12-11 are the third, 10-6 the character
  // column, 5-3 the character row and 2-0 the pixel line; the offset puts
  // them in display-file order. Above it the stream runs linearly.
  constexpr uint16_t Offset(uint16_t i) const {
    if (i < bound) {
      return static_cast<uint16_t>((i & 0x1800) | (i & 7) << 8 | ((i >> 3) & 7) << 5 | ((i >> 6) & 31));
    }
    return static_cast<uint16_t>(i + linearOffset);
  }
};

// `packed` starts at the "LCMP5" signature and runs to the end of the read
// buffer; `output` is 6912 bytes. Returns false, leaving `output` partly
// written, when the stream would read past `packed` or touch an offset of
// 6912 or more.
bool DepackLcmp5(ByteSpan packed, MutableByteSpan output, Lcmp5Variant variant);

}  // namespace korvel
