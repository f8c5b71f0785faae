// The table-driven decoders against plain pixel-by-pixel versions of the
// same rules, on random screens and a drawn one: not one byte may differ.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decoders/character_set.h"
#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/three_colour.h"
#include "decoders/zx_tables.h"
#include "samples/zx_canvas.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::PicturePtr;

// Pixel (x, y) of a 256-wide picture gets `colour`.
void Put(Bytes& pixels, int x, int y, Rgb colour) {
  uint8_t* p = &pixels[3 * (256 * static_cast<size_t>(y) + x)];
  p[0] = colour.red;
  p[1] = colour.green;
  p[2] = colour.blue;
}

bool BitSet(uint8_t byte, int k) { return (byte & PixelMasks[k]) != 0; }

// One attribute byte per 8 x `cellHeight` cell; bitmap row y at rowOffset(y).
template <typename RowOffset>
Bytes PlainAttributeScreen(const uint8_t* bitmap, const uint8_t* attributes, int cellHeight, RowOffset rowOffset) {
  Bytes pixels(kScreenPixelBytes);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const uint8_t a = attributes[32 * (y / cellHeight) + x / 8];
      const bool ink = BitSet(bitmap[rowOffset(y) + x / 8], x % 8);
      Put(pixels, x, y, ZxPalette[ink ? (a & 7) | ((a >> 3) & 8) : (a >> 3) & 15]);
    }
  }
  return pixels;
}

Bytes PlainStandardScreen(const uint8_t* data) {
  return PlainAttributeScreen(data, data + 6144, 8, [](int y) { return ScreenRowOffset(static_cast<unsigned>(y)); });
}

Bytes PlainMulticolourScreen(const uint8_t* data) {
  return PlainAttributeScreen(data, data + 6144, 1, [](int y) { return 32 * static_cast<size_t>(y); });
}

Bytes PlainThreeColourScreen(const uint8_t* data, const int (&channelOfBitmap)[3], bool linear) {
  Bytes pixels(kScreenPixelBytes, 0);
  for (int y = 0; y < 192; ++y) {
    const size_t row = linear ? 32 * static_cast<size_t>(y) : ScreenRowOffset(static_cast<unsigned>(y));
    for (int x = 0; x < 256; ++x) {
      for (int b = 0; b < 3; ++b) {
        if (BitSet(data[6144 * b + row + x / 8], x % 8)) pixels[3 * (256 * y + x) + channelOfBitmap[b]] = 255;
      }
    }
  }
  return pixels;
}

Bytes PlainCharacterSet(const uint8_t* data, int count, bool lineMajor) {
  Bytes pixels(static_cast<size_t>(count) / 4 * 768);
  for (int i = 0; i < count; ++i) {
    for (int n = 0; n < 8; ++n) {
      const uint8_t byte = lineMajor ? data[i + 256 * n] : data[8 * i + n];
      for (int k = 0; k < 8; ++k) {
        Put(pixels, 8 * (i % 32) + k, 8 * (i / 32) + n, BitSet(byte, k) ? RgbBlack : RgbWhite);
      }
    }
  }
  return pixels;
}

Bytes Blend(const Bytes& a, const Bytes& b) {
  Bytes result(a.size());
  for (size_t i = 0; i < a.size(); ++i) result[i] = static_cast<uint8_t>((a[i] + b[i]) / 2);
  return result;
}

Bytes PixelsOf(Picture* picture) {
  const PicturePtr owned(picture);
  if (!owned) return {};
  return Bytes(owned->pixels, owned->pixels + PixelBytes(*owned));
}

// Random bytes, and screens drawn like real pictures.
std::vector<Bytes> Inputs() {
  std::vector<Bytes> inputs;
  std::mt19937 random(2024);
  for (int n = 0; n < 6; ++n) {
    Bytes bytes(24576);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    inputs.push_back(bytes);
  }
  Bytes drawn = samples::EncodeStandardScreen(samples::DrawLandscape(0));
  const Bytes second = samples::EncodeStandardScreen(samples::DrawLandscape(1));
  drawn.insert(drawn.end(), second.begin(), second.end());
  drawn.resize(24576, 0x47);
  inputs.push_back(drawn);
  inputs.push_back(samples::EncodeMulticolourScreen(samples::DrawLandscape(2)));
  inputs.back().resize(24576, 0);
  return inputs;
}

