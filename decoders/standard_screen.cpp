#include "decoders/standard_screen.h"

#include <cstring>

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kRowBytes = size_t{kScreenWidth} * 3;

}  // namespace

// Two attribute cells at a time, down their eight pixel lines: the colours of
// the pair stay in registers, and each line of the pair costs two table
// lookups and three 16-byte stores. The pixels come out as the rule says,
// only not in address order.
Picture* DecodeStandardScreen(ByteSpan data, const Drawing& drawing) {
  const uint8_t* screen = data.Peek(0, kStandardScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  const uint8_t* attributes = screen + kBitmapBytes;
  for (unsigned row = 0; row < kScreenHeight / 8; ++row) {
    const uint8_t* cells = attributes + 32 * row;
    const uint8_t* firstLine = screen + ScreenRowOffset(8 * row);
    uint8_t* rowOut = picture->pixels + 8 * row * kRowBytes;
    for (unsigned c = 0; c < 32; c += 2) {
      const AttributeRuns& left = drawing.runs[cells[c]];
      const AttributeRuns& right = drawing.runs[cells[c + 1]];
      const RunPair paper = PairOf(left.paper, right.paper);
      const RunPair inkXorPaper = PairOf(left.inkXorPaper, right.inkXorPaper);
      for (unsigned line = 0; line < 8; ++line) {
        // The lines of a cell lie 256 bytes apart.
        WritePair(rowOut + line * kRowBytes + 24 * c, firstLine + 256 * line + c, paper, inkXorPaper);
      }
    }
  }
  picture->mayFlash = AnyFlashing(attributes, 768);
  return picture;
}

Picture* DecodeScreenOrBitmap(ByteSpan data, uint8_t hasAttributes, const Drawing& drawing) {
  if (hasAttributes != 0) return DecodeStandardScreen(data, drawing);
  const uint8_t* bitmap = data.Peek(0, kBitmapBytes);
  if (bitmap == nullptr) return nullptr;
  uint8_t screen[kStandardScreenBytes];
  memcpy(screen, bitmap, kBitmapBytes);
  memset(screen + kBitmapBytes, 7, kStandardScreenBytes - kBitmapBytes);
  return DecodeStandardScreen(ByteSpan(screen, sizeof screen), drawing);
}

}  // namespace korvel
