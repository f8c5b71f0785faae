// The korvel_extra screen forms, checked pixel by pixel against their
// layouts written out from the formats' descriptions, on random bytes.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "decoders/attribute_screen.h"
#include "decoders/border_screens.h"
#include "decoders/ifl_screen.h"
#include "decoders/macroscreen.h"
#include "decoders/mgh_gigascreen.h"
#include "decoders/mlt_screen.h"
#include "decoders/next_layer2.h"
#include "decoders/plus3dos_screen.h"
#include "decoders/sca_animation.h"
#include "decoders/timex_screens.h"
#include "decoders/ulaplus_screen.h"
#include "decoders/zx_colour_levels.h"
#include "decoders/zx_tables.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;

using Decoder = DecodeResult (*)(ByteSpan, const Drawing&);

Bytes RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

PicturePtr Decode(Decoder decoder, const Bytes& file) {
  const DecodeResult result = decoder(ByteSpan(file.data(), file.size()), kDefaultDrawing);
  EXPECT_FALSE(result.outOfMemory);
  return PicturePtr(result.picture);
}

size_t Zo(int y) { return ScreenRowOffset(static_cast<unsigned>(y)); }

Rgb Colour(uint8_t bits, int x, uint8_t attribute) {
  return ZxPalette[(bits & PixelMasks[x % 8]) != 0 ? InkIndex(attribute) : PaperIndex(attribute)];
}

// A 256x192 area with one bitmap byte and one attribute byte per 8 pixels.
struct CellForm {
  const char* name;
  Decoder decode;
  Bytes file;
  int left, top;  // where the screen lies in the picture
  std::function<uint8_t(const Bytes&, int x, int y)> bits, attribute;
};

