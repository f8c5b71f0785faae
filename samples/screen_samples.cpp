// Unpacked samples: raw files recognised by their size, and Hobeta-wrapped
// ones, of every screen kind.

#include "samples/sample_set.h"
#include "tests/support/bit_sheet_writer.h"
#include "tests/support/block_coded_writer.h"
#include "tests/support/hobeta_writer.h"

namespace korvel::samples {

namespace {


Bytes Join(const Bytes& first, const Bytes& second) {
  Bytes joined = first;
  joined.insert(joined.end(), second.begin(), second.end());
  return joined;
}

// Characters `first` to `first + count - 1` of the sample font, 8 bytes each.
Bytes Font(int first, int count) {
  Bytes glyphs;
  for (int code = first; code < first + count; ++code) {
    const std::vector<uint8_t> glyph = SampleGlyph(code);
    glyphs.insert(glyphs.end(), glyph.begin(), glyph.end());
  }
  return glyphs;
}

// The same 256 glyphs stored line by line: line n of every character, then
// line n + 1.
Bytes LineMajor(const Bytes& consecutive) {
  Bytes lines(2048);
  for (size_t c = 0; c < 256; ++c) {
    for (size_t n = 0; n < 8; ++n) lines[c + 256 * n] = consecutive[8 * c + n];
  }
  return lines;
}

// A sprite's cells, cell row by cell row: the lines and attribute of each.
// Without attribute bytes every cell is white ink on black paper.
std::vector<testing::BitCell> SpriteCells(const Canvas& sprite, bool withAttributes) {
  std::vector<testing::BitCell> cells;
  for (int row = 0; row < sprite.height / 8; ++row) {
    for (int column = 0; column < sprite.width / 8; ++column) {
      testing::BitCell cell;
      cell.attribute = withAttributes ? CellAttribute(sprite, 8 * column, 8 * row, 8) : 7;
      for (int line = 0; line < 8; ++line) {
        cell.lines[line] = InkBits(sprite, 8 * column, 8 * row + line, cell.attribute);
      }
      cells.push_back(cell);
    }
  }
  return cells;
}

Bytes SpriteSheet() {
  struct Sprite {
    int kind, width, height;
    bool withAttributes;
  };
  const Sprite sprites[] = {{0, 2, 2, true}, {1, 3, 3, true}, {2, 1, 3, false}, {3, 4, 2, true}, {4, 2, 2, true}};
  testing::BitSheetWriter writer;
  for (const Sprite& s : sprites) {
    const std::vector<testing::BitCell> cells = SpriteCells(DrawSprite(s.kind, s.width, s.height), s.withAttributes);
    writer.AddSprite(static_cast<uint8_t>(s.width), static_cast<uint8_t>(s.height), cells, s.withAttributes);
  }
  return writer.FinishWrapped();
}

}  // namespace

void AddScreenSamples(std::vector<Sample>& samples) {
  const Bytes screen = EncodeStandardScreen(DrawLandscape());
  samples.push_back({"landscape.scr", screen, "standard screen, raw"});
  samples.push_back({"landscape.$s", testing::WrapHobetaAs(screen, 'C'), "standard screen, Hobeta-wrapped"});
  const Bytes bitmap(screen.begin(), screen.begin() + 6144);
  samples.push_back({"landscape-bitmap.scr", bitmap, "bitmap-only screen, raw"});
  samples.push_back({"landscape-bitmap.$s", testing::WrapHobetaAs(bitmap, 'C'), "bitmap-only screen, Hobeta-wrapped"});

  const Bytes multicolour = EncodeMulticolourScreen(DrawLandscape());
  samples.push_back({"landscape.mc", multicolour, "multicolour screen, raw"});
  samples.push_back({"landscape-mc.$c", testing::WrapHobetaAs(multicolour, 'C'), "multicolour screen, Hobeta-wrapped"});

  const Bytes gigascreen = Join(EncodeStandardScreen(DrawSunset(0)), EncodeStandardScreen(DrawSunset(1)));
  samples.push_back({"sunset.gsc", gigascreen, "gigascreen, raw"});
  samples.push_back({"sunset.$g", testing::WrapHobetaAs(gigascreen, 'G'), "gigascreen, Hobeta-wrapped"});
  const Bytes multicolourPair =
      Join(EncodeMulticolourScreen(DrawSunset(0)), EncodeMulticolourScreen(DrawSunset(1)));
  samples.push_back({"sunset.mcx", multicolourPair, "multicolour gigascreen, raw"});
  samples.push_back({"sunset-mcx.$c", testing::WrapHobetaAs(multicolourPair, 'C'), "multicolour gigascreen, Hobeta-wrapped"});

  const int rgb[3] = {0, 1, 2}, brg[3] = {2, 0, 1};
  const Canvas discs = DrawColourDiscs(), town = DrawRainbowTown();
  samples.push_back({"discs.rgb", EncodeChannelBitmaps(discs, rgb, false), "three-colour screen, raw .rgb"});
  samples.push_back({"town.xpc", EncodeChannelBitmaps(town, rgb, false), "three-colour screen, raw .xpc"});
  samples.push_back({"town.xpv", EncodeChannelBitmaps(town, rgb, true), "three-colour screen, linear rows, raw .xpv"});
  samples.push_back({"discs.$c", testing::WrapHobetaAs(EncodeChannelBitmaps(discs, rgb, false), 'C'),
                     "three-colour screen, Hobeta-wrapped"});
  samples.push_back({"town.$b", testing::WrapHobetaAs(EncodeChannelBitmaps(town, brg, false), 'b'),
                     "three-colour screen, blue-red-green order, Hobeta type 'b'"});

  const Bytes font = Font(0, 256);
  samples.push_back({"font96.$c", testing::WrapHobetaAs(Font(32, 96), 'C'), "96-character set, Hobeta-wrapped"});
  samples.push_back({"font256.$c", testing::WrapHobetaAs(font, 'C'), "256-character set, 8 bytes per character, Hobeta-wrapped"});
  samples.push_back({"font256-lines.$c", testing::WrapHobetaAs(LineMajor(font), 'C'),
                     "256-character set stored line by line, Hobeta-wrapped"});

  samples.push_back({"town.$8", testing::WrapHobetaAs(testing::EncodeBlockCodedScreen(town.colour), '8', 0x3838),
                     "block-coded screen, Hobeta type '8'"});
  samples.push_back({"sprites.$c", SpriteSheet(), "BIT sprite sheet, Hobeta-wrapped"});
}

}  // namespace korvel::samples
