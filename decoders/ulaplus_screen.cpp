#include "decoders/ulaplus_screen.h"

#include "decoders/zx_colour_levels.h"
#include "decoders/zx_tables.h"

namespace korvel {

DecodeResult DecodeUlaplusScreen(ByteSpan file, const Drawing& /*drawing*/) {
  const uint8_t* screen = file.Peek(0, kStandardScreenBytes + 64);
  if (screen == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  const UlaplusPalette palette = UlaplusPalette::FromBytes(screen + kStandardScreenBytes);
  const uint8_t* attributes = screen + kBitmapBytes;
  // Cell by cell: the cell's two colours are made into runs once, for its
  // eight lines.
  for (unsigned row = 0; row < kScreenHeight / 8; ++row) {
    for (unsigned c = 0; c < 32; ++c) {
      const uint8_t attribute = attributes[32 * row + c];
      const PixelRun paper = RunOf(palette.Paper(attribute));
      const PixelRun inkXorPaper = XorOf(RunOf(palette.Ink(attribute)), paper);
      for (unsigned y = 8 * row; y < 8 * row + 8; ++y) {
        WriteRun(picture->pixels + y * RowBytes(*picture) + 24 * c, screen[ScreenRowOffset(y) + c], paper, inkXorPaper);
      }
    }
  }
  // Its colours are not the Spectrum's: an added border would not match.
  picture->border = BorderTaken::kNone;
  return Decoded(picture);
}

}  // namespace korvel