TEST(ExtraScreens, EveryPixelFollowsItsFormsCellLayout) {
  const Bytes scaScreens = RandomBytes(6912, 7);
  const Bytes scaAttributes = RandomBytes(8 + 768, 8);
  const CellForm forms[] = {
      {"MLT", DecodeMltScreen, RandomBytes(12288, 1), 0, 0,
       [](const Bytes& f, int x, int y) { return f[Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[6144 + 32 * y + x / 8]; }},
      {"IFL", DecodeIflScreen, RandomBytes(9216, 2), 0, 0,
       [](const Bytes& f, int x, int y) { return f[Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[6144 + 32 * (y / 2) + x / 8]; }},
      {"Timex hi-colour", DecodeTimexHiColourScreen, RandomBytes(12288, 3), 0, 0,
       [](const Bytes& f, int x, int y) { return f[Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[6144 + Zo(y) + x / 8]; }},
      {"BSC", DecodeBscScreen, RandomBytes(11136, 4), 64, 64,
       [](const Bytes& f, int x, int y) { return f[Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[6144 + 32 * (y / 8) + x / 8]; }},
      {"BMC4", DecodeBmc4Screen, RandomBytes(11904, 5), 64, 64,
       [](const Bytes& f, int x, int y) { return f[Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[(y % 8 < 4 ? 6144 : 6912) + 32 * (y / 8) + x / 8]; }},
      {"attribute screen", DecodeAttributeScreen, RandomBytes(768, 6), 0, 0,
       [](const Bytes&, int, int y) -> uint8_t { return y % 2 == 0 ? 0xAA : 0x55; },
       [](const Bytes& f, int x, int y) { return f[32 * (y / 8) + x / 8]; }},
      // Three screens announced, one in the file: only the first is read.
      {"SCA screens", DecodeScaFirstFrame, testing::WriteSca(0, 3, scaScreens, 40), 0, 0,
       [](const Bytes& f, int x, int y) { return f[43 + Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[43 + 6144 + 32 * (y / 8) + x / 8]; }},
      {"SCA attribute frames", DecodeScaFirstFrame, testing::WriteSca(1, 2, scaAttributes), 0, 0,
       [](const Bytes& f, int, int y) { return f[16 + y % 8]; },
       [](const Bytes& f, int x, int y) { return f[24 + 32 * (y / 8) + x / 8]; }},
      {"+3DOS", DecodePlus3dosScreen, testing::WritePlus3dosScreen(RandomBytes(6912, 9)), 0, 0,
       [](const Bytes& f, int x, int y) { return f[128 + Zo(y) + x / 8]; },
       [](const Bytes& f, int x, int y) { return f[128 + 6144 + 32 * (y / 8) + x / 8]; }},
  };
  for (const CellForm& form : forms) {
    SCOPED_TRACE(form.name);
    const PicturePtr picture = Decode(form.decode, form.file);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, form.left == 0 ? 256 : 384);
    ASSERT_EQ(picture->height, form.top == 0 ? 192 : 304);
    for (int y = 0; y < 192; ++y) {
      for (int x = 0; x < 256; ++x) {
        ASSERT_EQ(PixelAt(*picture, form.left + x, form.top + y), Colour(form.bits(form.file, x, y), x, form.attribute(form.file, x, y)))
            << x << "," << y;
      }
    }
    // One byte short of what the layout reads: no picture.
    const Bytes cut(form.file.begin(), form.file.end() - 1);
    const DecodeResult none = form.decode(ByteSpan(cut.data(), cut.size()), kDefaultDrawing);
    EXPECT_TRUE(none.picture == nullptr && !none.outOfMemory);
  }
}

// The pixel colour of frame `frame` of an MGH file, from its layout.
Rgb MghFramePixel(const Bytes& f, int mode, int frame, int x, int y) {
  const int c = x / 8;
  const uint8_t bits = f[256 + 6144 * frame + Zo(y) + c];
  size_t at;
  if (mode != 1) {
    at = 12544 + static_cast<size_t>(frame) * (6144 / mode) + 32 * (y / mode) + c;
  } else if (c >= 8 && c < 24) {
    at = 12544 + 3072 * frame + 16 * y + (c - 8);
  } else {
    at = 18688 + 384 * frame + 16 * (y / 8) + (c < 8 ? c : c - 16);
  }
  return Colour(bits, x, f[at]);
}

TEST(ExtraScreens, MghBlendsBothFramesInEveryMode) {
  const struct {
    int mode;
    size_t size;
  } modes[] = {{1, 19456}, {2, 18688}, {4, 15616}, {8, 14080}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.mode);
    Bytes file = RandomBytes(m.size + 5, static_cast<unsigned>(m.mode));  // bytes beyond are ignored
    memcpy(file.data(), "MGH\x01", 4);
    file[4] = static_cast<uint8_t>(m.mode);
    const PicturePtr picture = Decode(DecodeMghGigascreen, file);
    ASSERT_TRUE(picture);
    for (int y = 0; y < 192; ++y) {
      for (int x = 0; x < 256; ++x) {
        const Rgb a = MghFramePixel(file, m.mode, 0, x, y), b = MghFramePixel(file, m.mode, 1, x, y);
        const Rgb blend = {static_cast<uint8_t>((a.red + b.red) / 2), static_cast<uint8_t>((a.green + b.green) / 2),
                           static_cast<uint8_t>((a.blue + b.blue) / 2)};
        ASSERT_EQ(PixelAt(*picture, x, y), blend) << x << "," << y;
      }
    }
    file.resize(m.size - 1);
    EXPECT_FALSE(Decode(DecodeMghGigascreen, file));
  }
  Bytes file = RandomBytes(19456, 1);
  memcpy(file.data(), "MGH\x01\x03", 5);  // no mode 3
  EXPECT_FALSE(Decode(DecodeMghGigascreen, file));
  memcpy(file.data(), "MGH\x02\x01", 5);  // no version 2
  EXPECT_FALSE(Decode(DecodeMghGigascreen, file));
}

TEST(ExtraScreens, BorderBytesColourTheirLeftAndRightHalves) {
  const struct {
    Decoder decode;
    size_t size, border;
  } forms[] = {{DecodeBscScreen, 11136, 6912}, {DecodeBmc4Screen, 11904, 7680}};
  for (const auto& form : forms) {
    const Bytes file = RandomBytes(form.size, 11);
    const PicturePtr picture = Decode(form.decode, file);
    ASSERT_TRUE(picture);
    for (int y = 0; y < 304; ++y) {
      for (int x = 0; x < 384; ++x) {
        size_t at;
        if (y < 64) {
          at = form.border + 24 * y + x / 16;
        } else if (y >= 256) {
          at = form.border + 3072 + 24 * (y - 256) + x / 16;
        } else if (x < 64 || x >= 320) {
          at = form.border + 1536 + 8 * (y - 64) + (x < 64 ? x / 16 : 4 + (x - 320) / 16);
        } else {
          continue;  // the screen
        }
        const int colour = (x % 16 < 8 ? file[at] : file[at] >> 3) & 7;
        ASSERT_EQ(PixelAt(*picture, x, y), ZxPalette[colour]) << x << "," << y;
      }
    }
  }
}

TEST(ExtraScreens, UlaplusGroupsAndLevels) {
  // Palette byte GGGRRRBB; levels 0, 36, 73, ..., 255; blue 1, 2, 3 are levels 3, 5, 7.
  const struct {
    uint8_t entry;
    Rgb colour;
  } levels[] = {{0x00, {0, 0, 0}},     {0xFF, {255, 255, 255}}, {0x01, {0, 0, 109}},  {0x02, {0, 0, 182}},
                {0x03, {0, 0, 255}},   {0x04, {36, 0, 0}},      {0x1C, {255, 0, 0}},  {0x20, {0, 36, 0}},
                {0x60, {0, 109, 0}},   {0x88, {73, 146, 0}}};
  // Ink of attribute A is entry 16 g + (A & 7), paper 16 g + 8 + ((A >> 3) & 7), g from bits 7 and 6.
  const struct {
    uint8_t attribute;
    int ink, paper;
  } groups[] = {{0x00, 0, 8}, {0x3F, 7, 15}, {0x41, 17, 24}, {0x8A, 34, 41}, {0xC7, 55, 56}, {0xFF, 55, 63}};

  Bytes file(6976, 0);
  for (int y = 0; y < 192; ++y) memset(&file[Zo(y)], 0xF0, 32);  // left half ink, right half paper
  for (size_t i = 0; i < std::size(groups); ++i) file[6144 + i] = groups[i].attribute;
  Bytes palette(64);
  for (int e = 0; e < 64; ++e) palette[e] = static_cast<uint8_t>(e * 37 + 5);
  for (size_t i = 0; i < std::size(levels); ++i) palette[i] = levels[i].entry;
  memcpy(&file[6912], palette.data(), 64);

  const PicturePtr picture = Decode(DecodeUlaplusScreen, file);
  ASSERT_TRUE(picture);
  auto expected = [&](int entry) {
    const uint8_t p = palette[entry];
    const int v[8] = {0, 36, 73, 109, 146, 182, 219, 255}, blue[4] = {0, 3, 5, 7};
    return Rgb{static_cast<uint8_t>(v[(p >> 2) & 7]), static_cast<uint8_t>(v[p >> 5]), static_cast<uint8_t>(v[blue[p & 3]])};
  };
  for (const auto& level : levels) EXPECT_EQ(UlaplusColour(level.entry), level.colour) << int{level.entry};
  for (size_t i = 0; i < std::size(groups); ++i) {
    const int x = 8 * static_cast<int>(i);
    EXPECT_EQ(PixelAt(*picture, x, 3), expected(groups[i].ink)) << i;
    EXPECT_EQ(PixelAt(*picture, x + 4, 3), expected(groups[i].paper)) << i;
  }
  EXPECT_EQ(PixelAt(*picture, 0, 0), levels[0].colour);
}

TEST(ExtraScreens, TimexHiResInterleavesTwoBitmapsInBrightComplementaryColours) {
  const struct {
    uint8_t colourByte;
    int ink, paper;
  } colours[] = {{0x00, 8, 15}, {0x08, 9, 14}, {0x38, 15, 8}, {0xC7, 8, 15}, {0x16, 10, 13}};
  for (const auto& c : colours) {
    Bytes file = RandomBytes(12289, c.colourByte);
    file[12288] = c.colourByte;
    const PicturePtr picture = Decode(DecodeTimexHiResScreen, file);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, 512);
    ASSERT_EQ(picture->height, 192);
    for (int y = 0; y < 192; ++y) {
      for (int x = 0; x < 512; ++x) {
        const int k = x / 8;
        const uint8_t bits = file[(k % 2 == 0 ? 0 : 6144) + Zo(y) + k / 2];
        ASSERT_EQ(PixelAt(*picture, x, y), ZxPalette[(bits & PixelMasks[x % 8]) != 0 ? c.ink : c.paper]) << x << "," << y;
      }
    }
  }
}

TEST(ExtraScreens, NextColoursWithAndWithoutPalette) {
  // Without a palette, index RRRGGGBB; the low blue bit is the OR of the two.
  const struct {
    uint8_t index;
    Rgb colour;
  } implicit[] = {{0x00, {0, 0, 0}}, {0xFF, {255, 255, 255}}, {0x01, {0, 0, 109}}, {0x02, {0, 0, 182}},
                  {0xE0, {255, 0, 0}}, {0x1C, {0, 255, 0}}, {0x49, {73, 73, 109}}};
  Bytes plain(49152, 0);
  for (size_t i = 0; i < std::size(implicit); ++i) plain[i] = implicit[i].index;
  PicturePtr picture = Decode(DecodeNextLayer2Picture, plain);
  ASSERT_TRUE(picture);
  for (size_t i = 0; i < std::size(implicit); ++i) EXPECT_EQ(PixelAt(*picture, static_cast<int>(i), 0), implicit[i].colour) << i;

  // With one: entry i is RRRGGGBB and, in bit 0 of its second byte, the low blue bit.
  Bytes withPalette(512 + 49152, 0);
  const uint8_t entries[][2] = {{0x00, 0x01}, {0x02, 0x00}, {0x02, 0xFF}, {0x03, 0x00}, {0x92, 0x00}};
  for (size_t i = 0; i < std::size(entries); ++i) {
    withPalette[2 * (10 + i)] = entries[i][0];
    withPalette[2 * (10 + i) + 1] = entries[i][1];
    withPalette[512 + 256 * 191 + i] = static_cast<uint8_t>(10 + i);  // bottom row
  }
  const Rgb expected[] = {{0, 0, 36}, {0, 0, 146}, {0, 0, 182}, {0, 0, 219}, {146, 146, 146}};
  picture = Decode(DecodeNextLayer2Picture, withPalette);
  ASSERT_TRUE(picture);
  for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(PixelAt(*picture, static_cast<int>(i), 191), expected[i]) << i;

  for (size_t size : {49151u, 49153u, 49663u, 49665u}) {
    EXPECT_FALSE(Decode(DecodeNextLayer2Picture, Bytes(size, 0))) << size;
  }
}

TEST(ExtraScreens, HeadersThatDoNotHold) {
  const Bytes screen = RandomBytes(6912, 3);
  auto plus3 = [&](size_t at, uint8_t value) {
    Bytes file = testing::WritePlus3dosScreen(screen);
    file[at] = value;
    return file;
  };
  auto sca = [](size_t at, uint8_t value) {
    Bytes file = testing::WriteSca(0, 1, RandomBytes(6912, 4));
    file[at] = value;
    return file;
  };
  const struct {
    const char* what;
    Decoder decode;
    Bytes file;
  } cases[] = {
      {"+3DOS checksum", DecodePlus3dosScreen, plus3(127, testing::WritePlus3dosScreen(screen)[127] ^ 1)},
      {"+3DOS not a code file", DecodePlus3dosScreen, plus3(15, 0)},  // the checksum no longer holds either
      {"+3DOS signature", DecodePlus3dosScreen, plus3(8, 0x1B)},
      {"SCA width", DecodeScaFirstFrame, sca(5, 0)},
      {"SCA height", DecodeScaFirstFrame, sca(6, 191)},
      {"SCA no frames", DecodeScaFirstFrame, sca(9, 0)},
      {"SCA type 2", DecodeScaFirstFrame, sca(11, 2)},
      {"SCA payload past the end", DecodeScaFirstFrame, sca(13, 0xFF)},
  };
  for (const auto& c : cases) {
    const DecodeResult result = c.decode(ByteSpan(c.file.data(), c.file.size()), kDefaultDrawing);
    EXPECT_TRUE(result.picture == nullptr && !result.outOfMemory) << c.what;
    ReleasePicture(result.picture);
  }
  // A header whose checksum holds but which announces another length.
  Bytes other = testing::WritePlus3dosScreen(screen);
  other[17] = 0x18;  // 6144
  other[127] = static_cast<uint8_t>(other[127] - 0x1B + 0x18);
  EXPECT_FALSE(Decode(DecodePlus3dosScreen, other));
}

TEST(ExtraScreens, MacroscreenCells) {
  // 3 x 2 cells of 9 bytes: lines, then the attribute.
  Bytes file = {'C', 'h', 'R', '$', 3, 2, 9};
  const Bytes cells = RandomBytes(3 * 2 * 9, 12);
  file.insert(file.end(), cells.begin(), cells.end());
  PicturePtr picture = Decode(DecodeMacroscreen, file);
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->width, 24);
  ASSERT_EQ(picture->height, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) {
      const size_t cell = 7 + 9 * (3 * (y / 8) + x / 8);
      ASSERT_EQ(PixelAt(*picture, x, y), Colour(file[cell + y % 8], x, file[cell + 8])) << x << "," << y;
    }
  }

  // 8-byte cells are white on black; 18-byte cells blend their two 9-byte halves.
  Bytes eight = {'c', 'h', 'r', '$', 1, 1, 8, 0xF0, 0, 0, 0, 0, 0, 0, 0};
  picture = Decode(DecodeMacroscreen, eight);
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 4, 0), ZxPalette[0]);
  Bytes pair = {'c', 'h', 'r', '$', 1, 1, 18};
  for (uint8_t attribute : {uint8_t{0x47}, uint8_t{0x00}}) {
    pair.insert(pair.end(), 8, 0xFF);
    pair.push_back(attribute);
  }
  picture = Decode(DecodeMacroscreen, pair);
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 7, 7), (Rgb{127, 127, 127}));

  // The largest: 255 x 255 cells.
  Bytes large = {'c', 'h', 'r', '$', 255, 255, 8};
  large.resize(7 + 255 * 255 * 8, 0xFF);
  picture = Decode(DecodeMacroscreen, large);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 2040);
  EXPECT_EQ(PixelAt(*picture, 2039, 2039), ZxPalette[7]);

  const struct {
    const char* what;
    size_t at;
    uint8_t value;
  } bad[] = {{"signature", 3, '#'}, {"letter", 0, 'd'}, {"width 0", 4, 0}, {"height 0", 5, 0}, {"cell size", 6, 10}};
  for (const auto& b : bad) {
    Bytes broken = file;
    broken[b.at] = b.value;
    EXPECT_FALSE(Decode(DecodeMacroscreen, broken)) << b.what;
  }
  file.pop_back();
  EXPECT_FALSE(Decode(DecodeMacroscreen, file)) << "short by one byte";
  EXPECT_FALSE(Decode(DecodeMacroscreen, Bytes{'c', 'h', 'r', '$', 1, 1})) << "header cut short";
}

}  // namespace
}  // namespace korvel