TEST(TableExpansion, EveryDecoderMatchesThePlainRules) {
  for (const Bytes& in : Inputs()) {
    const ByteSpan data(in.data(), in.size());
    const uint8_t* d = in.data();
    EXPECT_EQ(PixelsOf(DecodeStandardScreen(data)), PlainStandardScreen(d));
    Bytes bitmapOnly(d, d + 6144);
    bitmapOnly.resize(6912, 7);
    EXPECT_EQ(PixelsOf(DecodeScreenOrBitmap(data, 0)), PlainStandardScreen(bitmapOnly.data()));
    EXPECT_EQ(PixelsOf(DecodeMulticolourScreen(data)), PlainMulticolourScreen(d));
    EXPECT_EQ(PixelsOf(DecodeGigascreen(data)), Blend(PlainStandardScreen(d), PlainStandardScreen(d + 6912)));
    EXPECT_EQ(PixelsOf(DecodeMulticolourGigascreen(data)),
              Blend(PlainMulticolourScreen(d), PlainMulticolourScreen(d + 12288)));
    EXPECT_EQ(PixelsOf(DecodeThreeColourScreen(data)), PlainThreeColourScreen(d, {0, 1, 2}, false));
    EXPECT_EQ(PixelsOf(DecodeBrgThreeColourScreen(data)), PlainThreeColourScreen(d, {2, 0, 1}, false));
    EXPECT_EQ(PixelsOf(DecodeLinearThreeColourScreen(data)), PlainThreeColourScreen(d, {0, 1, 2}, true));
    EXPECT_EQ(PixelsOf(DecodeCharacterSet(data, 96)), PlainCharacterSet(d, 96, false));
    EXPECT_EQ(PixelsOf(DecodeCharacterSet(data, 256)), PlainCharacterSet(d, 256, false));
    EXPECT_EQ(PixelsOf(DecodeLineMajorCharacterSet(data)), PlainCharacterSet(d, 256, true));
  }
}

// The decoders above take the wide rows where the processor has them; here
// the two row writers meet on random rows wherever both can run.
TEST(TableExpansion, WideChannelRowsMatchTheTableRows) {
  if (!WideChannelRowsAvailable()) GTEST_SKIP() << "no AVX-512 VBMI";
  uint32_t state = 99;
  for (int round = 0; round < 200; ++round) {
    uint8_t channels[3][32];
    for (auto& channel : channels) {
      for (uint8_t& byte : channel) byte = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 16);
    }
    uint8_t wide[768], table[768];
    WriteWideChannelRow(wide, channels[0], channels[1], channels[2]);
    WriteChannelRow(table, channels[0], channels[1], channels[2]);
    ASSERT_EQ(Bytes(wide, wide + 768), Bytes(table, table + 768)) << round;
  }
}

// Every bitmap byte with every attribute, through the shared helpers.
TEST(TableExpansion, HelpersCoverEveryByteAndAttribute) {
  for (int a = 0; a < 256; ++a) {
    const uint8_t attribute = static_cast<uint8_t>(a);
    const Rgb ink = ZxPalette[InkIndex(attribute)], paper = ZxPalette[PaperIndex(attribute)];
    for (int b = 0; b < 256; ++b) {
      uint8_t byAttribute[24], byColours[24], channels[24], expected[24];
      WriteAttributeByte(byAttribute, static_cast<uint8_t>(b), attribute, kAttributeRuns.runs);
      WriteInkPaperByte(byColours, static_cast<uint8_t>(b), ink, paper);
      WriteChannelBytes(channels, static_cast<uint8_t>(b), static_cast<uint8_t>(a), static_cast<uint8_t>(a ^ b));
      for (int k = 0; k < 8; ++k) {
        const Rgb c = BitSet(static_cast<uint8_t>(b), k) ? ink : paper;
        expected[3 * k] = c.red, expected[3 * k + 1] = c.green, expected[3 * k + 2] = c.blue;
        const uint8_t rgb[3] = {static_cast<uint8_t>(b), attribute, static_cast<uint8_t>(a ^ b)};
        for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(channels[3 * k + ch], BitSet(rgb[ch], k) ? 255 : 0);
      }
      ASSERT_EQ(Bytes(byAttribute, byAttribute + 24), Bytes(expected, expected + 24)) << a << " " << b;
      ASSERT_EQ(Bytes(byColours, byColours + 24), Bytes(expected, expected + 24)) << a << " " << b;
    }
  }
}

}  // namespace
}  // namespace korvel
