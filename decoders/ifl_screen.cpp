#include "decoders/ifl_screen.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kIflScreenBytes = kBitmapBytes + 3072;

}  // namespace

DecodeResult DecodeIflScreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* screen = file.Peek(0, kIflScreenBytes);
  if (screen == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  // One attribute row of 32 bytes for each pair of pixel rows.
  const uint8_t* attributes = screen + kBitmapBytes;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    WriteAttributeRow(picture->pixels + y * RowBytes(*picture), screen + ScreenRowOffset(y), attributes + 32 * (y / 2), drawing.runs);
  }
  picture->mayFlash = AnyFlashing(attributes, kIflScreenBytes - kBitmapBytes);
  return Decoded(picture);
}

}  // namespace korvel
