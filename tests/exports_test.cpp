// The six exports of every plug-in, as a host sees them through dlopen.

#include <gtest/gtest.h>

#include <cstring>

#include "plugin/exports.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::LoadedPlugin;
using testing::TemporaryFolder;

struct PluginCase {
  const char* path;
  const char* extensions;
};

class Exports : public ::testing::TestWithParam<PluginCase> {
 protected:
  Exports() : plugin_(GetParam().path) {}
  LoadedPlugin plugin_;
};

TEST_P(Exports, PluginInfoAnswersOnlyVersionTwo) {
  auto getPluginInfo = plugin_.Export<decltype(&gfpGetPluginInfo)>("gfpGetPluginInfo");
  char label[64], extensions[256];
  int32_t flags = 77;
  for (int32_t version : {0, 1, 3, -2}) {
    memset(label, 'x', sizeof label);
    memset(extensions, 'y', sizeof extensions);
    EXPECT_EQ(getPluginInfo(version, label, sizeof label, extensions, sizeof extensions, &flags), 0);
    EXPECT_EQ(label[0], 'x');
    EXPECT_EQ(extensions[0], 'y');
    EXPECT_EQ(flags, 77);
  }
  EXPECT_EQ(getPluginInfo(2, label, sizeof label, extensions, sizeof extensions, &flags), 1);
  EXPECT_STREQ(label, "ZX Graphics");
  EXPECT_STREQ(extensions, GetParam().extensions);
  EXPECT_EQ(flags, 1);
}

TEST_P(Exports, PluginInfoCutsTextsToTheBufferSizes) {
  auto getPluginInfo = plugin_.Export<decltype(&gfpGetPluginInfo)>("gfpGetPluginInfo");
  char label[16], extensions[16];
  memset(label, 'x', sizeof label);
  memset(extensions, 'y', sizeof extensions);
  int32_t flags = 0;
  EXPECT_EQ(getPluginInfo(2, label, 6, extensions, 4, &flags), 1);
  EXPECT_STREQ(label, "ZX Gr");
  EXPECT_EQ(label[6], 'x');
  EXPECT_EQ(std::string(extensions), std::string(GetParam().extensions).substr(0, 3));
  // A size of 0 or less writes nothing to that buffer.
  memset(label, 'x', sizeof label);
  EXPECT_EQ(getPluginInfo(2, label, 0, extensions, -1, &flags), 1);
  EXPECT_EQ(label[0], 'x');
  // Null buffers are left alone too.
  EXPECT_EQ(getPluginInfo(2, nullptr, 16, nullptr, 16, nullptr), 1);
}

TEST_P(Exports, PictureInfoRowsAndRelease) {
  Bytes screen(6912, 0);
  screen[0] = 0x80;                       // pixel (0, 0): ink
  screen[6144 + 32 * 23 + 31] = 0x38;     // bottom-right cell: white paper
  TemporaryFolder folder;
  const std::string path = folder.Write("pic.scr", screen);

  auto init = plugin_.Export<decltype(&gfpLoadPictureInit)>("gfpLoadPictureInit");
  auto getInfo = plugin_.Export<decltype(&gfpLoadPictureGetInfo)>("gfpLoadPictureGetInfo");
  auto getLine = plugin_.Export<decltype(&gfpLoadPictureGetLine)>("gfpLoadPictureGetLine");
  auto getColormap = plugin_.Export<decltype(&gfpLoadPictureGetColormap)>("gfpLoadPictureGetColormap");
  auto exit = plugin_.Export<decltype(&gfpLoadPictureExit)>("gfpLoadPictureExit");

  void* picture = init(path.c_str());
  ASSERT_NE(picture, nullptr);
  int32_t v[7];
  int keep1 = 11, keep2 = 22;
  EXPECT_EQ(getInfo(picture, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &keep1, &keep2), 1);
  const int32_t expected[7] = {0, 256, 192, 75, 24, 768, 0};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(v[i], expected[i]) << "out-parameter " << i;
  EXPECT_EQ(keep1, 11);
  EXPECT_EQ(keep2, 22);

  uint8_t row[768 + 1];
  row[768] = 0xEE;
  EXPECT_EQ(getLine(picture, 0, row), 1);
  EXPECT_EQ(row[768], 0xEE);  // exactly width * 3 bytes
  EXPECT_EQ(row[0], 0);       // ink 0 on paper 0: black either way
  EXPECT_EQ(getLine(picture, 191, row), 1);
  EXPECT_EQ(row[3 * 255], 0xBF);
  // A host mistake is refused, not a memory fault.
  row[0] = 0x55;
  EXPECT_EQ(getLine(picture, 192, row), 0);
  EXPECT_EQ(getLine(picture, -1, row), 0);
  EXPECT_EQ(row[0], 0x55);
  EXPECT_EQ(getColormap(picture, row), 0);
  EXPECT_EQ(row[0], 0x55);
  EXPECT_NE(exit(picture), 0);
}

TEST_P(Exports, NullHandlesAreRefused) {
  auto getInfo = plugin_.Export<decltype(&gfpLoadPictureGetInfo)>("gfpLoadPictureGetInfo");
  auto getLine = plugin_.Export<decltype(&gfpLoadPictureGetLine)>("gfpLoadPictureGetLine");
  auto exit = plugin_.Export<decltype(&gfpLoadPictureExit)>("gfpLoadPictureExit");
  auto init = plugin_.Export<decltype(&gfpLoadPictureInit)>("gfpLoadPictureInit");
  int32_t v = 5;
  uint8_t row[4] = {1, 2, 3, 4};
  EXPECT_EQ(getInfo(nullptr, &v, &v, &v, &v, &v, &v, &v, nullptr, nullptr), 0);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(getLine(nullptr, 0, row), 0);
  EXPECT_EQ(row[0], 1);
  EXPECT_EQ(exit(nullptr), 0);
  EXPECT_EQ(init("/nonexistent/korvel/pic.scr"), nullptr);
  TemporaryFolder folder;
  EXPECT_EQ(init(folder.path().c_str()), nullptr);  // a folder is no file
}

