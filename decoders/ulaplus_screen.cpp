#include "decoders/ulaplus_screen.h"

#include "decoders/zx_colour_levels.h"
#include "decoders/zx_tables.h"

namespace korvel {

DecodeResult DecodeUlaplusScreen(ByteSpan file) {
  const uint8_t* screen = file.Peek(0, kStandardScreenBytes + 64);
  if (screen == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  const UlaplusPalette palette = UlaplusPalette::FromBytes(screen + kStandardScreenBytes);
  const uint8_t* attributes = screen + kBitmapBytes;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const uint8_t* bits = screen + ScreenRowOffset(y);
    const uint8_t* cells = attributes + 32 * (y / 8);
    uint8_t* out = picture->pixels + y * RowBytes(*picture);
    for (unsigned c = 0; c < 32; ++c, out += 24) {
      WriteInkPaperByte(out, bits[c], palette.Ink(cells[c]), palette.Paper(cells[c]));
    }
  }
  return Decoded(picture);
}

}  // namespace korvel
