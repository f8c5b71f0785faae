// Loading and recognition: size limits, the extension, raw sizes, the Hobeta
// header checks and the order of the wrapped-file rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decoders/standard_screen.h"
#include "plugin/load.h"
#include "plugin/recognition.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::HobetaFields;
using testing::LoadBytes;
using testing::LoadedPlugin;
using testing::PicturePtr;
using testing::PixelAt;
using testing::WrapHobeta;

Bytes Screen(uint8_t attribute) {
  Bytes screen(6912, 0);
  for (size_t i = 6144; i < 6912; ++i) screen[i] = attribute;
  return screen;
}

HobetaFields Fields(uint8_t type = 'C', uint16_t start = 0x4000) {
  HobetaFields fields;
  fields.type = type;
  fields.start = start;
  return fields;
}

// The rule a wrapped file meets first in a deliverable, by name; "" for none
// and "refused" when the header checks fail.
std::string RuleFor(const Bytes& file, const DeliverableDescription& deliverable) {
  if (file.size() < 17) return "refused";
  uint8_t area[kLargestLoadArea] = {};
  memcpy(area, file.data(), file.size());
  uint8_t header[kHobetaHeaderBytes];
  memcpy(header, area, sizeof header);
  WrappedFile wrapped = {};
  wrapped.header = ReadHobetaHeader(header);
  if (file.size() < wrapped.header.sectorCount * 256u + 17 || HobetaChecksum(header) != wrapped.header.checksum) {
    return "refused";
  }
  wrapped.fileSize = static_cast<uint32_t>(file.size());
  wrapped.data = ByteSpan(area, kReadBufferBytes).From(17);
  wrapped.lead = wrapped.data.Peek(0, kLeadBytes);
  wrapped.loadArea = area;
  wrapped.deliverable = &deliverable;
  const HobetaRule* rule = FindHobetaRule(wrapped, deliverable);
  return rule != nullptr ? rule->name : "";
}

TEST(Extension, IsTheTextFromTheLastDot) {
  EXPECT_STREQ(FileExtension("pic.scr"), ".scr");
  EXPECT_STREQ(FileExtension("a.b.RGB"), ".RGB");
  EXPECT_STREQ(FileExtension("dir.old\\pic"), ".old\\pic");  // the scan does not stop at separators
  EXPECT_STREQ(FileExtension("dir.old/pic"), ".old/pic");
  EXPECT_STREQ(FileExtension("noext"), "noext");
  EXPECT_STREQ(FileExtension(".xpv"), ".xpv");
  EXPECT_STREQ(FileExtension(""), "");
}

TEST(HobetaHeader, ChecksumOfAZeroHeaderIs105) {
  const uint8_t zero[15] = {};
  EXPECT_EQ(HobetaChecksum(zero), 105);
  uint8_t bytes[15];
  memset(bytes, 0xFF, sizeof bytes);
  EXPECT_EQ(HobetaChecksum(bytes), static_cast<uint16_t>(15 * 255 * 257 + 105));
}

TEST(Loading, SizeLimitsHoldInMemoryAndOnDisk) {
  LoadedPlugin plugin(KORVEL_HOBETA_PLUGIN);
  // 16 bytes: refused before anything is looked at; 17: goes to the header checks.
  Bytes tiny(16, 0);
  EXPECT_FALSE(LoadBytes(tiny, "x", kKorvelHobeta));
  EXPECT_FALSE(plugin.Load(tiny, "x.scr").loaded());
  // A 65552-byte wrapped screen passes; one byte more does not.
  HobetaFields fields = Fields();
  fields.padToSectors = false;
  Bytes big = WrapHobeta(Screen(0x38), fields);
  big.resize(65552, 0);
  EXPECT_TRUE(LoadBytes(big, "big.$s", kKorvelHobeta));
  EXPECT_TRUE(plugin.Load(big, "big.$s").loaded());
  big.push_back(0);
  EXPECT_FALSE(LoadBytes(big, "big.$s", kKorvelHobeta));
  EXPECT_FALSE(plugin.Load(big, "big.$s").loaded());
}

TEST(Loading, RawScreensIgnoreTheName) {
  for (const char* name : {"pic.txt", "noext", "pic.scr", "pic.RGB"}) {
    PicturePtr picture = LoadBytes(Screen(0x38), name, kKorvelScreens);
    ASSERT_TRUE(picture) << name;
    EXPECT_EQ(PixelAt(*picture, 0, 0), ZxPalette[7]);
  }
  Bytes bitmap(6144, 0xFF);
  PicturePtr picture = LoadBytes(bitmap, "pic", kKorvelHobeta);
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 5, 5), (Rgb{0xBF, 0xBF, 0xBF}));
}

