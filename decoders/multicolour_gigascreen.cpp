#include "decoders/multicolour_gigascreen.h"

#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"

namespace korvel {

Picture* DecodeMulticolourScreen(ByteSpan data) {
  const uint8_t* screen = data.Peek(0, kMulticolourScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  // Rows in plain top-to-bottom order, one attribute byte per 8x1 cell.
  const uint8_t* attributes = screen + kBitmapBytes;
  uint8_t* out = picture->pixels;
  for (size_t row = 0; row < kBitmapBytes; row += 32, out += 3 * kScreenWidth) {
    WriteAttributeRow(out, screen + row, attributes + row);
  }
  return picture;
}

void GigascreenBlend(const Picture& a, const Picture& b, Picture& result) {
  // Plain pointers: a store through result.pixels could otherwise change the
  // pointers themselves, and the loop would not be vectorised.
  const uint8_t* first = a.pixels;
  const uint8_t* second = b.pixels;
  uint8_t* out = result.pixels;
  const size_t bytes = PixelBytes(result);
  size_t i = 0;
  // Sixteen bytes at a time: (a & b) + ((a ^ b) >> 1) is (a + b) / 2 without
  // the carry out of eight bits.
  for (; i + 16 <= bytes; i += 16) {
    const Bytes16 x = Load16(first + i), y = Load16(second + i);
    Store16(out + i, (x & y) + ((x ^ y) >> 1));
  }
  for (; i < bytes; ++i) out[i] = static_cast<uint8_t>((unsigned{first[i]} + second[i]) / 2);
}

namespace {

using FrameDecoder = Picture* (*)(ByteSpan);

// Result first, then the two frames; the frames are released on every path.
Picture* DecodeFramePair(ByteSpan data, size_t frameBytes, FrameDecoder decodeFrame) {
  if (data.Peek(0, 2 * frameBytes) == nullptr) return nullptr;
  Picture* result = CreatePicture(kScreenWidth, kScreenHeight);
  if (result == nullptr) return nullptr;
  Picture* first = decodeFrame(data);
  Picture* second = first != nullptr ? decodeFrame(data.From(frameBytes)) : nullptr;
  if (second != nullptr) {
    GigascreenBlend(*first, *second, *result);
  } else {
    ReleasePicture(result);
    result = nullptr;
  }
  ReleasePicture(first);
  ReleasePicture(second);
  return result;
}

}  // namespace

Picture* DecodeGigascreen(ByteSpan data) {
  return DecodeFramePair(data, kStandardScreenBytes, DecodeStandardScreen);
}

Picture* DecodeMulticolourGigascreen(ByteSpan data) {
  return DecodeFramePair(data, kMulticolourScreenBytes, DecodeMulticolourScreen);
}

}  // namespace korvel
