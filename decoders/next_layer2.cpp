#include "decoders/next_layer2.h"

#include "decoders/zx_colour_levels.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kPixelCount = size_t{kScreenWidth} * kScreenHeight;  // 49152
constexpr size_t kPaletteBytes = 2 * 256;

}  // namespace

DecodeResult DecodeNextLayer2Picture(ByteSpan file, const Drawing& /*drawing*/) {
  const bool hasPalette = file.size() == kPaletteBytes + kPixelCount;
  if (!hasPalette && file.size() != kPixelCount) return NotThisForm();
  const uint8_t* palette = hasPalette ? file.Peek(0, kPaletteBytes) : nullptr;
  const uint8_t* pixels = file.Peek(hasPalette ? kPaletteBytes : 0, kPixelCount);
  if (pixels == nullptr) return NotThisForm();

  // Without a palette, index i is the colour RRRGGGBB = i, its low blue bit
  // set when either blue bit is, so that blue 3 is full blue.
  Rgb colours[256];
  for (unsigned i = 0; i < 256; ++i) {
    colours[i] = hasPalette ? NextColour(palette[2 * i], palette[2 * i + 1])
                            : NextColour(static_cast<uint8_t>(i), (i & 3) != 0 ? 1 : 0);
  }
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);
  uint8_t* out = picture->pixels;
  for (size_t i = 0; i < kPixelCount; ++i, out += 3) {
    const Rgb colour = colours[pixels[i]];
    out[0] = colour.red, out[1] = colour.green, out[2] = colour.blue;
  }
  // Its colours are not the Spectrum's: an added border would not match.
  picture->border = BorderTaken::kNone;
  return Decoded(picture);
}

}  // namespace korvel
