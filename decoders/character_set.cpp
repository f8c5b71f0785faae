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

  // Pixel row by pixel row, two glyphs at a time, so that the stores run
  // straight along each row.
  static constexpr PixelRun kPaper = RunOf(RgbWhite);
  static constexpr PixelRun kInkXorPaper = XorOf(RunOf(RgbBlack), kPaper);
  const RunPair paper = PairOf(kPaper, kPaper);
  const RunPair inkXorPaper = PairOf(kInkXorPaper, kInkXorPaper);
  uint8_t* out = picture->pixels;
  for (size_t first = 0; first < count; first += 32) {
    for (size_t n = 0; n < 8; ++n) {
      for (size_t i = first; i < first + 32; i += 2, out += 48) {
        const uint8_t bits[2] = {glyphs[i * glyphStride + n * lineStride], glyphs[(i + 1) * glyphStride + n * lineStride]};
        WritePair(out, bits, paper, inkXorPaper);
      }
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
