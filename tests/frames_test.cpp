// Pictures that move and the drawing choices, as the library gives them:
// which forms flash, the frames' cells and delays, SCA animations, flicker,
// the linear blend, palettes, borders and scale.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "korvel/korvel.h"
#include "tests/support/bit_sheet_writer.h"
#include "tests/support/container_writer.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/hobeta_writer.h"

namespace korvel::testing {
namespace {

struct FileCloser {
  void operator()(korvel_file* file) const { korvel_close(file); }
};
using File = std::unique_ptr<korvel_file, FileCloser>;

File Open(const Bytes& bytes, const char* name, const korvel_options* options = nullptr) {
  return File(korvel_open_memory_with(bytes.data(), bytes.size(), name, options));
}

korvel_options Options() {
  korvel_options options = {};
  options.size = sizeof options;
  return options;
}

// A screen whose cells show ink in their left half and paper in their right.
Bytes Screen(uint8_t attribute, size_t bitmapBytes = 6144) {
  Bytes screen(6912, attribute);
  memset(screen.data(), 0xF0, bitmapBytes);
  return screen;
}

struct Pixel {
  uint8_t red, green, blue;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

Pixel At(const korvel_file* file, size_t frame, uint32_t x, uint32_t y, size_t picture = 0) {
  const uint8_t* p = korvel_picture_frame_rgb(file, picture, frame) + 3 * (y * korvel_picture_width(file, picture) + x);
  return {p[0], p[1], p[2]};
}

std::string Delay(const korvel_file* file, size_t frame) {
  uint32_t numerator = 0, denominator = 0;
  if (korvel_picture_frame_delay(file, 0, frame, &numerator, &denominator) == 0) return "still";
  return std::to_string(numerator) + "/" + std::to_string(denominator);
}

constexpr uint8_t kFlash = 0x80;
constexpr uint8_t kBlueOnWhite = 0x38 | 0x01;  // paper 7, ink 1

TEST(Frames, WhichFormsFlash) {
  const Bytes flashing = Screen(kFlash | kBlueOnWhite);
  Bytes ulaplus = Screen(kFlash | kBlueOnWhite);
  ulaplus.resize(6976, 0x1F);
  Bytes gigascreen = Concat({flashing, Screen(kBlueOnWhite)});
  BitSheetWriter sheet;
  BitCell cell;
  cell.lines.fill(0xF0);
  cell.attribute = kFlash | kBlueOnWhite;
  sheet.AddSprite(1, 1, {cell}, true);
  const Bytes cells = Bytes(6144, 0xF0);
  const Bytes flashingCells = Bytes(6144, kFlash | kBlueOnWhite);
  const auto mgh = [&](uint8_t secondScreenAttribute) {
    return WriteMgh(2, cells, cells, [=](int frame, int, int) { return frame == 0 ? kBlueOnWhite : secondScreenAttribute; });
  };
  TextPicture text;
  text.bitmapRows.assign(8, Bytes{0xF0});
  text.attributeRows = {Bytes{kFlash | kBlueOnWhite}};
  const std::string textFile = WriteTextPicture(text);
  struct Case {
    const char* name;
    Bytes file;
    size_t frames;
  } cases[] = {
      {"flash.scr", flashing, 2},
      {"still.scr", Screen(kBlueOnWhite), 1},
      {"same-colours.scr", Screen(kFlash | 0x09), 1},  // ink and paper both blue: nothing to see
      {"bitmap.scr", Bytes(flashing.begin(), flashing.begin() + 6144), 1},
      {"flash.$c", WrapHobeta(flashing), 2},
      {"flash.img", gigascreen, 2},
      {"second-flashes.img", Concat({Screen(kBlueOnWhite), flashing}), 2},
      {"flash.mcx", Concat({cells, flashingCells, cells, flashingCells}), 2},
      {"flash.mg2", mgh(kFlash | kBlueOnWhite), 2},
      {"still.mg2", mgh(kBlueOnWhite), 1},
      {"flash.bsc", Concat({flashing, Bytes(4224, 0)}), 2},
      {"flash.bmc4", Concat({cells, Bytes(1536, kFlash | kBlueOnWhite), Bytes(4224, 0)}), 2},
      {"flash.ifl", Concat({cells, Bytes(3072, kFlash | kBlueOnWhite)}), 2},
      {"flash.mc", Concat({cells, flashingCells}), 2},
      {"flash.shc", Concat({cells, flashingCells}), 2},
      {"flash.chr$", Bytes{'c', 'h', 'r', '$', 1, 1, 9, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, kFlash | kBlueOnWhite}, 2},
      {"flash.txt", Bytes(textFile.begin(), textFile.end()), 2},
      {"flash.atr", Bytes(768, kFlash | kBlueOnWhite), 2},
      {"flash.mlt", Concat({Bytes(6144, 0xF0), Bytes(6144, kFlash | kBlueOnWhite)}), 2},
      {"flash.tap", TapFile({TapeHeader(3, "screen", 6912, 16384), TapeBlock(0xFF, flashing)}), 2},
      {"ulaplus.bin", ulaplus, 1},
      {"sheet.$c", sheet.FinishWrapped(), 1},
      {"channels.rgb", Bytes(18432, 0x8F), 1},
  };
  for (const Case& c : cases) {
    const File file = Open(c.file, c.name);
    ASSERT_EQ(korvel_picture_count(file.get()), 1u) << c.name;
    EXPECT_EQ(korvel_picture_frame_count(file.get(), 0), c.frames) << c.name;
    EXPECT_EQ(Delay(file.get(), 0), c.frames == 2 ? "8/25" : "still") << c.name;
  }
}

TEST(Frames, TheSecondFlashPhaseSwapsInkAndPaperOfFlashingCellsOnly) {
  Bytes screen = Screen(kBlueOnWhite);
  screen[6144] = kFlash | kBlueOnWhite;  // the top left cell alone flashes
  const File file = Open(screen, "a.scr");
  ASSERT_EQ(korvel_picture_frame_count(file.get(), 0), 2u);
  const Pixel blue = {0x08, 0x08, 0xBF}, white = {0xBF, 0xBF, 0xBF};
  EXPECT_EQ(At(file.get(), 0, 0, 0), blue);
  EXPECT_EQ(At(file.get(), 0, 7, 0), white);
  EXPECT_EQ(At(file.get(), 1, 0, 0), white);
  EXPECT_EQ(At(file.get(), 1, 7, 7), blue);
  EXPECT_EQ(At(file.get(), 1, 8, 0), blue);  // the next cell does not flash
  EXPECT_EQ(Delay(file.get(), 1), "8/25");
  EXPECT_EQ(memcmp(korvel_picture_rgb(file.get(), 0), korvel_picture_frame_rgb(file.get(), 0, 0), 256 * 192 * 3), 0);
  EXPECT_EQ(korvel_picture_frame_rgb(file.get(), 0, 2), nullptr);
}


TEST(Frames, AnScaAnimationGivesTheFramesItHoldsWithTheirDelays) {
  // Delay 0 counts as one 50th; a FLASH bit in a frame does nothing.
  const std::vector<Bytes> screens = {Screen(kFlash | kBlueOnWhite), Screen(0x38 | 2), Screen(0x38 | 4)};
  const File file = Open(WriteScaScreens({5, 0, 10}, screens, 65535), "anim.sca");
  ASSERT_EQ(korvel_picture_frame_count(file.get(), 0), 3u);
  EXPECT_EQ(Delay(file.get(), 0), "1/10");
  EXPECT_EQ(Delay(file.get(), 1), "1/50");
  EXPECT_EQ(Delay(file.get(), 2), "1/5");
  EXPECT_EQ(At(file.get(), 1, 0, 0), (Pixel{0xBF, 0x08, 0x08}));
  const File one = Open(WriteScaScreens({7}, {screens[0]}), "one.sca");
  EXPECT_EQ(korvel_picture_frame_count(one.get(), 0), 1u);
  EXPECT_EQ(Delay(one.get(), 0), "still");
}

TEST(Frames, GigascreenModes) {
  // Screen 1: white ink on black; screen 2: black ink on white. Every pixel
  // blends 0xBF with 0.
  const Bytes gigascreen = Concat({Screen(0x07), Screen(0x38)});
  struct Case {
    int mode;
    size_t frames;
    uint8_t firstFrameLevel;
  } cases[] = {
      {KORVEL_GIGASCREEN_BLEND, 1, 0xBF / 2},
      {KORVEL_GIGASCREEN_LINEAR, 1, 140},  // by hand: sRGB decode, mean, encode
      {KORVEL_GIGASCREEN_FLICKER, 2, 0xBF},
  };
  for (const Case& c : cases) {
    korvel_options options = Options();
    options.gigascreen = c.mode;
    const File file = Open(gigascreen, "pair.img", &options);
    ASSERT_EQ(korvel_picture_frame_count(file.get(), 0), c.frames) << c.mode;
    EXPECT_EQ(At(file.get(), 0, 0, 0).red, c.firstFrameLevel) << c.mode;
  }
  korvel_options flicker = Options();
  flicker.gigascreen = KORVEL_GIGASCREEN_FLICKER;
  const File file = Open(gigascreen, "pair.img", &flicker);
  EXPECT_EQ(At(file.get(), 1, 0, 0), (Pixel{0, 0, 0}));
  EXPECT_EQ(Delay(file.get(), 1), "1/50");
}

TEST(Frames, APaletteColoursTheSpectrumsColoursOnly) {
  uint8_t palette[48];
  for (int i = 0; i < 48; ++i) palette[i] = static_cast<uint8_t>(100 + i);
  korvel_options options = Options();
  options.palette = palette;
  struct Case {
    const char* name;
    Bytes file;
    Pixel first;
  } cases[] = {
      {"a.scr", Screen(kBlueOnWhite), {103, 104, 105}},    // ink 1
      {"a.rgb", Bytes(18432, 0xFF), {0xFF, 0xFF, 0xFF}},   // pure channels
  };
  for (const Case& c : cases) {
    const File file = Open(c.file, c.name, &options);
    EXPECT_EQ(At(file.get(), 0, 0, 0), c.first) << c.name;
  }
}

TEST(Frames, BordersTakeTheFilesColourOrTheChosenOne) {
  Bytes z80 = Z80Version1(Concat({Screen(kBlueOnWhite), Bytes(49152 - 6912, 0)}), false);
  z80[12] = 3 << 1;
  Bytes z80Old = z80;
  z80Old[12] = 255;  // read as 1: border 0
  Bytes sna(49179, 0);
  sna[26] = 4;
  memset(sna.data() + 27 + 6144, kFlash | kBlueOnWhite, 768);  // both FLASH phases keep the border
  struct Case {
    const char* name;
    Bytes file;
    int border;
    uint32_t width, height;
    Pixel corner;
  } cases[] = {
      {"a.scr", Screen(kBlueOnWhite), KORVEL_BORDER_SMALL, 288, 224, {0xBF, 0x08, 0x08}},
      {"a.scr", Screen(kBlueOnWhite), KORVEL_BORDER_MEDIUM, 320, 256, {0xBF, 0x08, 0x08}},
      {"a.scr", Screen(kBlueOnWhite), KORVEL_BORDER_FULL, 384, 288, {0xBF, 0x08, 0x08}},
      {"a.z80", z80, KORVEL_BORDER_SMALL, 288, 224, {0xBF, 0x08, 0xBF}},
      {"b.z80", z80Old, KORVEL_BORDER_SMALL, 288, 224, {0, 0, 0}},
      {"a.sna", sna, KORVEL_BORDER_SMALL, 288, 224, {0x08, 0xBF, 0x08}},
      {"a.sca", WriteScaScreens({1}, {Screen(kBlueOnWhite)}, 1, 5), KORVEL_BORDER_SMALL, 288, 224, {0x08, 0xBF, 0xBF}},
      {"u.bin", Concat({Screen(kBlueOnWhite), Bytes(64, 0)}), KORVEL_BORDER_FULL, 256, 192, {0, 0, 0x00}},
  };
  for (const Case& c : cases) {
    korvel_options options = Options();
    options.border = c.border;
    options.border_colour = 2;
    const File file = Open(c.file, c.name, &options);
    ASSERT_EQ(korvel_picture_count(file.get()), 1u) << c.name;
    EXPECT_EQ(korvel_picture_width(file.get(), 0), c.width) << c.name;
    EXPECT_EQ(korvel_picture_height(file.get(), 0), c.height) << c.name;
    for (size_t frame = 0; frame < korvel_picture_frame_count(file.get(), 0); ++frame) {
      EXPECT_EQ(At(file.get(), frame, 0, 0), c.corner) << c.name << " frame " << frame;
    }
  }
  EXPECT_EQ(korvel_picture_frame_count(Open(sna, "a.sna").get(), 0), 2u);
}

TEST(Frames, ScaleRepeatsEveryPixelOfEveryFrameAndRefusesWhatIsTooLarge) {
  korvel_options options = Options();
  options.scale = 3;
  Bytes screen = Screen(kBlueOnWhite);
  screen[6144] = kFlash | kBlueOnWhite;
  const File file = Open(screen, "a.scr", &options);
  ASSERT_EQ(korvel_picture_width(file.get(), 0), 768u);
  ASSERT_EQ(korvel_picture_frame_count(file.get(), 0), 2u);
  for (uint32_t x : {0u, 11u}) EXPECT_EQ(At(file.get(), 1, x, 23), (Pixel{0xBF, 0xBF, 0xBF})) << x;
  EXPECT_EQ(At(file.get(), 1, 12, 0), (Pixel{0x08, 0x08, 0xBF}));

  BitSheetWriter tall;  // 5 x 255 cells: 10200 pixels high, 81600 scaled
  for (int s = 0; s < 5; ++s) tall.AddSprite(1, 255, std::vector<BitCell>(255), false);
  options.scale = 8;
  const File refused = Open(tall.FinishWrapped(), "tall.$c", &options);
  ASSERT_EQ(korvel_item_count(refused.get()), 1u);
  EXPECT_EQ(korvel_picture_count(refused.get()), 0u);
  EXPECT_STREQ(korvel_item_reason(refused.get(), 0), "scaled picture over 65535 pixels a side or 1 GiB of RGB");

  for (uint32_t bad : {9u, 100u}) {
    options.scale = bad;
    EXPECT_EQ(Open(screen, "a.scr", &options), nullptr) << bad;
  }
  options.scale = 1;
  options.size = 4;
  EXPECT_EQ(Open(screen, "a.scr", &options), nullptr);
}

}  // namespace
}  // namespace korvel::testing