TEST(Loading, ThreeColourExtensionsAreExactAndCaseSensitive) {
  Bytes data(18432, 0);
  data[0] = 0x80;      // first bitmap, row 0
  data[32] = 0x80;     // row 8 interleaved, row 1 linear
  for (const char* name : {"a.rgb", "a.xpc", "dir/a.xpv"}) {
    for (const DeliverableDescription* d : {&kKorvelHobeta, &kKorvelScreens}) {
      PicturePtr picture = LoadBytes(data, name, *d);
      ASSERT_TRUE(picture) << name;
      const bool linear = std::string(name).ends_with(".xpv");
      EXPECT_EQ(PixelAt(*picture, 0, 0), (Rgb{255, 0, 0}));
      EXPECT_EQ(PixelAt(*picture, 0, linear ? 1 : 8), (Rgb{255, 0, 0})) << name;
    }
  }
  // ".RGB" is no ".rgb": the bytes are examined as a wrapped file and refused.
  EXPECT_FALSE(LoadBytes(data, "a.RGB", kKorvelHobeta));
  EXPECT_FALSE(LoadBytes(data, "a.rgb.bak", kKorvelScreens));
}

TEST(Loading, HobetaChecksAndSectorCount) {
  Bytes file = WrapHobeta(Screen(0x38), Fields());
  ASSERT_EQ(file.size(), 17u + 27 * 256);
  EXPECT_EQ(RuleFor(file, kKorvelHobeta), "wrapped standard screen");
  EXPECT_TRUE(LoadBytes(file, "a.$s", kKorvelHobeta));

  Bytes shortFile(file.begin(), file.end() - 1);  // one byte short of 27 sectors
  EXPECT_FALSE(LoadBytes(shortFile, "a.$s", kKorvelHobeta));

  Bytes badSum = file;
  badSum[15] ^= 1;
  EXPECT_FALSE(LoadBytes(badSum, "a.$s", kKorvelHobeta));
  Bytes badName = file;
  badName[3] ^= 0x20;  // the name is summed too
  EXPECT_FALSE(LoadBytes(badName, "a.$s", kKorvelHobeta));
}

TEST(Loading, WrappedStandardAndBitmapOnlyScreens) {
  Bytes screen = Screen(0x0A);
  screen[0] = 0x80;
  PicturePtr wrapped = LoadBytes(WrapHobeta(screen, Fields()), "a.$s", kKorvelScreens);
  ASSERT_TRUE(wrapped);
  EXPECT_EQ(PixelAt(*wrapped, 0, 0), (Rgb{0xBF, 0x08, 0x08}));
  EXPECT_EQ(PixelAt(*wrapped, 1, 0), (Rgb{0x08, 0x08, 0xBF}));

  Bytes bitmap(screen.begin(), screen.begin() + 6144);
  Bytes file = WrapHobeta(bitmap, Fields());
  EXPECT_EQ(RuleFor(file, kKorvelScreens), "wrapped bitmap-only screen");
  PicturePtr bitmapOnly = LoadBytes(file, "a.$s", kKorvelHobeta);
  ASSERT_TRUE(bitmapOnly);
  EXPECT_EQ(PixelAt(*bitmapOnly, 0, 0), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*bitmapOnly, 1, 0), ZxPalette[0]);
}

TEST(Rules, FirstMatchDecidesInTableOrder) {
  // A 6912-byte screen whose data begin with LCMP5 is still an unpacked screen.
  Bytes screen = Screen(0x38);
  memcpy(screen.data(), "LCMP5", 5);
  EXPECT_EQ(RuleFor(WrapHobeta(screen, Fields()), kKorvelHobeta), "wrapped standard screen");
  // Type '8' at 0x3838 wins over the length test of a 768-byte set.
  Bytes glyphs(768, 0);
  EXPECT_EQ(RuleFor(WrapHobeta(glyphs, Fields('8', 0x3838)), kKorvelHobeta), "block-coded screen");
  EXPECT_EQ(RuleFor(WrapHobeta(glyphs, Fields('8', 0x3839)), kKorvelHobeta), "96-character set");
  // Unknown data: no rule.
  EXPECT_EQ(RuleFor(WrapHobeta(Bytes(300, 1), Fields()), kKorvelHobeta), "");
  EXPECT_FALSE(LoadBytes(WrapHobeta(Bytes(300, 1), Fields()), "a.$c", kKorvelHobeta));
}

TEST(Rules, CharacterSetOrderFollowsTheGlyphOfTheSpace) {
  Bytes glyphs(2048, 0);
  glyphs[8] = 0x80;  // consecutive: character 1, line 0
  EXPECT_EQ(RuleFor(WrapHobeta(glyphs, Fields()), kKorvelHobeta), "256-character set");
  PicturePtr consecutive = LoadBytes(WrapHobeta(glyphs, Fields()), "f.$c", kKorvelHobeta);
  ASSERT_TRUE(consecutive);
  EXPECT_EQ(consecutive->height, 64);
  EXPECT_EQ(PixelAt(*consecutive, 8, 0), RgbBlack);
  glyphs[260] = 1;  // D[256..263] not blank: line-major
  PicturePtr lineMajor = LoadBytes(WrapHobeta(glyphs, Fields()), "f.$c", kKorvelHobeta);
  ASSERT_TRUE(lineMajor);
  EXPECT_EQ(PixelAt(*lineMajor, 8, 0), RgbWhite);
  EXPECT_EQ(PixelAt(*lineMajor, 8 * 8, 0), RgbBlack);  // data[8]: line 0 of character 8
}

