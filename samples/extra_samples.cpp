// Samples of the forms only korvel_extra reads: the sample pictures
// re-encoded into each layout.

#include <cstring>
#include <functional>

#include "samples/sample_set.h"
#include "tests/support/extra_forms_writer.h"

namespace korvel::samples {

namespace {

// Where the attribute of the 8-pixel cell in `column` whose top row is `top` goes.
using AttributeOffset = std::function<size_t(int column, int top)>;

// Bitmap in display-file order at `bitmapAt`, one attribute per 8 x
// `cellHeight` cell.
void EncodeCells(Bytes& out, const Canvas& canvas, size_t bitmapAt, int cellHeight, const AttributeOffset& attributeAt) {
  for (int top = 0; top < 192; top += cellHeight) {
    for (int column = 0; column < 32; ++column) {
      const uint8_t attribute = CellAttribute(canvas, 8 * column, top, cellHeight);
      out[attributeAt(column, top)] = attribute;
      for (int y = top; y < top + cellHeight; ++y) {
        out[bitmapAt + DisplayRowOffset(y) + column] = InkBits(canvas, 8 * column, y, attribute);
      }
    }
  }
}

// Diagonal rainbow stripes, 8 pixels wide, across the whole 384x304 frame.
uint8_t StripeColour(int x, int y) { return static_cast<uint8_t>((x / 8 + y / 8) % 7 + 1); }

// A border in the BSC/BMC4 layout: each byte covers 16 pixels, bits 0-2 the
// left 8, bits 3-5 the right 8.
Bytes EncodeStripedBorder() {
  Bytes border;
  auto put = [&](int x, int y) { border.push_back(static_cast<uint8_t>(StripeColour(x, y) | StripeColour(x + 8, y) << 3)); };
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 384; x += 16) put(x, y);
  }
  for (int y = 64; y < 256; ++y) {
    for (int x = 0; x < 64; x += 16) put(x, y);
    for (int x = 320; x < 384; x += 16) put(x, y);
  }
  for (int y = 256; y < 304; ++y) {
    for (int x = 0; x < 384; x += 16) put(x, y);
  }
  return border;
}

Bytes Append(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// 8x8 attributes alone: a cell of one colour gets it as ink and paper, so
// that the checkerboard the reader draws under it disappears.
Bytes EncodeAttributesOnly(const Canvas& canvas) {
  Bytes attributes(768);
  for (int row = 0; row < 24; ++row) {
    for (int column = 0; column < 32; ++column) {
      uint8_t attribute = CellAttribute(canvas, 8 * column, 8 * row, 8);
      bool plain = true;
      for (int y = 8 * row; y < 8 * row + 8; ++y) plain = plain && InkBits(canvas, 8 * column, y, attribute) == 0;
      if (plain) attribute = static_cast<uint8_t>((attribute & 0x78) | ((attribute >> 3) & 7));
      attributes[32 * row + column] = attribute;
    }
  }
  return attributes;
}

// An MGH file of mode 1: 8x1 cells in the middle 16 columns, 8x8 outside.
Bytes EncodeMgh(const Canvas& frame1, const Canvas& frame2) {
  const Canvas* frames[2] = {&frame1, &frame2};
  auto attribute = [&](int frame, int column, int y) {
    const int height = column >= 8 && column < 24 ? 1 : 8;
    return CellAttribute(*frames[frame], 8 * column, y - y % height, height);
  };
  Bytes bitmaps[2] = {Bytes(6144), Bytes(6144)};
  for (int frame = 0; frame < 2; ++frame) {
    for (int y = 0; y < 192; ++y) {
      for (int column = 0; column < 32; ++column) {
        bitmaps[frame][DisplayRowOffset(y) + column] = InkBits(*frames[frame], 8 * column, y, attribute(frame, column, y));
      }
    }
  }
  return testing::WriteMgh(1, bitmaps[0], bitmaps[1], attribute);
}

// A macroscreen of 18-byte cells (two 9-byte frames) from the top left of
// two canvases.
Bytes EncodeMacroscreen(const Canvas& frame1, const Canvas& frame2, int columns, int rows) {
  Bytes file = {'c', 'h', 'r', '$', static_cast<uint8_t>(columns), static_cast<uint8_t>(rows), 18};
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      for (const Canvas* canvas : {&frame1, &frame2}) {
        const uint8_t attribute = CellAttribute(*canvas, 8 * column, 8 * row, 8);
        for (int line = 0; line < 8; ++line) file.push_back(InkBits(*canvas, 8 * column, 8 * row + line, attribute));
        file.push_back(attribute);
      }
    }
  }
  return file;
}

// A ULAplus palette byte GGGRRRBB.
uint8_t Ulaplus(int green, int red, int blue) { return static_cast<uint8_t>(green << 5 | red << 2 | blue); }

// The standard screen followed by a warmer palette: groups 0 and 1 (bright
// off and on) hold inks and papers of the eight colours in softer levels.
Bytes EncodeUlaplus(const Canvas& canvas) {
  Bytes file = EncodeStandardScreen(canvas);
  for (int group = 0; group < 4; ++group) {
    const bool bright = group % 2 == 1;
    for (int entry = 0; entry < 16; ++entry) {
      const int colour = entry % 8;
      const int on = bright ? 7 : 5, off = bright ? 2 : 1;
      file.push_back(Ulaplus(colour & 4 ? on : off, colour & 2 ? on : off + 1, colour & 1 ? (bright ? 3 : 2) : 0));
    }
  }
  return file;
}

