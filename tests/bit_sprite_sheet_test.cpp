// BIT sprite sheets: line deltas, attributes, stacking, geometry and the
// bounds of the read buffer.

#include <gtest/gtest.h>

#include <algorithm>

#include "decoders/bit_sprite_sheet.h"
#include "decoders/zx_tables.h"
#include "tests/support/bit_sheet_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::BitCell;
using testing::BitSheetWriter;
using testing::Bytes;
using testing::PicturePtr;
using testing::PixelAt;
using testing::RawBitCell;

PicturePtr Decode(const Bytes& data) { return PicturePtr(DecodeBitSpriteSheet(ByteSpan(data.data(), data.size()))); }

// A one-cell sheet whose cell is stored as `cell`; the decoded lines, read
// back from the picture as bitmap bytes (ink is any non-black pixel).
std::array<uint8_t, 8> LinesOfCell(const Bytes& cell, bool withAttribute = false) {
  BitSheetWriter writer;
  writer.AddEntry(1, 1, static_cast<uint16_t>(12 | (withAttribute ? 0x8000 : 0)));
  writer.Place(12, cell);
  PicturePtr picture = Decode(writer.Finish());
  std::array<uint8_t, 8> lines = {};
  if (!picture) return lines;
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 8; ++k) {
      if (!(PixelAt(*picture, k, i) == ZxPalette[0])) lines[i] |= PixelMasks[k];
    }
  }
  return lines;
}

using Lines = std::array<uint8_t, 8>;

TEST(BitSpriteSheet, LineDeltasApplyTheLastByteAgain) {
  EXPECT_EQ(LinesOfCell(RawBitCell(0xFF, {0x80, 0x80, 0, 0, 0, 0, 0, 0})), (Lines{0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(LinesOfCell(RawBitCell(0x01, {0xFF})), (Lines{0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}));
  EXPECT_EQ(LinesOfCell(RawBitCell(0x80, {0x3C})), (Lines{0, 0, 0, 0, 0, 0, 0, 0x3C}));
  EXPECT_EQ(LinesOfCell(RawBitCell(0x00, {})), (Lines{}));
  // Bits 1 and 4: 0 0x18 0 0x18 0x24 0 0x24 0 (the delta 0x3C applied once).
  EXPECT_EQ(LinesOfCell(RawBitCell(0x12, {0x18, 0x3C})), (Lines{0, 0x18, 0, 0x18, 0x24, 0x18, 0x24, 0x18}));
}

TEST(BitSpriteSheet, EncodedCellsComeBack) {
  const Lines shapes[] = {{0x3C, 0x42, 0x81, 0x81, 0x81, 0x81, 0x42, 0x3C},
                          {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                          {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
                          {0, 0, 0, 0, 0, 0, 0, 1}};
  for (const Lines& shape : shapes) {
    BitCell cell;
    cell.lines = shape;
    EXPECT_EQ(LinesOfCell(testing::EncodeBitCell(cell, false)), shape);
  }
  BitCell stripes;
  stripes.lines = shapes[2];
  // The mask, 0xAA for line 0, then 0xFF serves every line after.
  EXPECT_EQ(testing::EncodeBitCell(stripes, false), (Bytes{0x03, 0xAA, 0xFF}));
}

TEST(BitSpriteSheet, AttributesColourInkAndPaper) {
  BitSheetWriter writer;
  BitCell bright, inverse, flash;
  bright.lines = {0x80};
  bright.attribute = 0x47;
  inverse.lines = {0x80};
  inverse.attribute = 0x38;
  flash.lines = {0x80};
  flash.attribute = 0xC7;
  writer.AddSprite(3, 1, {bright, inverse, flash}, true);
  BitCell plain;
  plain.lines = {0x80};
  plain.attribute = 0x38;  // not written: this sprite has no attributes
  writer.AddSprite(1, 1, {plain}, false);
  PicturePtr picture = Decode(writer.Finish());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 24);
  EXPECT_EQ(picture->height, 16);
  EXPECT_EQ(PixelAt(*picture, 0, 0), ZxPalette[15]);
  EXPECT_EQ(PixelAt(*picture, 1, 0), ZxPalette[8]);
  EXPECT_EQ(PixelAt(*picture, 8, 0), ZxPalette[0]);
  EXPECT_EQ(PixelAt(*picture, 9, 0), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 16, 0), ZxPalette[15]);  // bit 7 changes nothing
  EXPECT_EQ(PixelAt(*picture, 0, 8), ZxPalette[7]);    // attribute 7: white ink
  EXPECT_EQ(PixelAt(*picture, 1, 8), ZxPalette[0]);
  EXPECT_EQ(PixelAt(*picture, 8, 8), (Rgb{0, 0, 0}));   // right of a narrower sprite
  // A mask of 0 takes one byte, two with the attribute flag.
  BitSheetWriter two;
  two.AddEntry(2, 1, 0x8000 | 12);
  two.Place(12, {0x00, 0x38, 0x00, 0x0A});
  PicturePtr cells = Decode(two.Finish());
  ASSERT_TRUE(cells);
  EXPECT_EQ(PixelAt(*cells, 3, 3), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*cells, 11, 3), ZxPalette[1]);
}

TEST(BitSpriteSheet, SpritesStackAtTheLeftEdge) {
  BitSheetWriter writer;
  std::vector<BitCell> narrow(2 * 2), wide(4 * 1);
  for (size_t i = 0; i < narrow.size(); ++i) narrow[i].lines.fill(static_cast<uint8_t>(0x80 >> i));
  for (size_t i = 0; i < wide.size(); ++i) wide[i].lines.fill(0xFF);
  writer.AddSprite(2, 2, narrow, false);
  writer.AddEntry(0, 3, 0x7FFF);  // a black band 24 rows high, no bytes read
  writer.AddSprite(4, 1, wide, false);
  PicturePtr picture = Decode(writer.Finish());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 32);
  EXPECT_EQ(picture->height, 8 * (2 + 3 + 1));
  // Cells row by row, left to right.
  EXPECT_EQ(PixelAt(*picture, 0, 0), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 9, 0), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 2, 8), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 11, 15), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 10, 15), ZxPalette[0]);
  for (int y = 16; y < 40; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(PixelAt(*picture, x, y), (Rgb{0, 0, 0}));
  }
  for (int x = 0; x < 32; ++x) EXPECT_EQ(PixelAt(*picture, x, 40), ZxPalette[7]);
}

