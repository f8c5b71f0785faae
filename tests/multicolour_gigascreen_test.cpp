// Multicolour screens, gigascreens and multicolour gigascreens.

#include <gtest/gtest.h>

#include <algorithm>

#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;

ByteSpan Span(const Bytes& bytes) { return ByteSpan(bytes.data(), bytes.size()); }

bool SamePixels(const Picture& a, const Picture& b) {
  return a.width == b.width && a.height == b.height && std::equal(a.pixels, a.pixels + PixelBytes(a), b.pixels);
}

TEST(MulticolourScreen, RowsArePlainAndEachRowHasItsOwnAttributes) {
  Bytes screen(12288, 0);
  screen[32] = 0xFF;           // row 1, column 0 (plain order, not the display file)
  screen[6144 + 32] = 0x0A;    // its attribute: ink red, paper blue
  screen[256] = 0x80;          // row 8, column 0
  screen[6144 + 256] = 0x47;   // bright white ink
  screen[6144] = 0x38;         // row 0, column 0: white paper
  screen[6144 + 33] = 0x4A;    // row 1, column 1: bright blue paper
  PicturePtr picture(DecodeMulticolourScreen(Span(screen)));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 256);
  EXPECT_EQ(picture->height, 192);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(PixelAt(*picture, x, 0), ZxPalette[7]);   // row 0: paper of 0x38
    EXPECT_EQ(PixelAt(*picture, x, 1), ZxPalette[2]);   // row 1: ink of 0x0A
    EXPECT_EQ(PixelAt(*picture, x, 2), ZxPalette[0]);   // row 2: attribute 0
  }
  EXPECT_EQ(PixelAt(*picture, 8, 1), ZxPalette[9]);
  EXPECT_EQ(PixelAt(*picture, 0, 8), ZxPalette[15]);
  EXPECT_EQ(PixelAt(*picture, 1, 8), ZxPalette[8]);
  EXPECT_EQ(PixelAt(*picture, 0, 7), ZxPalette[0]);  // nothing else lit
}

TEST(MulticolourScreen, EveryCellFollowsTheAttributeRule) {
  // A cell per (row, column) with its own attribute: every pixel is checked.
  Bytes screen(12288, 0);
  for (size_t i = 0; i < 6144; ++i) {
    screen[i] = static_cast<uint8_t>(i * 37);
    screen[6144 + i] = static_cast<uint8_t>(i * 11 + 3);
  }
  PicturePtr picture(DecodeMulticolourScreen(Span(screen)));
  ASSERT_TRUE(picture);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const size_t cell = 32 * static_cast<size_t>(y) + x / 8;
      const uint8_t attribute = screen[6144 + cell];
      const bool set = (screen[cell] & PixelMasks[x % 8]) != 0;
      ASSERT_EQ(PixelAt(*picture, x, y), ZxPalette[set ? InkIndex(attribute) : PaperIndex(attribute)]) << x << "," << y;
    }
  }
}

TEST(Gigascreen, BlendAveragesEachByteAndDropsTheRemainder) {
  // One cell per pairing: frame A ink over frame B ink.
  struct Case {
    uint8_t first, second;  // attributes with every bit set: the ink shows
    Rgb blended;
  };
  const Case cases[] = {
      {0x47, 0x00, {127, 127, 127}},  // bright white over black
      {0x07, 0x00, {95, 95, 95}},     // white over black
      {0x07, 0x47, {223, 223, 223}},  // white over bright white
      {0x42, 0x02, {223, 20, 20}},    // red: 255/191 and off channels 32/8
      {0x41, 0x01, {20, 20, 223}},
  };
  Bytes pair(13824, 0);
  for (size_t i = 0; i < std::size(cases); ++i) {
    for (int line = 0; line < 8; ++line) {
      pair[ScreenRowOffset(line) + i] = 0xFF;
      pair[6912 + ScreenRowOffset(line) + i] = 0xFF;
    }
    pair[6144 + i] = cases[i].first;
    pair[6912 + 6144 + i] = cases[i].second;
  }
  PicturePtr picture(DecodeGigascreen(Span(pair)));
  ASSERT_TRUE(picture);
  for (size_t i = 0; i < std::size(cases); ++i) {
    for (int y = 0; y < 8; ++y) {
      EXPECT_EQ(PixelAt(*picture, static_cast<int>(8 * i) + y, y), cases[i].blended) << "case " << i;
    }
  }
}

