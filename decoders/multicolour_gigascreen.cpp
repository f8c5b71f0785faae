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
  for (size_t i = 0; i < kBitmapBytes; ++i, out += 24) {
    const uint8_t attribute = attributes[i];
    WriteInkPaperByte(out, screen[i], ZxPalette[InkIndex(attribute)], ZxPalette[PaperIndex(attribute)]);
  }
  return picture;
}

void GigascreenBlend(const Picture& a, const Picture& b, Picture& result) {
  const size_t bytes = PixelBytes(result);
  for (size_t i = 0; i < bytes; ++i) {
    result.pixels[i] = static_cast<uint8_t>((unsigned{a.pixels[i]} + b.pixels[i]) / 2);
  }
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
