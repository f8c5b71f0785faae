// Three-colour screens in the rgb/xpc, 'b' and xpv layouts.

#include <gtest/gtest.h>

#include "decoders/three_colour.h"
#include "decoders/zx_tables.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;

using Decoder = Picture* (*)(ByteSpan);

PicturePtr Decode(Decoder decode, const Bytes& bytes) {
  return PicturePtr(decode(ByteSpan(bytes.data(), bytes.size())));
}

struct Layout {
  const char* name;
  Decoder decode;
  Rgb byBitmap[3];  // the colour a lone bit of bitmap 0, 1, 2 gives
  bool linear;
};

const Layout kLayouts[] = {
    {"rgb", DecodeThreeColourScreen, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, false},
    {"brg", DecodeBrgThreeColourScreen, {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}}, false},
    {"xpv", DecodeLinearThreeColourScreen, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, true},
};

TEST(ThreeColour, EachBitmapLightsItsChannel) {
  for (const Layout& layout : kLayouts) {
    for (int bitmap = 0; bitmap < 3; ++bitmap) {
      Bytes data(18432, 0);
      data[6144 * bitmap] = 0x80;
      PicturePtr picture = Decode(layout.decode, data);
      ASSERT_TRUE(picture);
      EXPECT_EQ(PixelAt(*picture, 0, 0), layout.byBitmap[bitmap]) << layout.name << " bitmap " << bitmap;
      EXPECT_EQ(PixelAt(*picture, 1, 0), (Rgb{0, 0, 0}));
    }
    Bytes mixed(18432, 0);
    mixed[0] = mixed[6144] = 0x01;  // first two bitmaps: rightmost pixel of the byte
    mixed[1] = mixed[6145] = mixed[12289] = 0xFF;
    PicturePtr picture = Decode(layout.decode, mixed);
    ASSERT_TRUE(picture);
    const Rgb a = layout.byBitmap[0], b = layout.byBitmap[1];
    const Rgb both = {static_cast<uint8_t>(a.red | b.red), static_cast<uint8_t>(a.green | b.green),
                      static_cast<uint8_t>(a.blue | b.blue)};
    EXPECT_EQ(PixelAt(*picture, 7, 0), both) << layout.name;
    EXPECT_EQ(PixelAt(*picture, 6, 0), (Rgb{0, 0, 0}));
    for (int x = 8; x < 16; ++x) EXPECT_EQ(PixelAt(*picture, x, 0), (Rgb{255, 255, 255}));
  }
  // Yellow in the rgb layout, magenta in the 'b' form.
  Bytes twoSet(18432, 0);
  twoSet[0] = twoSet[6144] = 0x80;
  EXPECT_EQ(PixelAt(*Decode(DecodeThreeColourScreen, twoSet), 0, 0), (Rgb{255, 255, 0}));
  EXPECT_EQ(PixelAt(*Decode(DecodeBrgThreeColourScreen, twoSet), 0, 0), (Rgb{255, 0, 255}));
}

TEST(ThreeColour, RowOrderIsInterleavedOrLinear) {
  for (const Layout& layout : kLayouts) {
    for (size_t offset : {size_t{256}, size_t{32}, size_t{2048}, size_t{6143}}) {
      for (int bitmap = 0; bitmap < 3; ++bitmap) {
        Bytes data(18432, 0);
        data[6144 * bitmap + offset] = 0x01;
        PicturePtr picture = Decode(layout.decode, data);
        ASSERT_TRUE(picture);
        const int row = layout.linear ? static_cast<int>(offset / 32) : [&] {
          for (int y = 0; y < 192; ++y) {
            if (ScreenRowOffset(y) == offset - offset % 32) return y;
          }
          return -1;
        }();
        const int x = static_cast<int>(8 * (offset % 32) + 7);
        for (int y = 0; y < 192; ++y) {
          const bool lit = PixelAt(*picture, x, y) == layout.byBitmap[bitmap];
          ASSERT_EQ(lit, y == row) << layout.name << " offset " << offset << " row " << y;
        }
      }
    }
  }
  // The pinned cases: offset 256 is row 1 interleaved and row 8 linear.
  Bytes data(18432, 0);
  data[256] = 0x80;
  EXPECT_EQ(PixelAt(*Decode(DecodeThreeColourScreen, data), 0, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(PixelAt(*Decode(DecodeLinearThreeColourScreen, data), 0, 8), (Rgb{255, 0, 0}));
}

TEST(ThreeColour, ChannelsAreOnlyFullOrOff) {
  Bytes data(18432);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + (i >> 8));
  for (const Layout& layout : kLayouts) {
    PicturePtr picture = Decode(layout.decode, data);
    ASSERT_TRUE(picture);
    for (size_t i = 0; i < PixelBytes(*picture); ++i) {
      ASSERT_TRUE(picture->pixels[i] == 0 || picture->pixels[i] == 255) << layout.name << " byte " << i;
    }
  }
  Bytes zero(18432, 0);
  for (const Layout& layout : kLayouts) {
    PicturePtr picture = Decode(layout.decode, zero);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(std::all_of(picture->pixels, picture->pixels + PixelBytes(*picture), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(PicturePtr(layout.decode(ByteSpan(zero.data(), 18431))));
  }
}

}  // namespace
}  // namespace korvel
