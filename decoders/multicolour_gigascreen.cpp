#include "decoders/multicolour_gigascreen.h"

#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"

namespace korvel {

Picture* DecodeMulticolourScreen(ByteSpan data, const Drawing& drawing) {
  const uint8_t* screen = data.Peek(0, kMulticolourScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  // Rows in plain top-to-bottom order, one attribute byte per 8x1 cell.
  const uint8_t* attributes = screen + kBitmapBytes;
  uint8_t* out = picture->pixels;
  for (size_t row = 0; row < kBitmapBytes; row += 32, out += 3 * kScreenWidth) {
    WriteAttributeRow(out, screen + row, attributes + row, drawing.runs);
  }
  picture->mayFlash = AnyFlashing(attributes, kBitmapBytes);
  return picture;
}

void BlendBytes(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t bytes) {
  size_t i = 0;
  for (; i + 16 <= bytes; i += 16) Store16(out + i, Average16(Load16(a + i), Load16(b + i)));
  for (; i < bytes; ++i) out[i] = static_cast<uint8_t>((unsigned{a[i]} + b[i]) / 2);
}

void GigascreenBlend(const Picture& a, const Picture& b, Picture& result) {
  BlendBytes(result.pixels, a.pixels, b.pixels, PixelBytes(result));
}

void BlendScreens(const Picture& a, const Picture& b, Picture& result, const Drawing& drawing) {
  if (drawing.gigascreen != GigascreenMode::kLinear || drawing.linearMeans == nullptr) {
    GigascreenBlend(a, b, result);
    return;
  }
  const size_t bytes = PixelBytes(result);
  for (size_t i = 0; i < bytes; ++i) result.pixels[i] = drawing.linearMeans[256 * a.pixels[i] + b.pixels[i]];
}

// Both forms blend as the frames are expanded: sixteen pixels of each frame
// are built in registers, averaged there and stored once, so one picture is
// allocated, as for a single screen, and no pixel is written twice.

namespace {

constexpr size_t kRowBytes = 3 * size_t{kScreenWidth};

struct CellPairColours {
  RunPair paper;
  RunPair inkXorPaper;
};

CellPairColours ColoursOf(const uint8_t* attributes, const AttributeRuns* runs) {
  const AttributeRuns& left = runs[attributes[0]];
  const AttributeRuns& right = runs[attributes[1]];
  return {PairOf(left.paper, right.paper), PairOf(left.inkXorPaper, right.inkXorPaper)};
}

}  // namespace

namespace {

// A gigascreen of two `screenBytes` screens not blended byte by byte: one
// screen alone, or both blended in linear light.
Picture* UnblendedGigascreen(ByteSpan data, size_t screenBytes, Picture* (*decode)(ByteSpan, const Drawing&),
                             const Drawing& drawing) {
  if (drawing.gigascreen == GigascreenMode::kFlicker) {
    Picture* shown = decode(data.From(drawing.screen == 0 ? 0 : screenBytes), drawing);
    if (shown != nullptr) shown->twoScreens = true;
    return shown;
  }
  Picture* first = decode(data, drawing);
  Picture* second = first != nullptr ? decode(data.From(screenBytes), drawing) : nullptr;
  if (second == nullptr) {
    ReleasePicture(first);
    return nullptr;
  }
  BlendScreens(*first, *second, *first, drawing);
  first->mayFlash = first->mayFlash || second->mayFlash;
  first->twoScreens = true;
  ReleasePicture(second);
  return first;
}

}  // namespace

Picture* DecodeGigascreen(ByteSpan data, const Drawing& drawing) {
  const uint8_t* first = data.Peek(0, kGigascreenBytes);
  if (first == nullptr) return nullptr;
  if (drawing.gigascreen != GigascreenMode::kBlend) {
    return UnblendedGigascreen(data, kStandardScreenBytes, DecodeStandardScreen, drawing);
  }
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;
  const uint8_t* second = first + kStandardScreenBytes;
  // As a standard screen is expanded: a pair of cells at a time, down its
  // eight lines, the colours of both frames held in registers.
  for (unsigned row = 0; row < kScreenHeight / 8; ++row) {
    const size_t cells = kBitmapBytes + 32 * row;
    const size_t firstLine = ScreenRowOffset(8 * row);
    uint8_t* rowOut = picture->pixels + 8 * row * kRowBytes;
    for (unsigned c = 0; c < 32; c += 2) {
      const CellPairColours a = ColoursOf(first + cells + c, drawing.runs);
      const CellPairColours b = ColoursOf(second + cells + c, drawing.runs);
      for (unsigned line = 0; line < 8; ++line) {
        const size_t bits = firstLine + 256 * line + c;
        StorePair(rowOut + line * kRowBytes + 24 * c,
                  AveragePair(ExpandPair(first + bits, a.paper, a.inkXorPaper),
                              ExpandPair(second + bits, b.paper, b.inkXorPaper)));
      }
    }
  }
  picture->mayFlash = AnyFlashing(first + kBitmapBytes, 768) || AnyFlashing(second + kBitmapBytes, 768);
  picture->twoScreens = true;
  return picture;
}

Picture* DecodeMulticolourGigascreen(ByteSpan data, const Drawing& drawing) {
  const uint8_t* first = data.Peek(0, kMulticolourGigascreenBytes);
  if (first == nullptr) return nullptr;
  if (drawing.gigascreen != GigascreenMode::kBlend) {
    return UnblendedGigascreen(data, kMulticolourScreenBytes, DecodeMulticolourScreen, drawing);
  }
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;
  const uint8_t* second = first + kMulticolourScreenBytes;
  uint8_t* out = picture->pixels;
  for (size_t row = 0; row < kBitmapBytes; row += 32) {
    for (size_t c = row; c < row + 32; c += 2, out += 48) {
      const CellPairColours a = ColoursOf(first + kBitmapBytes + c, drawing.runs);
      const CellPairColours b = ColoursOf(second + kBitmapBytes + c, drawing.runs);
      StorePair(out, AveragePair(ExpandPair(first + c, a.paper, a.inkXorPaper),
                                 ExpandPair(second + c, b.paper, b.inkXorPaper)));
    }
  }
  picture->mayFlash = AnyFlashing(first + kBitmapBytes, kBitmapBytes) || AnyFlashing(second + kBitmapBytes, kBitmapBytes);
  picture->twoScreens = true;
  return picture;
}

}  // namespace korvel
