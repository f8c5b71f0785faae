// Character sets in the consecutive and line-major orders.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "decoders/character_set.h"
#include "decoders/zx_tables.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;

PicturePtr Consecutive(const Bytes& bytes, uint16_t count) {
  return PicturePtr(DecodeCharacterSet(ByteSpan(bytes.data(), bytes.size()), count));
}

PicturePtr LineMajor(const Bytes& bytes) {
  return PicturePtr(DecodeLineMajorCharacterSet(ByteSpan(bytes.data(), bytes.size())));
}

// Every pixel against the glyph byte that should hold it.
void ExpectGlyphs(const Picture& picture, int count, const std::function<uint8_t(int, int)>& byteOf) {
  ASSERT_EQ(picture.width, 256);
  ASSERT_EQ(picture.height, count / 4);
  for (int i = 0; i < count; ++i) {
    for (int n = 0; n < 8; ++n) {
      for (int k = 0; k < 8; ++k) {
        const bool set = (byteOf(i, n) & PixelMasks[k]) != 0;
        ASSERT_EQ(PixelAt(picture, 8 * (i % 32) + k, 8 * (i / 32) + n), set ? RgbBlack : RgbWhite)
            << "character " << i << " line " << n << " pixel " << k;
      }
    }
  }
}

TEST(CharacterSet, ConsecutiveGlyphsFillRowsOf32) {
  for (uint16_t count : {uint16_t{96}, uint16_t{256}, uint16_t{32}}) {
    Bytes glyphs(8 * count);
    for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i] = static_cast<uint8_t>(i * 73 + (i >> 3));
    PicturePtr picture = Consecutive(glyphs, count);
    ASSERT_TRUE(picture);
    ExpectGlyphs(*picture, count, [&](int i, int n) { return glyphs[8 * i + n]; });
  }
}

TEST(CharacterSet, PinnedPlaces) {
  Bytes glyphs(2048, 0);
  glyphs[0] = 0x80;
  glyphs[8 * 32] = 0x80;   // character 32: second row of cells
  glyphs[8 * 255 + 7] = 0x01;  // character 255, bottom line, rightmost pixel
  PicturePtr picture = Consecutive(glyphs, 256);
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), RgbBlack);
  for (int x = 1; x < 8; ++x) EXPECT_EQ(PixelAt(*picture, x, 0), RgbWhite);
  EXPECT_EQ(PixelAt(*picture, 0, 8), RgbBlack);
  EXPECT_EQ(PixelAt(*picture, 255, 63), RgbBlack);
  EXPECT_EQ(PixelAt(*picture, 248, 56), RgbWhite);

  PicturePtr blank = Consecutive(Bytes(768, 0), 96);
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->height, 24);
  EXPECT_TRUE(std::all_of(blank->pixels, blank->pixels + PixelBytes(*blank), [](uint8_t b) { return b == 255; }));
  PicturePtr full = LineMajor(Bytes(2048, 0xFF));
  ASSERT_TRUE(full);
  EXPECT_TRUE(std::all_of(full->pixels, full->pixels + PixelBytes(*full), [](uint8_t b) { return b == 0; }));
}

TEST(CharacterSet, LineMajorTakesLineNOfCharacterIAtIPlus256N) {
  Bytes glyphs(2048);
  for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i] = static_cast<uint8_t>(i * 89 + (i >> 8) * 5);
  PicturePtr picture = LineMajor(glyphs);
  ASSERT_TRUE(picture);
  ExpectGlyphs(*picture, 256, [&](int i, int n) { return glyphs[i + 256 * n]; });

  Bytes pinned(2048, 0);
  pinned[1] = 0x80;    // top line of character 1
  pinned[256] = 0x80;  // line 1 of character 0
  PicturePtr two = LineMajor(pinned);
  ASSERT_TRUE(two);
  EXPECT_EQ(PixelAt(*two, 8, 0), RgbBlack);
  EXPECT_EQ(PixelAt(*two, 0, 1), RgbBlack);
  EXPECT_EQ(PixelAt(*two, 0, 0), RgbWhite);
}

TEST(CharacterSet, UnsupportedCountsAndShortInputGiveNoPicture) {
  Bytes glyphs(4096, 0);
  for (uint16_t count : {0, 1, 31, 33, 100, 288, 65535}) EXPECT_FALSE(Consecutive(glyphs, count)) << count;
  EXPECT_FALSE(PicturePtr(DecodeCharacterSet(ByteSpan(glyphs.data(), 767), 96)));
  EXPECT_FALSE(PicturePtr(DecodeLineMajorCharacterSet(ByteSpan(glyphs.data(), 2047))));
  EXPECT_TRUE(PicturePtr(DecodeCharacterSet(ByteSpan(glyphs.data(), 768), 96)));
}

}  // namespace
}  // namespace korvel
