// The shared tables and the standard and bitmap-only screens.

#include <gtest/gtest.h>

#include <vector>

#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::PicturePtr;
using testing::PixelAt;

PicturePtr Decode(const std::vector<uint8_t>& screen) {
  return PicturePtr(DecodeStandardScreen(ByteSpan(screen.data(), screen.size())));
}

TEST(ZxTables, ScreenRowOffsetFollowsTheDisplayFile) {
  const std::pair<unsigned, size_t> rows[] = {{0, 0},     {1, 256},   {7, 1792},  {8, 32},
                                              {63, 2016}, {64, 2048}, {191, 6112}};
  for (auto [y, offset] : rows) EXPECT_EQ(ScreenRowOffset(y), offset) << "row " << y;
  // Every row has its own 32 bytes.
  std::vector<int> seen(192, 0);
  for (unsigned y = 0; y < 192; ++y) ++seen[ScreenRowOffset(y) / 32];
  for (int count : seen) EXPECT_EQ(count, 1);
}

TEST(ZxTables, PaletteLevelsAndAttributeRule) {
  EXPECT_TRUE(ZxPalette[0] == (Rgb{0, 0, 0}));
  EXPECT_TRUE(ZxPalette[8] == (Rgb{0, 0, 0}));
  EXPECT_TRUE(ZxPalette[1] == (Rgb{0x08, 0x08, 0xBF}));  // blue is bit 0
  EXPECT_TRUE(ZxPalette[2] == (Rgb{0xBF, 0x08, 0x08}));  // red is bit 1
  EXPECT_TRUE(ZxPalette[4] == (Rgb{0x08, 0xBF, 0x08}));  // green is bit 2
  EXPECT_TRUE(ZxPalette[13] == (Rgb{0x20, 0xFF, 0xFF}));
  EXPECT_TRUE(ZxPalette[15] == (Rgb{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(InkIndex(0x4A), 10);
  EXPECT_EQ(PaperIndex(0x4A), 9);
  EXPECT_EQ(InkIndex(0xC7), InkIndex(0x47));  // flash changes nothing
  EXPECT_EQ(PaperIndex(0xC7), PaperIndex(0x47));
}

TEST(StandardScreen, AttributesColourInkAndPaper) {
  struct Case {
    uint8_t attribute;
    Rgb ink, paper;
  };
  const Case cases[] = {
      {0x38, {0, 0, 0}, {0xBF, 0xBF, 0xBF}},
      {0x47, {0xFF, 0xFF, 0xFF}, {0, 0, 0}},
      {0xC7, {0xFF, 0xFF, 0xFF}, {0, 0, 0}},
      {0x4A, {0xFF, 0x20, 0x20}, {0x20, 0x20, 0xFF}},
      {0x0A, {0xBF, 0x08, 0x08}, {0x08, 0x08, 0xBF}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> screen(6912, 0);
    screen[6144] = c.attribute;
    screen[0] = 0x80;  // pixel (0, 0) ink, (1..7, 0) paper
    PicturePtr picture = Decode(screen);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(PixelAt(*picture, 0, 0) == c.ink) << int{c.attribute};
    for (int x = 1; x < 8; ++x) EXPECT_TRUE(PixelAt(*picture, x, 0) == c.paper);
    EXPECT_TRUE(PixelAt(*picture, 3, 7) == c.paper);
    EXPECT_TRUE(PixelAt(*picture, 8, 0) == (Rgb{0, 0, 0}));  // next cell: attribute 0
  }
}

TEST(StandardScreen, BitmapBytesLandOnDisplayFileRows) {
  const std::pair<size_t, int> bytes[] = {{0, 0}, {256, 1}, {32, 8}, {2048, 64}, {6112, 191}, {6143, 191}};
  for (auto [offset, row] : bytes) {
    std::vector<uint8_t> screen(6912, 0);
    for (size_t i = 6144; i < 6912; ++i) screen[i] = 0x07;
    screen[offset] = 0xFF;
    PicturePtr picture = Decode(screen);
    ASSERT_TRUE(picture);
    const int x0 = static_cast<int>(8 * (offset % 32));
    for (int y = 0; y < 192; ++y) {
      const bool lit = PixelAt(*picture, x0, y) == ZxPalette[7];
      EXPECT_EQ(lit, y == row) << "offset " << offset << " row " << y;
    }
  }
}

TEST(StandardScreen, AllZeroIsBlackAndPixelsAreWrittenInOrder) {
  std::vector<uint8_t> screen(6912, 0);
  PicturePtr picture = Decode(screen);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 256);
  EXPECT_EQ(picture->height, 192);
  for (size_t i = 0; i < PixelBytes(*picture); ++i) ASSERT_EQ(picture->pixels[i], 0);
}

TEST(StandardScreen, ShortInputFails) {
  std::vector<uint8_t> screen(6911, 0);
  EXPECT_FALSE(Decode(screen));
}

TEST(BitmapOnlyScreen, IsWhiteOnBlackWhateverFollowsAndLeavesInputAlone) {
  std::vector<uint8_t> data(6912, 0x5A);  // bytes after the bitmap look like attributes
  const std::vector<uint8_t> before = data;
  PicturePtr picture(DecodeScreenOrBitmap(ByteSpan(data.data(), data.size()), 0));
  ASSERT_TRUE(picture);
  EXPECT_EQ(data, before);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const Rgb pixel = PixelAt(*picture, x, y);
      const bool set = (0x5A & PixelMasks[x % 8]) != 0;
      ASSERT_TRUE(pixel == (set ? Rgb{0xBF, 0xBF, 0xBF} : Rgb{0, 0, 0})) << x << "," << y;
    }
  }
  // A bitmap needs only its 6144 bytes.
  EXPECT_TRUE(PicturePtr(DecodeScreenOrBitmap(ByteSpan(data.data(), 6144), 0)));
}

TEST(BitmapOnlyScreen, WithAttributesUsesThemAsTheyStand) {
  std::vector<uint8_t> screen(6912, 0);
  for (size_t i = 6144; i < 6912; ++i) screen[i] = 7;
  screen[0] = 0x80;
  PicturePtr a(DecodeScreenOrBitmap(ByteSpan(screen.data(), screen.size()), 1));
  PicturePtr b = Decode(screen);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(std::equal(a->pixels, a->pixels + PixelBytes(*a), b->pixels));
}

}  // namespace
}  // namespace korvel
