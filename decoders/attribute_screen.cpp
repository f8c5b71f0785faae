#include "decoders/attribute_screen.h"

#include <cstring>

#include "decoders/zx_tables.h"

namespace korvel {

Picture* DrawAttributesOverPattern(const uint8_t* attributes, const uint8_t (&pattern)[8], const AttributeRuns* runs) {
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;
  uint8_t lines[8][32];
  for (unsigned n = 0; n < 8; ++n) memset(lines[n], pattern[n], 32);
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    WriteAttributeRow(picture->pixels + y * RowBytes(*picture), lines[y % 8], attributes + 32 * (y / 8), runs);
  }
  return picture;
}

DecodeResult DecodeAttributeScreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* attributes = file.Peek(0, 768);
  if (attributes == nullptr) return NotThisForm();
  // The file has no bitmap: a checkerboard shows both colours of every cell.
  static constexpr uint8_t kCheckerboard[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  Picture* picture = DrawAttributesOverPattern(attributes, kCheckerboard, drawing.runs);
  if (picture != nullptr) picture->mayFlash = AnyFlashing(attributes, 768);
  return Decoded(picture);
}

}  // namespace korvel
