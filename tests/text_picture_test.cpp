// Text pictures: the layout of lines, what breaks it, and the colours.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decoders/text_picture.h"
#include "decoders/zx_colour_levels.h"
#include "decoders/zx_tables.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;
using Lines = std::vector<std::string>;

DecodeResult DecodeText(const std::string& text) {
  return DecodeTextPicture(ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string Join(const Lines& lines, const std::string& end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

// 16 x 4 pixels, cells 8 x 2. Lines 2-5 are the bitmap, 7-8 the attributes.
const Lines kBase = {"ZX-Paintbrush image", "",
                     "1111000010101010", "0000111101010101", "1100110000110011", "0000000011111111",
                     "", "47 0A", "38 C1"};
const std::string kPalette = [] {
  std::string line;
  for (int i = 0; i < 64; ++i) line += (i ? " " : "") + std::string(1, "0123456789ABCDEF"[(i * 7) % 16]) + "3";
  return line;
}();

Lines With(std::function<void(Lines&)> change) {
  Lines lines = kBase;
  change(lines);
  return lines;
}

TEST(TextPicture, WhichTextsAreTextPictures) {
  const struct {
    const char* what;
    std::string text;
    bool isPicture;
  } cases[] = {
      {"LF", Join(kBase), true},
      {"CR LF", Join(kBase, "\r\n"), true},
      {"last line without its end", Join(kBase).substr(0, Join(kBase).size() - 1), true},
      {"empty lines at the end", Join(kBase, "\r\n") + "\r\n\n\r\n", true},
      {"extended", Join(With([](Lines& l) { l[0] = "ZX-Paintbrush extended image"; })), true},
      {"lower-case hex", Join(With([](Lines& l) { l[8] = "38 c1"; })), true},
      {"palette", Join(kBase) + "\n" + kPalette + "\n", true},
      {"cells 8x4", Join(With([](Lines& l) { l.pop_back(); })), true},
      {"cells 8x1", Join(With([](Lines& l) { l.insert(l.end(), {"00 00", "00 00"}); })), true},
      {"cells 8x8", Join(With([](Lines& l) { l.insert(l.begin() + 6, 4, "1111111100000000"); l.pop_back(); })), true},
      {"ragged line", Join(With([](Lines& l) { l[3] += "0"; })), false},
      {"other character", Join(With([](Lines& l) { l[4][5] = '2'; })), false},
      {"width not a multiple of 8", Join(With([](Lines& l) { for (int i = 2; i < 6; ++i) l[i].resize(12); })), false},
      {"no bitmap", Join({"ZX-Paintbrush image", "", "", "47"}), false},
      {"cells 8x3", Join(With([](Lines& l) { l.erase(l.begin() + 5); l.insert(l.begin() + 2, 3, "0000000000000000"); })), false},
      {"rows not a multiple of the cells", Join(With([](Lines& l) { l.push_back("00 00"); })), false},
      {"cells 8x16", Join(With([](Lines& l) { l.insert(l.begin() + 6, 12, "0000000000000000"); l.pop_back(); })), false},
      {"attribute count", Join(With([](Lines& l) { l[7] = "47 0A 00"; })), false},
      {"two spaces", Join(With([](Lines& l) { l[7] = "47  0A"; })), false},
      {"not hex", Join(With([](Lines& l) { l[7] = "4G 0A"; })), false},
      {"no attributes", Join(With([](Lines& l) { l.resize(7); })), false},
      {"palette of 63", Join(kBase) + "\n" + kPalette.substr(0, kPalette.size() - 3) + "\n", false},
      {"palette of 65", Join(kBase) + "\n" + kPalette + " 00\n", false},
      {"two empty lines before the palette", Join(kBase) + "\n\n" + kPalette + "\n", false},
      {"a line after the palette", Join(kBase) + "\n" + kPalette + "\n\n00\n", false},
      {"a line after the attributes", Join(kBase) + "\n00 00\n", false},
      {"no empty line after line 1", Join(With([](Lines& l) { l.erase(l.begin() + 1); })), false},
      {"line 1 with more", Join(With([](Lines& l) { l[0] += " "; })), false},
      {"line 1 of another case", Join(With([](Lines& l) { l[0] = "ZX-PAINTBRUSH IMAGE"; })), false},
      {"lone CR", Join(kBase, "\r"), false},
      {"wider than 4096", Join({"ZX-Paintbrush image", "", std::string(4104, '1'), "", std::string(3 * 513 - 1, ' ')}), false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    const DecodeResult result = DecodeText(c.text);
    EXPECT_EQ(result.picture != nullptr, c.isPicture) << c.what;
    EXPECT_FALSE(result.outOfMemory) << c.what;
    ReleasePicture(result.picture);
  }
}

TEST(TextPicture, LargestSidesAreTaken) {
  // 8 x 4096 and 4096 x 8, cells 8 x 8; one pixel more is refused.
  for (int height : {4096, 4104}) {
    Lines lines = {"ZX-Paintbrush image", ""};
    lines.insert(lines.end(), height, "10000001");
    lines.push_back("");
    lines.insert(lines.end(), height / 8, "07");
    const DecodeResult result = DecodeText(Join(lines));
    EXPECT_EQ(result.picture != nullptr, height == 4096) << height;
    if (result.picture) EXPECT_EQ(PixelAt(*result.picture, 7, height - 1), ZxPalette[7]);
    ReleasePicture(result.picture);
  }
  std::string attributes(3 * 512 - 1, ' ');
  for (size_t i = 0; i < attributes.size(); i += 3) attributes.replace(i, 2, "38");
  Lines wide = {"ZX-Paintbrush image", ""};
  wide.insert(wide.end(), 8, std::string(4096, '0'));
  wide.insert(wide.end(), {"", attributes});
  PicturePtr picture(DecodeText(Join(wide)).picture);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 4096);
  EXPECT_EQ(PixelAt(*picture, 4095, 7), ZxPalette[7]);
}

TEST(TextPicture, PixelsTakeTheCellAttributeOrTheUlaplusPalette) {
  testing::TextPicture text;
  text.bitmapRows = {{0xF0, 0xAA}, {0x0F, 0x55}, {0xCC, 0x33}, {0x00, 0xFF}};
  text.attributeRows = {{0x47, 0x0A}, {0x38, 0xC1}};
  Bytes palette(64);
  for (int i = 0; i < 64; ++i) palette[i] = static_cast<uint8_t>(i * 53 + 17);
  for (bool withPalette : {false, true}) {
    if (withPalette) text.palette = palette;
    text.lineEnd = withPalette ? "\r\n" : "\n";
    PicturePtr picture(DecodeText(testing::WriteTextPicture(text)).picture);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, 16);
    ASSERT_EQ(picture->height, 4);
    const UlaplusPalette ulaplus = UlaplusPalette::FromBytes(palette.data());
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 16; ++x) {
        const uint8_t attribute = text.attributeRows[y / 2][x / 8];
        const bool ink = (text.bitmapRows[y][x / 8] & PixelMasks[x % 8]) != 0;
        const Rgb expected = withPalette ? (ink ? ulaplus.Ink(attribute) : ulaplus.Paper(attribute))
                                         : ZxPalette[ink ? InkIndex(attribute) : PaperIndex(attribute)];
        EXPECT_EQ(PixelAt(*picture, x, y), expected) << x << "," << y << (withPalette ? " with palette" : "");
      }
    }
  }
}

}  // namespace
}  // namespace korvel
