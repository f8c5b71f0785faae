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

// Each screen keeps its border colour (bytes 5 and 6): blended or
// flickered with its screen.
void KeepScreensBorders(Picture& picture, const uint8_t* colours, const Drawing& drawing) {
  const Rgb first = drawing.palette[colours[0] & 7], second = drawing.palette[colours[1] & 7];
  if (drawing.gigascreen == GigascreenMode::kFlicker) {
    KeepBorder(picture, drawing.screen == 0 ? first : second);
    return;
  }
  uint8_t a[3] = {first.red, first.green, first.blue}, b[3] = {second.red, second.green, second.blue}, mean[3];
  const Picture pixelA = {a, 1, 1, 0, nullptr, {}, {}, false, false}, pixelB = {b, 1, 1, 0, nullptr, {}, {}, false, false};
  Picture blend = {mean, 1, 1, 0, nullptr, {}, {}, false, false};
  BlendScreens(pixelA, pixelB, blend, drawing);
  KeepBorder(picture, {mean[0], mean[1], mean[2]});
}

}  // namespace

DecodeResult DecodeMghGigascreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* header = file.Peek(0, 5);
  if (header == nullptr || memcmp(header, "MGH", 3) != 0 || header[3] != 1) return NotThisForm();
  const unsigned mode = header[4];
  if (mode != 1 && mode != 2 && mode != 4 && mode != 8) return NotThisForm();
  const uint8_t* data = file.Peek(0, RequiredBytes(mode));
  if (data == nullptr) return NotThisForm();

  bool flashing = false;
  auto drawFrame = [&](Picture& frame, unsigned k) {
    const uint8_t* bitmap = data + kBitmapStart + k * kBitmapBytes;
    uint8_t attributes[32];
    for (unsigned y = 0; y < kScreenHeight; ++y) {
      AttributeRow(data, mode, k, y, attributes);
      WriteAttributeRow(frame.pixels + y * RowBytes(frame), bitmap + ScreenRowOffset(y), attributes, drawing.runs);
      flashing = flashing || AnyFlashing(attributes, 32);
    }
  };
  Picture* picture = BlendTwoFrames(kScreenWidth, kScreenHeight, drawFrame, drawing);
  if (picture != nullptr) {
    KeepScreensBorders(*picture, data + 5, drawing);
    picture->mayFlash = flashing;
    picture->twoScreens = true;
  }
  return Decoded(picture);
}

}  // namespace korvel
