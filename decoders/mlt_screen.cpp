#include "decoders/mlt_screen.h"

#include "decoders/zx_tables.h"

namespace korvel {

DecodeResult DecodeMltScreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* screen = file.Peek(0, 2 * kBitmapBytes);
  if (screen == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  // Bitmap rows in display-file order; one attribute row of 32 bytes per pixel row.
  const uint8_t* attributes = screen + kBitmapBytes;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    WriteAttributeRow(picture->pixels + y * RowBytes(*picture), screen + ScreenRowOffset(y), attributes + 32 * y, drawing.runs);
  }
  picture->mayFlash = AnyFlashing(attributes, kBitmapBytes);
  return Decoded(picture);
}

}  // namespace korvel
