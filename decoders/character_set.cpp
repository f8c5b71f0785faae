#include "decoders/character_set.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

// `lineStride` is the distance between consecutive lines of one glyph and
// `glyphStride` the distance between consecutive glyphs.
Picture* DecodeGlyphs(ByteSpan data, uint16_t count, size_t glyphStride, size_t lineStride) {
  if (count == 0 || count % 32 != 0 || count > 256) return nullptr;
  const uint8_t* glyphs = data.Peek(0, size_t{count} * 8);
  if (glyphs == nullptr) return nullptr;
  Picture* picture = CreatePicture(256, static_cast<uint16_t>(count >> 2));
  if (picture == nullptr) return nullptr;

  for (size_t i = 0; i < count; ++i) {
    const size_t x0 = 8 * (i % 32);
    const size_t y0 = 8 * (i / 32);
    for (size_t n = 0; n < 8; ++n) {
      uint8_t* out = picture->pixels + 3 * (256 * (y0 + n) + x0);
      WriteInkPaperByte(out, glyphs[i * glyphStride + n * lineStride], RgbBlack, RgbWhite);
    }
  }
  return picture;
}

}  // namespace

Picture* DecodeCharacterSet(ByteSpan data, uint16_t characterCount) {
  return DecodeGlyphs(data, characterCount, 8, 1);
}

Picture* DecodeLineMajorCharacterSet(ByteSpan data) { return DecodeGlyphs(data, 256, 1, 256); }

}  // namespace korvel
