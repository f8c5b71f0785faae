// The block-coded screen: the bit stream and the raw bytes that share its
// cursor, the colour lists, the index codes and the repeat code.

#include <gtest/gtest.h>

#include <algorithm>

#include "decoders/block_coded.h"
#include "tests/support/block_coded_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::BlockCodedWriter;
using testing::BlockColours;
using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;

PicturePtr Decode(const Bytes& stream) {
  return PicturePtr(DecodeBlockCodedScreen(ByteSpan(stream.data(), stream.size())));
}

Rgb Colour(unsigned value) {
  return {static_cast<uint8_t>((value & 2) != 0 ? 255 : 0), static_cast<uint8_t>((value & 4) != 0 ? 255 : 0),
          static_cast<uint8_t>((value & 1) != 0 ? 255 : 0)};
}

Rgb BlockPixel(const Picture& picture, unsigned block, unsigned p) {
  return PixelAt(picture, static_cast<int>(8 * (block % 32) + p % 8), static_cast<int>(8 * (block / 32) + p / 8));
}

void ExpectBlock(const Picture& picture, unsigned block, const BlockColours& colours) {
  for (unsigned p = 0; p < 64; ++p) {
    ASSERT_EQ(BlockPixel(picture, block, p), Colour(colours[p])) << "block " << block << " pixel " << p;
  }
}

void ExpectBlockOf(const Picture& picture, unsigned block, unsigned colour) {
  BlockColours colours;
  colours.fill(static_cast<uint8_t>(colour));
  ExpectBlock(picture, block, colours);
}

// Fills the blocks after `from` with one-colour black blocks.
void FinishBlack(BlockCodedWriter& writer, unsigned from) {
  for (unsigned block = from; block < 768; ++block) {
    writer.Code(2);
    writer.Bits(0, 3);
  }
}

BlockColours Pattern(unsigned seed) {
  BlockColours colours;
  for (unsigned p = 0; p < 64; ++p) colours[p] = static_cast<uint8_t>((p * 5 + seed + p / 8) % 8);
  return colours;
}