TEST(Gigascreen, BlendIsOrderFreeAndExact) {
  Picture* a = CreatePicture(4, 1);
  Picture* b = CreatePicture(4, 1);
  Picture* result = CreatePicture(4, 1);
  ASSERT_TRUE(a && b && result);
  const uint8_t first[12] = {255, 0, 1, 254, 255, 0, 7, 8, 9, 200, 100, 255};
  const uint8_t second[12] = {255, 255, 0, 255, 0, 1, 8, 8, 32, 201, 101, 254};
  std::copy(std::begin(first), std::end(first), a->pixels);
  std::copy(std::begin(second), std::end(second), b->pixels);
  GigascreenBlend(*a, *b, *result);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(result->pixels[i], (first[i] + second[i]) / 2) << i;
  GigascreenBlend(*b, *a, *a);  // in place, either order
  EXPECT_TRUE(std::equal(a->pixels, a->pixels + 12, result->pixels));
  ReleasePicture(a);
  ReleasePicture(b);
  ReleasePicture(result);
}

TEST(Gigascreen, IdenticalHalvesGiveTheSingleFrame) {
  Bytes screen(6912);
  for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i * 29 + (i >> 5));
  Bytes pair = screen;
  pair.insert(pair.end(), screen.begin(), screen.end());
  PicturePtr single(DecodeStandardScreen(Span(screen)));
  PicturePtr blended(DecodeGigascreen(Span(pair)));
  ASSERT_TRUE(single && blended);
  EXPECT_TRUE(SamePixels(*single, *blended));

  Bytes multicolour(12288);
  for (size_t i = 0; i < multicolour.size(); ++i) multicolour[i] = static_cast<uint8_t>(i * 13 + (i >> 7));
  Bytes multicolourPair = multicolour;
  multicolourPair.insert(multicolourPair.end(), multicolour.begin(), multicolour.end());
  PicturePtr singleMc(DecodeMulticolourScreen(Span(multicolour)));
  PicturePtr blendedMc(DecodeMulticolourGigascreen(Span(multicolourPair)));
  ASSERT_TRUE(singleMc && blendedMc);
  EXPECT_TRUE(SamePixels(*singleMc, *blendedMc));
}

TEST(Gigascreen, SecondFrameStartsRightAfterTheFirst) {
  // Multicolour gigascreen: the second frame's first cell at 12288.
  Bytes pair(24576, 0);
  pair[12288] = 0x80;
  pair[12288 + 6144] = 0x47;
  PicturePtr picture(DecodeMulticolourGigascreen(Span(pair)));
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), (Rgb{127, 127, 127}));
  EXPECT_EQ(PixelAt(*picture, 1, 0), (Rgb{0, 0, 0}));
  // Gigascreen: the second frame's attributes at 6912 + 6144.
  Bytes standardPair(13824, 0);
  standardPair[6912 + 6144] = 0x38;
  PicturePtr standard(DecodeGigascreen(Span(standardPair)));
  ASSERT_TRUE(standard);
  EXPECT_EQ(PixelAt(*standard, 7, 7), (Rgb{95, 95, 95}));
  EXPECT_EQ(PixelAt(*standard, 8, 0), (Rgb{0, 0, 0}));
}

TEST(Gigascreen, ShortInputGivesNoPicture) {
  Bytes bytes(24575, 0);
  EXPECT_FALSE(PicturePtr(DecodeMulticolourScreen(ByteSpan(bytes.data(), 12287))));
  EXPECT_FALSE(PicturePtr(DecodeGigascreen(ByteSpan(bytes.data(), 13823))));
  EXPECT_FALSE(PicturePtr(DecodeMulticolourGigascreen(ByteSpan(bytes.data(), 24575))));
  EXPECT_TRUE(PicturePtr(DecodeGigascreen(ByteSpan(bytes.data(), 13824))));
}

}  // namespace
}  // namespace korvel
