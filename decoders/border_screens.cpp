#include "decoders/border_screens.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr uint16_t kWidth = 384;
constexpr uint16_t kHeight = 304;
constexpr unsigned kScreenLeft = 64;
constexpr unsigned kScreenTop = 64;
constexpr unsigned kScreenBottom = kScreenTop + kScreenHeight;  // 256

// The border: the top rows, the side rows beside the screen, the bottom rows.
constexpr size_t kTopBytes = 24 * kScreenTop;                      // 1536
constexpr size_t kSideBytes = 8 * kScreenHeight;                   // 1536
constexpr size_t kBottomBytes = 24 * (kHeight - kScreenBottom);    // 1152
constexpr size_t kBorderBytes = kTopBytes + kSideBytes + kBottomBytes;

constexpr size_t kBscBytes = kStandardScreenBytes + kBorderBytes;       // 11136
constexpr size_t kBmc4Bytes = kBitmapBytes + 2 * 768 + kBorderBytes;   // 11904

// `count` border bytes from `out` on: each byte is 16 pixels, the left 8 in
// the colour of bits 0-2, the right 8 in that of bits 3-5; never bright.
void WriteBorderBytes(uint8_t* out, const uint8_t* bytes, unsigned count, const Rgb* palette) {
  for (unsigned b = 0; b < count; ++b, out += 48) {
    const Rgb left = palette[bytes[b] & 7];
    const Rgb right = palette[(bytes[b] >> 3) & 7];
    WriteInkPaperByte(out, 0, left, left);
    WriteInkPaperByte(out + 24, 0, right, right);
  }
}

void DrawBorder(Picture& picture, const uint8_t* border, const Rgb* palette) {
  const uint8_t* top = border;
  const uint8_t* sides = top + kTopBytes;
  const uint8_t* bottom = sides + kSideBytes;
  for (unsigned y = 0; y < kHeight; ++y) {
    uint8_t* row = picture.pixels + y * RowBytes(picture);
    if (y < kScreenTop) {
      WriteBorderBytes(row, top + 24 * y, 24, palette);
    } else if (y < kScreenBottom) {
      const uint8_t* side = sides + 8 * (y - kScreenTop);
      WriteBorderBytes(row, side, 4, palette);
      WriteBorderBytes(row + 3 * (kScreenLeft + kScreenWidth), side + 4, 4, palette);
    } else {
      WriteBorderBytes(row, bottom + 24 * (y - kScreenBottom), 24, palette);
    }
  }
}

// Pixel row y of the screen inside the border.
uint8_t* ScreenRow(Picture& picture, unsigned y) {
  return picture.pixels + (kScreenTop + y) * RowBytes(picture) + 3 * kScreenLeft;
}

}  // namespace

DecodeResult DecodeBscScreen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* data = file.Peek(0, kBscBytes);
  if (data == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kWidth, kHeight);
  if (picture == nullptr) return Decoded(nullptr);

  const uint8_t* attributes = data + kBitmapBytes;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    WriteAttributeRow(ScreenRow(*picture, y), data + ScreenRowOffset(y), attributes + 32 * (y / 8), drawing.runs);
  }
  DrawBorder(*picture, data + kStandardScreenBytes, drawing.palette);
  picture->mayFlash = AnyFlashing(attributes, 768);
  return Decoded(picture);
}

DecodeResult DecodeBmc4Screen(ByteSpan file, const Drawing& drawing) {
  const uint8_t* data = file.Peek(0, kBmc4Bytes);
  if (data == nullptr) return NotThisForm();
  Picture* picture = CreatePicture(kWidth, kHeight);
  if (picture == nullptr) return Decoded(nullptr);

  // 8x4 cells: the upper four lines of a character row take their colours
  // from the first bank of 768 attributes, the lower four from the second.
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const uint8_t* bank = data + kBitmapBytes + (y % 8 < 4 ? 0 : 768);
    WriteAttributeRow(ScreenRow(*picture, y), data + ScreenRowOffset(y), bank + 32 * (y / 8), drawing.runs);
  }
  DrawBorder(*picture, data + kBitmapBytes + 2 * 768, drawing.palette);
  picture->mayFlash = AnyFlashing(data + kBitmapBytes, 2 * 768);
  return Decoded(picture);
}

}  // namespace korvel