TEST(BlockCoded, OneColourBlocksTakeSixBitsEach) {
  // 010 000 repeated: 576 bytes, all black; 010 111 repeated: all white.
  Bytes black, white;
  for (int i = 0; i < 192; ++i) {
    black.insert(black.end(), {0x41, 0x04, 0x10});
    white.insert(white.end(), {0x5D, 0x75, 0xD7});
  }
  PicturePtr dark = Decode(black);
  PicturePtr light = Decode(white);
  ASSERT_TRUE(dark && light);
  EXPECT_EQ(dark->width, 256);
  EXPECT_EQ(dark->height, 192);
  EXPECT_TRUE(std::all_of(dark->pixels, dark->pixels + PixelBytes(*dark), [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(light->pixels, light->pixels + PixelBytes(*light), [](uint8_t b) { return b == 255; }));
  // Exactly 576 bytes are read: one fewer fails the load.
  EXPECT_FALSE(PicturePtr(DecodeBlockCodedScreen(ByteSpan(white.data(), 575))));
}

TEST(BlockCoded, ColourListIsStoredInReverse) {
  // Code 3, list values read as 1 then 2: index 0 is red (2), index 1 blue (1).
  BlockCodedWriter writer;
  writer.Bits(0b011, 3);
  writer.Bits(1, 3);
  writer.Bits(2, 3);
  for (unsigned p = 0; p < 64; ++p) writer.Bits(p < 8 ? 1 : 0, 1);
  FinishBlack(writer, 1);
  PicturePtr picture = Decode(writer.bytes());
  ASSERT_TRUE(picture);
  EXPECT_EQ(BlockPixel(*picture, 0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(BlockPixel(*picture, 0, 7), (Rgb{0, 0, 255}));
  EXPECT_EQ(BlockPixel(*picture, 0, 8), (Rgb{255, 0, 0}));
  EXPECT_EQ(BlockPixel(*picture, 0, 63), (Rgb{255, 0, 0}));
  ExpectBlockOf(*picture, 1, 0);
}

TEST(BlockCoded, EveryIndexOfEveryCode) {
  BlockCodedWriter writer;
  const std::vector<uint8_t> colours = {6, 1, 7, 2, 5, 3};
  std::vector<BlockColours> expected;
  for (unsigned code = 2; code <= 7; ++code) {
    const std::vector<uint8_t> list(colours.begin(), colours.begin() + (code - 1));
    std::array<uint8_t, 64> indexes;
    BlockColours pixels;
    for (unsigned p = 0; p < 64; ++p) {
      indexes[p] = static_cast<uint8_t>((p * 7 + p / 8) % (code - 1));
      pixels[p] = list[indexes[p]];
    }
    writer.ListBlock(list, indexes);
    expected.push_back(pixels);
  }
  // The number of bits: code, list and indexes as the code table says.
  size_t bits = 0;
  for (unsigned code = 2; code <= 7; ++code) {
    bits += 3 + 3 * (code - 1);
    for (unsigned p = 0; p < 64; ++p) bits += testing::IndexBits(code, (p * 7 + p / 8) % (code - 1));
  }
  EXPECT_EQ(writer.bitCount(), bits);
  FinishBlack(writer, 6);
  PicturePtr picture = Decode(writer.bytes());
  ASSERT_TRUE(picture);
  for (unsigned block = 0; block < 6; ++block) ExpectBlock(*picture, block, expected[block]);
  ExpectBlockOf(*picture, 6, 0);
}

TEST(BlockCoded, IndexCodesReadAsTheTableSays) {
  // Code 7 with a list 0..5 (stored as 5 4 3 2 1 0): 00 01 100 101 110 111.
  BlockCodedWriter writer;
  writer.Bits(7, 3);
  for (unsigned v : {5, 4, 3, 2, 1, 0}) writer.Bits(v, 3);
  const unsigned patterns[6][2] = {{0b00, 2}, {0b01, 2}, {0b100, 3}, {0b101, 3}, {0b110, 3}, {0b111, 3}};
  for (unsigned p = 0; p < 64; ++p) writer.Bits(patterns[p % 6][0], patterns[p % 6][1]);
  // Code 4 with list 3, 4, 5: 0 gives 0, 10 gives 1, 11 gives 2.
  writer.Bits(4, 3);
  for (unsigned v : {5, 4, 3}) writer.Bits(v, 3);
  const unsigned four[3][2] = {{0b0, 1}, {0b10, 2}, {0b11, 2}};
  for (unsigned p = 0; p < 64; ++p) writer.Bits(four[p % 3][0], four[p % 3][1]);
  // Code 6 with list 1..5: 00 01 10 110 111.
  writer.Bits(6, 3);
  for (unsigned v : {5, 4, 3, 2, 1}) writer.Bits(v, 3);
  const unsigned six[5][2] = {{0b00, 2}, {0b01, 2}, {0b10, 2}, {0b110, 3}, {0b111, 3}};
  for (unsigned p = 0; p < 64; ++p) writer.Bits(six[p % 5][0], six[p % 5][1]);
  FinishBlack(writer, 3);
  PicturePtr picture = Decode(writer.bytes());
  ASSERT_TRUE(picture);
  for (unsigned p = 0; p < 64; ++p) {
    ASSERT_EQ(BlockPixel(*picture, 0, p), Colour(p % 6)) << p;
    ASSERT_EQ(BlockPixel(*picture, 1, p), Colour(3 + p % 3)) << p;
    ASSERT_EQ(BlockPixel(*picture, 2, p), Colour(1 + p % 5)) << p;
  }
}

TEST(BlockCoded, RawBlockTakesTheBytesAfterTheCodeByteWhileItsBitsGoOn) {
  // Three raw blocks: their codes share byte 0 (bits 0-5) and the first two
  // bits of block 2's code; its last bit loads the byte after block 1's raw
  // bytes.
  BlockCodedWriter writer;
  const BlockColours a = Pattern(1), b = Pattern(2), c = Pattern(3);
  writer.RawBlock(a);
  writer.RawBlock(b);
  writer.RawBlock(c);
  writer.Code(2);
  writer.Bits(6, 3);  // block 3 yellow
  FinishBlack(writer, 4);
  const Bytes& stream = writer.bytes();
  // The layout, byte by byte: code byte, 24 raw, 24 raw, the byte with the
  // last code bit, then 24 raw.
  EXPECT_EQ(stream[0], 0x00);
  const auto planesA = testing::BlockPlanes(a), planesB = testing::BlockPlanes(b), planesC = testing::BlockPlanes(c);
  EXPECT_TRUE(std::equal(planesA.begin(), planesA.end(), stream.begin() + 1));
  EXPECT_TRUE(std::equal(planesB.begin(), planesB.end(), stream.begin() + 25));
  EXPECT_EQ(stream[49] & 0x80, 0);                  // last bit of block 2's code
  EXPECT_EQ(stream[49] & 0x70, 0x20);               // block 3: code 010
  EXPECT_TRUE(std::equal(planesC.begin(), planesC.end(), stream.begin() + 50));

  PicturePtr picture = Decode(stream);
  ASSERT_TRUE(picture);
  ExpectBlock(*picture, 0, a);
  ExpectBlock(*picture, 1, b);
  ExpectBlock(*picture, 2, c);
  ExpectBlockOf(*picture, 3, 6);
  ExpectBlockOf(*picture, 4, 0);
}

TEST(BlockCoded, RawBlockWhoseCodeEndsAtAByteEnd) {
  // 6 + 5 x 3 bits, then a raw code in bits 21-23: the raw bytes are bytes 3
  // to 26 and the next code begins with byte 27.
  Bytes stream = {0b01011100, 0b10010010, 0b01001000};  // 010 111, 001 x5, 000
  const BlockColours raw = Pattern(5);
  const auto planes = testing::BlockPlanes(raw);
  stream.insert(stream.end(), planes.begin(), planes.end());
  // Block 7: code 2, colour 3 (magenta); then black, 010 000 x 760 blocks.
  BlockCodedWriter rest;
  rest.Code(2);
  rest.Bits(3, 3);
  FinishBlack(rest, 8);
  stream.insert(stream.end(), rest.bytes().begin(), rest.bytes().end());

  PicturePtr picture = Decode(stream);
  ASSERT_TRUE(picture);
  for (unsigned block = 0; block < 6; ++block) ExpectBlockOf(*picture, block, 7);  // repeats of a code-2 block
  ExpectBlock(*picture, 6, raw);
  ExpectBlockOf(*picture, 7, 3);
  ExpectBlockOf(*picture, 8, 0);

  // The writer lays the same blocks out the same way.
  BlockCodedWriter writer;
  writer.Code(2);
  writer.Bits(7, 3);
  for (int i = 0; i < 5; ++i) writer.Code(1);
  writer.RawBlock(raw);
  writer.Code(2);
  writer.Bits(3, 3);
  FinishBlack(writer, 8);
  EXPECT_EQ(writer.bytes(), stream);
}

TEST(BlockCoded, RawPlanesGiveRedGreenBlueBits) {
  // Red 0x80, green 0x80, blue 0x01: yellow at the left edge, blue at the right.
  BlockCodedWriter writer;
  writer.Code(0);
  std::array<uint8_t, 24> planes = {};
  planes[0] = 0x80;
  planes[1] = 0x80;
  planes[2] = 0x01;
  planes[21] = 0xFF;  // row 7: red throughout
  writer.RawBytes(planes);
  FinishBlack(writer, 1);
  PicturePtr picture = Decode(writer.bytes());
  ASSERT_TRUE(picture);
  EXPECT_EQ(BlockPixel(*picture, 0, 0), (Rgb{255, 255, 0}));
  EXPECT_EQ(BlockPixel(*picture, 0, 7), (Rgb{0, 0, 255}));
  EXPECT_EQ(BlockPixel(*picture, 0, 3), (Rgb{0, 0, 0}));
  EXPECT_EQ(BlockPixel(*picture, 0, 60), (Rgb{255, 0, 0}));
}

TEST(BlockCoded, RepeatUsesTheLastListBlockNotARawOne) {
  BlockCodedWriter writer;
  std::array<uint8_t, 64> first{}, again{};
  for (unsigned p = 0; p < 64; ++p) {
    first[p] = static_cast<uint8_t>(p % 3);
    again[p] = static_cast<uint8_t>((p / 4) % 3);
  }
  writer.ListBlock({4, 2, 1}, first);  // code 4
  writer.RawBlock(Pattern(7));
  writer.RepeatBlock(4, again);  // code 4 again, its own indexes
  writer.RepeatBlock(4, first);
  // A shorter list replaces the longer one for later repeats.
  writer.ListBlock({5}, {});
  writer.RepeatBlock(2, {});
  FinishBlack(writer, 6);
  PicturePtr picture = Decode(writer.bytes());
  ASSERT_TRUE(picture);
  const uint8_t list[3] = {4, 2, 1};
  BlockColours a, b;
  for (unsigned p = 0; p < 64; ++p) {
    a[p] = list[first[p]];
    b[p] = list[again[p]];
  }
  ExpectBlock(*picture, 0, a);
  ExpectBlock(*picture, 1, Pattern(7));
  ExpectBlock(*picture, 2, b);
  ExpectBlock(*picture, 3, a);
  ExpectBlockOf(*picture, 4, 5);
  ExpectBlockOf(*picture, 5, 5);
}

TEST(BlockCoded, RepeatBeforeAnyListBlockIsBlackAndReadsNoIndexBits) {
  // 768 repeats: 3 bits each, 288 bytes, all black.
  BlockCodedWriter repeats;
  for (int i = 0; i < 768; ++i) repeats.Code(1);
  ASSERT_EQ(repeats.bytes().size(), 288u);
  PicturePtr black = Decode(repeats.bytes());
  ASSERT_TRUE(black);
  EXPECT_TRUE(std::all_of(black->pixels, black->pixels + PixelBytes(*black), [](uint8_t b) { return b == 0; }));

  // Two leading repeats keep the previous code at 2; a white block, then
  // repeats of it.
  BlockCodedWriter writer;
  writer.Code(1);
  writer.Code(1);
  writer.Code(2);
  writer.Bits(7, 3);
  for (int i = 3; i < 768; ++i) writer.Code(1);
  PicturePtr picture = Decode(writer.bytes());
  ASSERT_TRUE(picture);
  ExpectBlockOf(*picture, 0, 0);
  ExpectBlockOf(*picture, 1, 0);
  for (unsigned block = 2; block < 768; block += 97) ExpectBlockOf(*picture, block, 7);
  ExpectBlockOf(*picture, 767, 7);
}

TEST(BlockCoded, TheLongestStreamIsReadToItsLastByteAndNoFurther) {
  // 768 blocks of code 7 with 3-bit indexes: 20448 bytes.
  BlockCodedWriter writer;
  std::array<uint8_t, 64> indexes;
  for (unsigned p = 0; p < 64; ++p) indexes[p] = static_cast<uint8_t>(2 + p % 4);
  for (int i = 0; i < 768; ++i) writer.ListBlock({0, 1, 2, 3, 4, 5}, indexes);
  Bytes stream = writer.bytes();
  ASSERT_EQ(stream.size(), 20448u);
  stream.push_back(0xAA);  // never read
  EXPECT_TRUE(PicturePtr(DecodeBlockCodedScreen(ByteSpan(stream.data(), 20448))));
  EXPECT_FALSE(PicturePtr(DecodeBlockCodedScreen(ByteSpan(stream.data(), 20447))));
  // A raw block whose 24 bytes are cut short fails too.
  BlockCodedWriter raw;
  raw.RawBlock(Pattern(0));
  EXPECT_FALSE(PicturePtr(DecodeBlockCodedScreen(ByteSpan(raw.bytes().data(), 24))));
  EXPECT_FALSE(Decode(Bytes()));
}

TEST(BlockCoded, EncodedPicturesComeBackExactly) {
  // A picture with blocks of every kind: flat, few colours, repeated, noisy.
  std::vector<uint8_t> colours(256 * 192);
  for (unsigned y = 0; y < 192; ++y) {
    for (unsigned x = 0; x < 256; ++x) {
      const unsigned block = 32 * (y / 8) + x / 8;
      uint8_t v;
      switch (block % 5) {
        case 0: v = static_cast<uint8_t>(block % 8); break;
        case 1: v = static_cast<uint8_t>((x + y) % (2 + block % 5)); break;
        case 2: v = static_cast<uint8_t>((x * 7 + y * 3 + block) % 8); break;
        case 3: v = static_cast<uint8_t>(((x ^ y) & 1) * 6); break;
        default: v = static_cast<uint8_t>((x / 2 + y / 3) % 6 + 1); break;
      }
      colours[256 * y + x] = v;
    }
  }
  const Bytes stream = testing::EncodeBlockCodedScreen(colours);
  PicturePtr picture = Decode(stream);
  ASSERT_TRUE(picture);
  for (unsigned y = 0; y < 192; ++y) {
    for (unsigned x = 0; x < 256; ++x) {
      ASSERT_EQ(PixelAt(*picture, static_cast<int>(x), static_cast<int>(y)), Colour(colours[256 * y + x]))
          << x << "," << y;
    }
  }
  EXPECT_FALSE(PicturePtr(DecodeBlockCodedScreen(ByteSpan(stream.data(), stream.size() - 1))));
}

TEST(BlockCoded, AnyBytesGiveAPictureOrNull) {
  // Whatever the codes ask for, reads stay inside the span.
  uint32_t state = 12345;
  for (int round = 0; round < 200; ++round) {
    Bytes bytes(static_cast<size_t>(round) * 37 % 3000);
    for (uint8_t& b : bytes) {
      state = state * 1103515245 + 12345;
      b = static_cast<uint8_t>(state >> 16);
    }
    PicturePtr picture = Decode(bytes);
    if (picture) EXPECT_EQ(picture->height, 192);
  }
}

}  // namespace
}  // namespace korvel
