#include "decoders/standard_screen.h"

#include <cstring>

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kRowBytes = size_t{kScreenWidth} * 3;

// Two attribute cells at a time, down their eight pixel lines: the colours of
// the pair stay in registers, and each line of the pair costs two table
// lookups and three 16-byte stores. The pixels come out as the rule says,
// only not in address order. With both phases, the second FLASH phase
// (`flashedRuns`) goes into `flashed` in the same pass, from the same bitmap
// lookups.
template <bool kBothPhases>
void DrawScreen(const uint8_t* screen, const AttributeRuns* runs, Picture& picture, const AttributeRuns* flashedRuns,
                Picture* flashed) {
  const uint8_t* attributes = screen + kBitmapBytes;
  for (unsigned row = 0; row < kScreenHeight / 8; ++row) {
    const uint8_t* cells = attributes + 32 * row;
    const uint8_t* firstLine = screen + ScreenRowOffset(8 * row);
    const size_t rowStart = 8 * row * kRowBytes;
    for (unsigned c = 0; c < 32; c += 2) {
      const AttributeRuns& left = runs[cells[c]];
      const AttributeRuns& right = runs[cells[c + 1]];
      const RunPair paper = PairOf(left.paper, right.paper);
      const RunPair inkXorPaper = PairOf(left.inkXorPaper, right.inkXorPaper);
      RunPair flashedPaper, flashedInkXorPaper;
      if constexpr (kBothPhases) {
        const AttributeRuns& flashedLeft = flashedRuns[cells[c]];
        const AttributeRuns& flashedRight = flashedRuns[cells[c + 1]];
        flashedPaper = PairOf(flashedLeft.paper, flashedRight.paper);
        flashedInkXorPaper = PairOf(flashedLeft.inkXorPaper, flashedRight.inkXorPaper);
      }
      for (unsigned line = 0; line < 8; ++line) {
        // The lines of a cell lie 256 bytes apart.
        const size_t at = rowStart + line * kRowBytes + 24 * c;
        const RunPair mask = MaskPair(firstLine + 256 * line + c);
        StorePair(picture.pixels + at, ExpandPair(mask, paper, inkXorPaper));
        if constexpr (kBothPhases) StorePair(flashed->pixels + at, ExpandPair(mask, flashedPaper, flashedInkXorPaper));
      }
    }
  }
}

}  // namespace

Picture* DecodeStandardScreen(ByteSpan data, const Drawing& drawing) {
  const uint8_t* screen = data.Peek(0, kStandardScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;
  const uint8_t* attributes = screen + kBitmapBytes;
  picture->mayFlash = AnyFlashing(attributes, 768);
  if (picture->mayFlash && drawing.flashedRuns != nullptr) {
    Picture* flashed = CreatePicture(kScreenWidth, kScreenHeight);
    if (flashed == nullptr) {
      ReleasePicture(picture);
      return nullptr;
    }
    DrawScreen<true>(screen, drawing.runs, *picture, drawing.flashedRuns, flashed);
    JoinWhenDiffering(*picture, flashed, kFlashDelay);
    picture->mayFlash = false;  // both phases are drawn here
    return picture;
  }
  DrawScreen<false>(screen, drawing.runs, *picture, nullptr, nullptr);
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