TEST_P(Exports, ManyPicturesOpenAtOnceAreIndependent) {
  TemporaryFolder folder;
  auto init = plugin_.Export<decltype(&gfpLoadPictureInit)>("gfpLoadPictureInit");
  auto getLine = plugin_.Export<decltype(&gfpLoadPictureGetLine)>("gfpLoadPictureGetLine");
  auto exit = plugin_.Export<decltype(&gfpLoadPictureExit)>("gfpLoadPictureExit");
  void* pictures[8];
  for (int i = 0; i < 8; ++i) {
    Bytes screen(6912, 0);
    for (size_t a = 6144; a < 6912; ++a) screen[a] = static_cast<uint8_t>(i << 3);  // paper i
    pictures[i] = init(folder.Write("p" + std::to_string(i) + ".scr", screen).c_str());
    ASSERT_NE(pictures[i], nullptr);
  }
  for (int i = 0; i < 8; ++i) {
    uint8_t row[768];
    ASSERT_EQ(getLine(pictures[i], 100, row), 1);
    const Rgb expected = ZxPalette[i];
    EXPECT_EQ((Rgb{row[0], row[1], row[2]}), expected);
    EXPECT_NE(exit(pictures[i]), 0);
  }
}

std::string PluginName(const ::testing::TestParamInfo<PluginCase>& info) {
  static const char* const kNames[] = {"korvel_hobeta", "korvel_screens", "korvel_extra"};
  return kNames[info.index];
}

INSTANTIATE_TEST_SUITE_P(
    EveryPlugin, Exports,
    ::testing::Values(PluginCase{KORVEL_HOBETA_PLUGIN, "!s;$s;!f;$8;scr"},
                      PluginCase{KORVEL_SCREENS_PLUGIN, "xpc;xpv;rgb;gsc;iscr;mc;mcx"},
                      PluginCase{KORVEL_EXTRA_PLUGIN,
                                 "scr;$c;!c;$s;!s;$b;!b;mlt;ifl;mg1;mg2;mg4;mg8;bsc;bmc4;atr;53c;ch$;chr$;shc;shr;3;"
                                 "nxi;sca;zxp;tap;tzx;sna;z80;trd;scl;rzx;szx;dsk;pzx;fdi;udi;td0;mdr;csw;wav"}),
    PluginName);

// korvel_extra's largest pictures cross the exports whole: every row of a
// 2040x2040 macroscreen and of a 4096-wide text picture, with its last pixel.
TEST(ExtraExports, TheLargestPicturesComeOutRowByRow) {
  Bytes macroscreen = {'c', 'h', 'r', '$', 255, 255, 9};
  for (int cell = 0; cell < 255 * 255; ++cell) {
    macroscreen.insert(macroscreen.end(), {0, 0, 0, 0, 0, 0, 0, 1, 0x38});  // paper white, last pixel ink
  }
  std::string text = "ZX-Paintbrush image\n\n";
  for (int y = 0; y < 8; ++y) text += std::string(4095, '0') + (y == 7 ? "1" : "0") + "\n";
  text += "\n";
  for (int c = 0; c < 512; ++c) text += std::string(c == 0 ? "" : " ") + "38";
  text += "\n";
  struct Case {
    const char* name;
    Bytes file;
    int32_t width, height;
  } cases[] = {
      {"big.chr$", macroscreen, 2040, 2040},
      {"wide.zxp", Bytes(text.begin(), text.end()), 4096, 8},
  };
  LoadedPlugin plugin(KORVEL_EXTRA_PLUGIN);
  auto init = plugin.Export<decltype(&gfpLoadPictureInit)>("gfpLoadPictureInit");
  auto getInfo = plugin.Export<decltype(&gfpLoadPictureGetInfo)>("gfpLoadPictureGetInfo");
  auto getLine = plugin.Export<decltype(&gfpLoadPictureGetLine)>("gfpLoadPictureGetLine");
  auto exit = plugin.Export<decltype(&gfpLoadPictureExit)>("gfpLoadPictureExit");
  TemporaryFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    void* picture = init(folder.Write(c.name, c.file).c_str());
    ASSERT_NE(picture, nullptr);
    int32_t v[7];
    ASSERT_EQ(getInfo(picture, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], nullptr, nullptr), 1);
    EXPECT_EQ(v[1], c.width);
    EXPECT_EQ(v[2], c.height);
    EXPECT_EQ(v[5], c.width * 3);
    std::vector<uint8_t> row(static_cast<size_t>(c.width) * 3 + 1, 0xEE);
    for (int32_t y = 0; y < c.height; ++y) ASSERT_EQ(getLine(picture, y, row.data()), 1);
    EXPECT_EQ(row.back(), 0xEE);                           // exactly width * 3 bytes
    EXPECT_EQ((Rgb{row[row.size() - 4], row[row.size() - 3], row[row.size() - 2]}), ZxPalette[0]);  // ink
    EXPECT_EQ((Rgb{row[0], row[1], row[2]}), ZxPalette[7]);                                         // paper
    EXPECT_NE(exit(picture), 0);
  }
}

}  // namespace
}  // namespace korvel
