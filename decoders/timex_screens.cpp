#include "decoders/timex_screens.h"

#include "decoders/zx_tables.h"

namespace korvel {

DecodeResult DecodeTimexHiColourScreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* screen = file.Peek(0, 2 * kBitmapBytes);
  if (screen == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  // The attributes lie in display-file order too, one per 8x1 cell.
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const size_t row = ScreenRowOffset(y);
    WriteAttributeRow(picture->pixels + y * RowBytes(*picture), screen + row, screen + kBitmapBytes + row, drawing.runs);
  }
  picture->mayFlash = AnyFlashing(screen + kBitmapBytes, kBitmapBytes);
  return Decoded(picture);
}

DecodeResult DecodeTimexHiResScreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* screen = file.Peek(0, 2 * kBitmapBytes + 1);
  if (screen == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(2 * kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  const unsigned ink = (screen[2 * kBitmapBytes] >> 3) & 7;
  const Rgb inkColour = drawing.palette[8 + ink];
  const Rgb paperColour = drawing.palette[8 + 7 - ink];
  // Each row of 64 bytes alternates between the two bitmaps: even bytes
  // from the first, odd ones from the second.
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const uint8_t* first = screen + ScreenRowOffset(y);
    const uint8_t* second = first + kBitmapBytes;
    uint8_t* out = picture->pixels + y * RowBytes(*picture);
    for (unsigned k = 0; k < 32; ++k, out += 48) {
      WriteInkPaperByte(out, first[k], inkColour, paperColour);
      WriteInkPaperByte(out + 24, second[k], inkColour, paperColour);
    }
  }
  return Decoded(picture);
}

}  // namespace korvel
