#include "decoders/mgh_gigascreen.h"

#include <cstring>

#include "decoders/blended_frames.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kBitmapStart = 256;
constexpr size_t kAttributeStart = kBitmapStart + 2 * kBitmapBytes;  // 12544

// Mode 1 keeps 8x1 cells in the middle 16 columns only; the 8 columns on
// each side have 8x8 cells, stored 16 bytes to a character row.
constexpr size_t kMiddleBytes = 16 * kScreenHeight;                   // 3072 per frame
constexpr size_t kOuterStart = kAttributeStart + 2 * kMiddleBytes;    // 18688
constexpr size_t kOuterBytes = 16 * (kScreenHeight / 8);              // 384 per frame

constexpr size_t RequiredBytes(unsigned mode) {
  return mode == 1 ? kOuterStart + 2 * kOuterBytes : kAttributeStart + 2 * (kBitmapBytes / mode);
}

// The 32 attributes of pixel row y of frame k.
void AttributeRow(const uint8_t* file, unsigned mode, unsigned k, unsigned y, uint8_t (&row)[32]) {
  if (mode != 1) {
    memcpy(row, file + kAttributeStart + k * (kBitmapBytes / mode) + 32 * (y / mode), 32);
    return;
  }
  const uint8_t* middle = file + kAttributeStart + k * kMiddleBytes + 16 * y;
  const uint8_t* outer = file + kOuterStart + k * kOuterBytes + 16 * (y / 8);
  memcpy(row, outer, 8);
  memcpy(row + 8, middle, 16);
  memcpy(row + 24, outer + 8, 8);
}

}  // namespace

DecodeResult DecodeMghGigascreen(ByteSpan file) {
  const uint8_t* header = file.Peek(0, 5);
  if (header == nullptr || memcmp(header, "MGH", 3) != 0 || header[3] != 1) return NotThisForm();
  const unsigned mode = header[4];
  if (mode != 1 && mode != 2 && mode != 4 && mode != 8) return NotThisForm();
  const uint8_t* data = file.Peek(0, RequiredBytes(mode));
  if (data == nullptr) return NotThisForm();

  auto drawFrame = [&](Picture& frame, unsigned k) {
    const uint8_t* bitmap = data + kBitmapStart + k * kBitmapBytes;
    uint8_t attributes[32];
    for (unsigned y = 0; y < kScreenHeight; ++y) {
      AttributeRow(data, mode, k, y, attributes);
      WriteAttributeRow(frame.pixels + y * RowBytes(frame), bitmap + ScreenRowOffset(y), attributes);
    }
  };
  return Decoded(BlendTwoFrames(kScreenWidth, kScreenHeight, drawFrame));
}

}  // namespace korvel