// Timex hi-res: 64 columns of text in the sample font, codes 32 to 255 over
// and over; even columns in the first bitmap, odd ones in the second.
Bytes EncodeHiResText(uint8_t colourByte) {
  Bytes file(12289);
  for (int row = 0; row < 24; ++row) {
    for (int k = 0; k < 64; ++k) {
      const std::vector<uint8_t> glyph = SampleGlyph(32 + (64 * row + k) % 224);
      for (int line = 0; line < 8; ++line) {
        file[(k % 2 == 0 ? 0 : 6144) + DisplayRowOffset(8 * row + line) + k / 2] = glyph[line];
      }
    }
  }
  file[12288] = colourByte;
  return file;
}

// A text picture of a sprite, cells 8 pixels wide and `cellHeight` high.
Bytes EncodeTextPicture(const Canvas& canvas, int cellHeight) {
  testing::TextPicture text;
  const int columns = canvas.width / 8;
  text.bitmapRows.assign(canvas.height, Bytes(columns));
  for (int top = 0; top < canvas.height; top += cellHeight) {
    Bytes attributes(columns);
    for (int column = 0; column < columns; ++column) {
      attributes[column] = CellAttribute(canvas, 8 * column, top, cellHeight);
      for (int y = top; y < top + cellHeight; ++y) text.bitmapRows[y][column] = InkBits(canvas, 8 * column, y, attributes[column]);
    }
    text.attributeRows.push_back(attributes);
  }
  const std::string written = testing::WriteTextPicture(text);
  return Bytes(written.begin(), written.end());
}

// A Next layer-2 picture without a palette (index = RRRGGGBB): the town at
// night under a sky that fades from deep blue to violet at the horizon.
Bytes EncodeLayer2(const Canvas& canvas) {
  Bytes pixels(256 * 192);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int c = canvas.At(x, y) & 7;
      uint8_t index;
      if (c == 0) {
        index = static_cast<uint8_t>((y / 24) << 5 | (y / 64) << 2 | (y < 96 ? 2 : 3));
      } else {
        index = static_cast<uint8_t>((c & 2 ? 7 : 1) << 5 | (c & 4 ? 7 : 1) << 2 | (c & 1 ? 3 : 0));
      }
      pixels[256 * y + x] = index;
    }
  }
  return pixels;
}

}  // namespace

void AddExtraSamples(std::vector<Sample>& samples) {
  const Canvas landscape = DrawLandscape();
  const Canvas discs = DrawColourDiscs();
  const Canvas town = DrawRainbowTown();

  Bytes mlt(12288);
  EncodeCells(mlt, landscape, 0, 1, [](int c, int top) { return 6144 + 32 * static_cast<size_t>(top) + c; });
  samples.push_back({"landscape.mlt", mlt, "MLT multicolour screen, 8x1 cells"});

  Bytes ifl(9216);
  EncodeCells(ifl, landscape, 0, 2, [](int c, int top) { return 6144 + 32 * static_cast<size_t>(top / 2) + c; });
  samples.push_back({"landscape.ifl", ifl, "IFL multicolour screen, 8x2 cells"});

  samples.push_back({"sunset.mg1", EncodeMgh(DrawSunset(0), DrawSunset(1)), "MGH multicolour gigascreen, mode 1"});

  const Bytes border = EncodeStripedBorder();
  samples.push_back({"landscape.bsc", Append(EncodeStandardScreen(landscape), border), "BSC screen with border"});

  Bytes bmc4(6144 + 1536);
  EncodeCells(bmc4, landscape, 0, 4,
              [](int c, int top) { return 6144 + (top % 8 < 4 ? 0 : 768) + 32 * static_cast<size_t>(top / 8) + c; });
  samples.push_back({"landscape.bmc4", Append(bmc4, border), "BMC4 multicolour screen with border, 8x4 cells"});

  samples.push_back({"discs.atr", EncodeAttributesOnly(discs), "attribute screen"});

  samples.push_back({"sunset.chr$", EncodeMacroscreen(DrawSunset(0), DrawSunset(1), 24, 16),
                     "chr$ macroscreen, 24x16 cells of two frames"});

  samples.push_back({"landscape-ulaplus.scr", EncodeUlaplus(landscape), "ULAplus screen"});

  Bytes shc(12288);
  EncodeCells(shc, town, 0, 1, [](int c, int top) { return 6144 + DisplayRowOffset(top) + c; });
  samples.push_back({"town.shc", shc, "Timex hi-colour screen"});

  samples.push_back({"font64.shr", EncodeHiResText(1 << 3), "Timex hi-res screen, blue on bright yellow"});

  samples.push_back({"town-plus3dos.scr", testing::WritePlus3dosScreen(EncodeStandardScreen(town)), "+3DOS screen"});

  const uint8_t pattern[8] = {0x00, 0x44, 0x00, 0x11, 0x00, 0x44, 0x00, 0x11};
  Bytes scaFrames(pattern, pattern + 8);
  const Bytes discAttributes = EncodeAttributesOnly(discs);
  scaFrames = Append(Append(scaFrames, discAttributes), EncodeAttributesOnly(town));
  samples.push_back({"discs.sca", testing::WriteSca(1, 2, scaFrames), "SCA animation of attribute frames"});

  samples.push_back({"cottage.zxp", EncodeTextPicture(DrawSprite(1, 6, 5), 2), "text picture, 8x2 cells"});

  const int rgb[3] = {0, 1, 2};
  samples.push_back({"discs.3", EncodeChannelBitmaps(discs, rgb, false), "three-plane screen"});

  samples.push_back({"town.nxi", EncodeLayer2(town), "Next layer-2 picture without palette"});
}

}  // namespace korvel::samples
