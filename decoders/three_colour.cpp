#include "decoders/three_colour.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

enum class RowOrder { displayFile, linear };

// `channelOfBitmap[b]` is the pixel byte (0 red, 1 green, 2 blue) that bitmap
// b (at offset 6144 * b) lights.
Picture* DecodeChannels(ByteSpan data, const uint8_t (&channelOfBitmap)[3], RowOrder order) {
  const uint8_t* screen = data.Peek(0, kThreeColourScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  const uint8_t* bitmapOfChannel[3];
  for (unsigned bitmap = 0; bitmap < 3; ++bitmap) {
    bitmapOfChannel[channelOfBitmap[bitmap]] = screen + kBitmapBytes * bitmap;
  }
  const uint8_t* red = bitmapOfChannel[0];
  const uint8_t* green = bitmapOfChannel[1];
  const uint8_t* blue = bitmapOfChannel[2];
  uint8_t* out = picture->pixels;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const size_t row = order == RowOrder::linear ? 32 * y : ScreenRowOffset(y);
    // From tables, eight pixels at a time; a clear bit writes the 0 the
    // picture already holds.
    WriteChannelRow(out, red + row, green + row, blue + row);
    out += 3 * kScreenWidth;
  }
  return picture;
}

}  // namespace

Picture* DecodeThreeColourScreen(ByteSpan data) {
  return DecodeChannels(data, {0, 1, 2}, RowOrder::displayFile);
}

Picture* DecodeBrgThreeColourScreen(ByteSpan data) {
  return DecodeChannels(data, {2, 0, 1}, RowOrder::displayFile);
}

Picture* DecodeLinearThreeColourScreen(ByteSpan data) {
  return DecodeChannels(data, {0, 1, 2}, RowOrder::linear);
}

}  // namespace korvel
