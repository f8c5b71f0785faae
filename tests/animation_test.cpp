// The host's pictures that move and drawing choices as a user gives them:
// --animate against the library's own frames, the palette names and files,
// option errors, and identify's frame count.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/choices.h"
#include "korvel/korvel.h"
#include "tests/support/apng_reader.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/test_support.h"

#ifdef KORVEL_HOST

namespace korvel {
namespace {

using testing::Bytes;
using testing::ShellQuote;
using testing::TemporaryFolder;

Bytes Screen(uint8_t bitmap, uint8_t attribute) {
  Bytes screen(6912, bitmap);
  std::fill(screen.begin() + 6144, screen.end(), attribute);
  return screen;
}

Bytes Sca(const Bytes& delays) {
  std::vector<Bytes> frames;
  for (size_t i = 0; i < delays.size(); ++i) frames.push_back(Screen(0x0F, static_cast<uint8_t>(0x38 | i)));
  return testing::WriteScaScreens(delays, frames, 0, 2);
}

TEST(Animation, AnimatedPngHoldsTheLibrarysFramesAndDelays) {
  struct Case {
    const char* name;
    Bytes bytes;
    const char* options;
    int gigascreen;
    size_t frames;
  };
  Bytes gigascreen = Screen(0x0F, 0x38);
  const Bytes second = Screen(0xF0, 0x0A);
  gigascreen.insert(gigascreen.end(), second.begin(), second.end());
  const Case cases[] = {
      {"flash.scr", Screen(0x0F, 0x80 | 0x38 | 0x01), "", KORVEL_GIGASCREEN_BLEND, 2},
      {"flicker.img", gigascreen, " --gigascreen flicker", KORVEL_GIGASCREEN_FLICKER, 2},
      {"moving.sca", Sca({5, 0, 100}), "", KORVEL_GIGASCREEN_BLEND, 3},
  };
  TemporaryFolder folder;
  for (const Case& c : cases) {
    const std::string input = folder.Write(c.name, c.bytes);
    const auto result = testing::RunKorvel("convert --animate" + std::string(c.options) + " " + ShellQuote(input));
    ASSERT_EQ(result.status, 0) << c.name << ": " << result.output;
    const testing::Apng png = testing::ReadApng(testing::ReadFileBytes(input + ".png"));
    ASSERT_EQ(png.error, "") << c.name;

    korvel_options options = {};
    options.size = sizeof options;
    options.gigascreen = c.gigascreen;
    korvel_file* file = korvel_open_memory_with(c.bytes.data(), c.bytes.size(), c.name, &options);
    ASSERT_EQ(korvel_picture_frame_count(file, 0), c.frames) << c.name;
    ASSERT_EQ(png.frames.size(), c.frames) << c.name;
    const size_t bytes = size_t{korvel_picture_width(file, 0)} * korvel_picture_height(file, 0) * 3;
    for (size_t f = 0; f < c.frames; ++f) {
      const uint8_t* rgb = korvel_picture_frame_rgb(file, 0, f);
      uint32_t numerator = 0, denominator = 0;
      korvel_picture_frame_delay(file, 0, f, &numerator, &denominator);
      EXPECT_EQ(png.frames[f].rgb, std::vector<uint8_t>(rgb, rgb + bytes)) << c.name << " frame " << f;
      EXPECT_EQ(png.frames[f].delayNumerator, numerator) << c.name << " frame " << f;
      EXPECT_EQ(png.frames[f].delayDenominator, denominator) << c.name << " frame " << f;
    }
    korvel_close(file);
  }
}

TEST(Animation, WithoutAnimateAMovingPictureIsItsFirstFrameAndAStillOneIsUnchanged) {
  TemporaryFolder folder;
  const std::string flash = folder.Write("flash.scr", Screen(0x0F, 0xB9));
  const std::string still = folder.Write("still.scr", Screen(0x0F, 0x39));
  ASSERT_EQ(testing::RunKorvel("convert " + ShellQuote(flash) + " -o " + ShellQuote(folder.path() + "/plain.png"))
                .status, 0);
  ASSERT_EQ(testing::RunKorvel("convert --animate " + ShellQuote(flash) + " " + ShellQuote(still)).status, 0);
  ASSERT_EQ(testing::RunKorvel("convert " + ShellQuote(still) + " -o " + ShellQuote(folder.path() + "/s.png")).status,
            0);
  EXPECT_EQ(testing::ReadPng(folder.path() + "/plain.png").rgb, testing::ReadPng(flash + ".png").rgb);
  EXPECT_TRUE(testing::ReadApng(testing::ReadFileBytes(folder.path() + "/plain.png")).frames.empty());
  EXPECT_EQ(testing::ReadFileBytes(still + ".png"), testing::ReadFileBytes(folder.path() + "/s.png"));
}

// A real reader of animated PNGs, where the machine has one.
TEST(Animation, ChromiumPlaysTheFramesForEver) {
  const std::string web = std::string(KORVEL_SOURCE_DIR) + "/web";
  if (std::system("command -v chromium >/dev/null 2>&1 && command -v node >/dev/null 2>&1") != 0 ||
      !std::filesystem::exists(web + "/node_modules/playwright-core")) {
    GTEST_SKIP() << "chromium, node or the web page's npm packages (npm ci in web/) are not installed";
  }
  TemporaryFolder folder;
  const std::string input = folder.Write("flash.scr", Screen(0x0F, 0x80 | 0x38 | 0x01));
  ASSERT_EQ(testing::RunKorvel("convert --animate " + ShellQuote(input)).status, 0);
  std::ofstream(folder.path() + "/page.html") << R"(<pre id=out>pending</pre><script>
fetch('flash.scr.png').then(r => r.arrayBuffer()).then(async data => {
  const decoder = new ImageDecoder({data, type: 'image/png'});
  await decoder.tracks.ready;
  const track = decoder.tracks.selectedTrack, lines = [track.frameCount + ' frames, ' + track.repetitionCount];
  for (let i = 0; i < track.frameCount; ++i) {
    const frame = (await decoder.decode({frameIndex: i})).image;
    const canvas = new OffscreenCanvas(frame.displayWidth, frame.displayHeight), g = canvas.getContext('2d');
    g.drawImage(frame, 0, 0);
    lines.push(frame.duration + ' us, ' + g.getImageData(4, 0, 1, 1).data.slice(0, 3).join(','));
  }
  out.textContent = lines.join('; ');
}).catch(e => out.textContent = 'error ' + e);
</script>)";
  // Waits for the decoder, however long a busy machine makes it take.
  const testing::CommandResult result = testing::RunCommand(
      "timeout 120 node " + ShellQuote(std::string(KORVEL_SOURCE_DIR) + "/tests/support/page_text.mjs") + " " +
      ShellQuote(folder.path() + "/page.html") + " " + ShellQuote(web) + " 2>&1");
  // Ink black and paper white, then swapped: pixel 4 is ink.
  EXPECT_NE(result.output.find("2 frames, Infinity; 320000 us, 8,8,191; 320000 us, 191,191,191"), std::string::npos)
      << result.output;
}

TEST(Animation, IdentifySaysHowAPictureMoves) {
  TemporaryFolder folder;
  const std::string flash = folder.Write("flash.scr", Screen(0x0F, 0xB9));
  const std::string still = folder.Write("still.scr", Screen(0x0F, 0x39));
  const std::string sca = folder.Write("moving.sca", Sca({5, 0, 100}));
  const auto result = testing::RunKorvel("identify " + ShellQuote(flash) + " " + ShellQuote(still) + " " + ShellQuote(sca));
  EXPECT_NE(result.output.find("flash.scr: standard screen, 256\u00d7192, FLASH: 2 frames\n"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("still.scr: standard screen, 256\u00d7192\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("256\u00d7192, 3 frames\n"), std::string::npos) << result.output;
}

TEST(Animation, PlainPalettesLightAChannelAtTheirLevelAndFullyWhenBright) {
  for (const int level : {192, 205, 215, 224, 170}) {
    host::PaletteColours palette;
    std::string error;
    ASSERT_EQ(host::ChoosePalette(std::to_string(level), palette, error), host::PaletteChoice::kChosen);
    const host::PaletteColours expected = {
        0, 0, 0,       0, 0, uint8_t(level), uint8_t(level), 0, 0, uint8_t(level), 0, uint8_t(level),
        0, uint8_t(level), 0, 0, uint8_t(level), uint8_t(level), uint8_t(level), uint8_t(level), 0,
        uint8_t(level), uint8_t(level), uint8_t(level),
        0, 0, 0,       0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255, 255, 255};
    EXPECT_EQ(palette, expected) << level;
  }
}

TEST(Animation, PaletteFilesReadOrNameTheirBadLine) {
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += "#0000" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n";
  std::string fifteenDecimal = "; a comment line\n\n";
  for (int i = 0; i < 15; ++i) fifteenDecimal += "  1 2 " + std::to_string(i) + " // colour\r\n";
  struct Case {
    std::string text;
    std::string error;  // empty: reads
  };
  const Case cases[] = {
      {sixteen, ""},
      {fifteenDecimal, ""},
      {sixteen + "#010101\n", "line 17: a 17th colour"},
      {"#000000\n\n#12345\n", "line 3: not a colour"},
      {"0 0 256\n", "line 1: not a colour"},
      {"0 0\n", "line 1: not a colour"},
      {"#00000g\n", "line 1: not a colour"},
      {std::string("\x89PNG\r\n\x1a\n\0\0", 11), "line 1: not a colour"},
      {"#000000\n#000000\n", "2 colours"},
  };
  for (const Case& c : cases) {
    host::PaletteColours palette;
    std::string error;
    EXPECT_EQ(host::ParsePaletteText(c.text, palette, error), c.error.empty()) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
  host::PaletteColours palette;
  std::string error;
  ASSERT_TRUE(host::ParsePaletteText(fifteenDecimal, palette, error));
  EXPECT_EQ(palette[3 * 14 + 2], 14);
  EXPECT_EQ(palette[3 * 15 + 2], 0);  // bright black is black
}

TEST(Animation, AHugePaletteFileIsRefusedAtItsSizeAndANameWinsOverAFile) {
  TemporaryFolder folder;
  std::string million;
  for (int i = 0; i < 1000000; ++i) million += "#000000\n";
  const std::string path = folder.Write("huge.txt", Bytes(million.begin(), million.end()));
  host::PaletteColours palette;
  std::string error;
  EXPECT_EQ(host::ChoosePalette(path, palette, error), host::PaletteChoice::kBadFile);
  EXPECT_NE(error.find("over 64 KiB"), std::string::npos) << error;
  // A file named 192 in the current folder does not hide the plain palette.
  folder.Write("192", Bytes{'x'});
  folder.Write("pic.scr", Screen(0x0F, 0x39));
  const auto run = testing::RunCommand("cd " + ShellQuote(folder.path()) + " && " + ShellQuote(KORVEL_HOST) +
                                       " convert pic.scr --palette 192 -o out.png");
  ASSERT_EQ(run.status, 0) << run.output;
  const testing::PngImage png = testing::ReadPng(folder.path() + "/out.png");
  ASSERT_EQ(png.width, 256);
  EXPECT_EQ(png.rgb[0], 192);  // paper white at the palette's level
}

TEST(Animation, BadOptionsAreOneLineAndTheUsage) {
  TemporaryFolder folder;
  const std::string input = ShellQuote(folder.Write("pic.scr", Screen(0x0F, 0x39)));
  const std::string badFile = ShellQuote(folder.Write("bad.pal", Bytes{'#', '0', '\n', 'x'}));
  struct Case {
    std::string arguments;
    std::string message;
    bool usage;
  };
  const Case cases[] = {
      {"--scale 0", "--scale wants a number from 1 to 8, not '0'", true},
      {"--scale=9", "--scale wants a number from 1 to 8, not '9'", true},
      {"--scale", "--scale wants a number from 1 to 8", true},
      {"--border huge", "--border wants none, small, medium or full, not 'huge'", true},
      {"--border-colour 8", "--border-colour wants a colour from 0 to 7, not '8'", true},
      {"--gigascreen fast", "--gigascreen wants blend, linear or flicker, not 'fast'", true},
      {"--palette nowhere", "--palette wants default, 192, 205, 215, 224, 170 or a palette file", true},
      {"--palette " + badFile, "line 1: not a colour", false},
      {"--animate --plugin x.so", "--plugin reads as an image viewer does", true},
  };
  for (const Case& c : cases) {
    const auto result = testing::RunKorvel("convert " + input + " " + c.arguments);
    EXPECT_EQ(result.status, 2) << c.arguments;
    EXPECT_NE(result.output.find(c.message), std::string::npos) << c.arguments << ": " << result.output;
    EXPECT_EQ(result.output.find("usage:") != std::string::npos, c.usage) << c.arguments;
    if (!c.usage) EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
  }
  const auto help = testing::RunKorvel("convert --help");
  for (const char* option : {"--animate", "--palette", "--gigascreen", "--border ", "--border-colour", "--scale"}) {
    EXPECT_NE(help.output.find(option), std::string::npos) << option;
  }
}

TEST(Animation, ScaleAndBorderReachTheLibrary) {
  TemporaryFolder folder;
  const Bytes screen = Screen(0x0F, 0x39);
  const std::string input = folder.Write("pic.scr", screen);
  ASSERT_EQ(testing::RunKorvel("convert --scale 3 --border small --border-colour 2 " + ShellQuote(input)).status, 0);
  korvel_options options = {};
  options.size = sizeof options;
  options.scale = 3;
  options.border = KORVEL_BORDER_SMALL;
  options.border_colour = 2;
  korvel_file* file = korvel_open_memory_with(screen.data(), screen.size(), "pic.scr", &options);
  const testing::PngImage png = testing::ReadPng(input + ".png");
  ASSERT_EQ(png.width, 288 * 3);
  ASSERT_EQ(png.height, 224 * 3);
  const uint8_t* rgb = korvel_picture_rgb(file, 0);
  EXPECT_TRUE(std::equal(png.rgb.begin(), png.rgb.end(), rgb));
  korvel_close(file);
}

}  // namespace
}  // namespace korvel

#endif  // KORVEL_HOST