TEST(BitSpriteSheet, SpritesMaySharePlaceAnywhereStreams) {
  BitSheetWriter writer;
  writer.AddEntry(1, 1, 300);
  writer.AddEntry(1, 1, 300);
  writer.AddEntry(1, 1, 0x8000 | 300);  // the same stream, its next byte as attribute
  writer.Place(300, {0x01, 0xF0, 0x0A});
  PicturePtr picture = Decode(writer.Finish());
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 0, 8), ZxPalette[7]);
  EXPECT_EQ(PixelAt(*picture, 0, 16), ZxPalette[2]);
  EXPECT_EQ(PixelAt(*picture, 0, 17), ZxPalette[1]);
}

TEST(BitSpriteSheet, NoSpritesGiveAnEmptyPicture) {
  PicturePtr picture = Decode(BitSheetWriter().Finish());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 0);
  EXPECT_EQ(picture->height, 0);
  // Sprites of no width or no height give no pixels but are still a picture.
  BitSheetWriter flat;
  flat.AddEntry(5, 0, 0);
  flat.AddEntry(0, 0, 0);
  PicturePtr none = Decode(flat.Finish());
  ASSERT_TRUE(none);
  EXPECT_EQ(none->width, 40);
  EXPECT_EQ(none->height, 0);
}

TEST(BitSpriteSheet, HeightsUpTo8191CellsFit) {
  // 32 sprites of 255 cells and one of 31: 8191 cells, 65528 rows.
  auto sheet = [](uint8_t last) {
    BitSheetWriter writer;
    for (int i = 0; i < 32; ++i) writer.AddEntry(0, 255, 0);
    writer.AddEntry(1, last, 200);
    writer.Place(200, Bytes(last, 0x00));  // one mask byte per cell
    return writer.Finish();
  };
  PicturePtr tallest = Decode(sheet(31));
  ASSERT_TRUE(tallest);
  EXPECT_EQ(tallest->width, 8);
  EXPECT_EQ(tallest->height, 65528);
  EXPECT_FALSE(Decode(sheet(32)));
  // 255 sprites of 255 x 255 cells are refused before anything is allocated.
  BitSheetWriter huge;
  for (int i = 0; i < 255; ++i) huge.AddEntry(255, 255, 0);
  EXPECT_FALSE(Decode(huge.Finish()));
}

TEST(BitSpriteSheet, ReadsPastTheBufferFailButACellEndingAtItsEndIsFine) {
  // A cell of mask 0xFF and attribute: 10 bytes, the last at the end.
  BitSheetWriter writer;
  writer.AddEntry(1, 1, 0x8000 | 246);
  writer.Place(246, RawBitCell(0xFF, {1, 2, 3, 4, 5, 6, 7, 8}, 0x38));
  const Bytes data = writer.Finish();
  ASSERT_EQ(data.size(), 256u);
  EXPECT_TRUE(PicturePtr(DecodeBitSpriteSheet(ByteSpan(data.data(), 256))));
  EXPECT_FALSE(PicturePtr(DecodeBitSpriteSheet(ByteSpan(data.data(), 255))));
  // A stream offset past the end fails once a byte is wanted from it.
  BitSheetWriter far;
  far.AddEntry(1, 1, 0x7FFF);
  EXPECT_FALSE(Decode(far.Finish()));
  // A table past the end fails: 255 entries need 1028 bytes.
  Bytes table = BitSheetWriter().Finish();
  table[3] = 255;
  EXPECT_FALSE(Decode(table));
  table.resize(8 + 4 * 255, 0);  // entries of 0 x 0 cells
  EXPECT_TRUE(Decode(table));
  EXPECT_FALSE(Decode(Bytes{'B', 'I', 'T'}));
}

TEST(BitSpriteSheet, AnySheetGivesAPictureOfItsGeometryOrNull) {
  uint32_t state = 99;
  auto next = [&] {
    state = state * 1103515245 + 12345;
    return static_cast<uint8_t>(state >> 16);
  };
  for (int round = 0; round < 300; ++round) {
    Bytes data(8 + next() * 4 % 700 + next());
    for (uint8_t& b : data) b = next();
    data[3] = static_cast<uint8_t>(next() % 12);
    for (size_t s = 0; s < data[3] && 8 + 4 * s + 3 < data.size(); ++s) {
      data[8 + 4 * s] %= 6;  // small sprites, streams somewhere in the data or past it
      data[9 + 4 * s] %= 5;
      data[11 + 4 * s] = static_cast<uint8_t>((data[11 + 4 * s] & 0x80) | (next() % 4));
    }
    PicturePtr picture = Decode(data);
    if (!picture) continue;
    unsigned widest = 0, cells = 0;
    for (size_t s = 0; s < data[3]; ++s) {
      widest = std::max<unsigned>(widest, data[8 + 4 * s]);
      cells += data[9 + 4 * s];
    }
    EXPECT_EQ(picture->width, 8 * widest);
    EXPECT_EQ(picture->height, 8 * cells);
  }
}

}  // namespace
}  // namespace korvel
