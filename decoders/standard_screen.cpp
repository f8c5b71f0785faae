#include "decoders/standard_screen.h"

#include <cstring>

#include "decoders/zx_tables.h"

namespace korvel {

Picture* DecodeStandardScreen(ByteSpan data) {
  const uint8_t* screen = data.Peek(0, kStandardScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  const uint8_t* attributes = screen + kBitmapBytes;
  uint8_t* out = picture->pixels;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const uint8_t* row = screen + ScreenRowOffset(y);
    const uint8_t* cells = attributes + 32 * (y / 8);
    for (unsigned c = 0; c < 32; ++c, out += 24) {
      const uint8_t attribute = cells[c];
      WriteInkPaperByte(out, row[c], ZxPalette[InkIndex(attribute)], ZxPalette[PaperIndex(attribute)]);
    }
  }
  return picture;
}

Picture* DecodeScreenOrBitmap(ByteSpan data, uint8_t hasAttributes) {
  if (hasAttributes != 0) return DecodeStandardScreen(data);
  const uint8_t* bitmap = data.Peek(0, kBitmapBytes);
  if (bitmap == nullptr) return nullptr;
  uint8_t screen[kStandardScreenBytes];
  memcpy(screen, bitmap, kBitmapBytes);
  memset(screen + kBitmapBytes, 7, kStandardScreenBytes - kBitmapBytes);
  return DecodeStandardScreen(ByteSpan(screen, sizeof screen));
}

}  // namespace korvel