TEST(Rules, HrThreeColourHeaderTests) {
  // Type 'Y' at 0xB800, "HR" at D[259], packed length below unpacked and
  // below the data length.
  auto file = [](size_t dataBytes, uint16_t unpacked, uint16_t packed) {
    Bytes data(std::max<size_t>(dataBytes, 265), 0);
    data[259] = 'H';
    data[260] = 'R';
    data[261] = static_cast<uint8_t>(unpacked);
    data[262] = static_cast<uint8_t>(unpacked >> 8);
    data[263] = static_cast<uint8_t>(packed);
    data[264] = static_cast<uint8_t>(packed >> 8);
    data.resize(dataBytes);  // a short file ends before the fields it would need
    HobetaFields fields = Fields('Y', 0xB800);
    fields.padToSectors = false;
    fields.sectorCount = 0;
    return WrapHobeta(data, fields);
  };
  EXPECT_EQ(RuleFor(file(400, 18432, 300), kKorvelScreens), "HR-packed three-colour screen");
  EXPECT_EQ(RuleFor(file(247, 18432, 100), kKorvelHobeta), "");  // 264 bytes in all: too short
  EXPECT_EQ(RuleFor(file(260, 18432, 100), kKorvelHobeta), "");  // the fields lie past the file end
  EXPECT_EQ(RuleFor(file(265, 18432, 100), kKorvelHobeta), "HR-packed three-colour screen");
  EXPECT_EQ(RuleFor(file(400, 300, 300), kKorvelHobeta), "");   // packed not below unpacked
  EXPECT_EQ(RuleFor(file(400, 18432, 400), kKorvelHobeta), "");  // packed not below the data length
  EXPECT_EQ(RuleFor(file(400, 18432, 399), kKorvelHobeta), "HR-packed three-colour screen");
}

TEST(Rules, WrappedFormsOnlyTheFullSetReads) {
  struct Case {
    size_t bytes;
    uint8_t type;
    const char* rule;
  };
  const Case cases[] = {
      {13824, 'C', "wrapped gigascreen"},
      {18432, 'C', "wrapped three-colour screen"},
      {18432, 'b', "wrapped three-colour screen"},
      {12288, 'C', "wrapped multicolour screen"},
      {24576, 'C', "wrapped multicolour gigascreen"},
  };
  for (const Case& c : cases) {
    const Bytes file = WrapHobeta(Bytes(c.bytes, 0), Fields(c.type));
    EXPECT_EQ(RuleFor(file, kKorvelHobeta), c.rule);
    EXPECT_EQ(RuleFor(file, kKorvelScreens), "") << c.rule;
    EXPECT_TRUE(LoadBytes(file, "x.$c", kKorvelHobeta));
    EXPECT_FALSE(LoadBytes(file, "x.$c", kKorvelScreens));
  }
  Bytes sheet(300, 0);
  memcpy(sheet.data(), "BIT", 3);
  HobetaFields fields = Fields();
  fields.length = 300;
  sheet[4] = 300 - 256;
  EXPECT_EQ(RuleFor(WrapHobeta(sheet, fields), kKorvelHobeta), "BIT sprite sheet");
  EXPECT_EQ(RuleFor(WrapHobeta(sheet, fields), kKorvelScreens), "");
  sheet[4] = 0;  // word at D[4] must equal length - 256
  EXPECT_EQ(RuleFor(WrapHobeta(sheet, fields), kKorvelHobeta), "");
  fields.length = 200;  // below 256 never matches, whatever D[4] holds
  sheet[4] = static_cast<uint8_t>(200 - 256);
  sheet[5] = 0xFF;
  EXPECT_EQ(RuleFor(WrapHobeta(sheet, fields), kKorvelHobeta), "");
}

TEST(Rules, HrGigascreenSignatureNeedsTheUnpackedLength) {
  Bytes data(300, 0);
  memcpy(data.data(), "HR\x00\x36", 4);
  EXPECT_EQ(RuleFor(WrapHobeta(data, Fields()), kKorvelHobeta), "HR-packed gigascreen");
  EXPECT_EQ(RuleFor(WrapHobeta(data, Fields()), kKorvelScreens), "");
  data[3] = 0x48;  // 18432 is not this rule's length
  EXPECT_EQ(RuleFor(WrapHobeta(data, Fields()), kKorvelHobeta), "");
}

}  // namespace
}  // namespace korvel
