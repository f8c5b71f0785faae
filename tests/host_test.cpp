// The korvel host as a user runs it: converting named files, outputs that
// exist, folders, plug-in choice, errors and help.

#include <gtest/gtest.h>

#include <filesystem>

#include "host/convert.h"
#include "plugin/load.h"
#include "plugin/reading.h"
#include "tests/support/test_support.h"

#ifdef KORVEL_HOST

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ShellQuote;
using testing::TemporaryFolder;

Bytes Screen(uint8_t attribute) {
  Bytes screen(6912, 0x0F);
  for (size_t i = 6144; i < 6912; ++i) screen[i] = attribute;
  return screen;
}

TEST(Host, ConvertsANamedFileBesideItWithTheWholeNamePlusPng) {
  TemporaryFolder folder;
  const std::string input = folder.Write("pic.scr", Screen(0x4A));
  const Bytes wrapped = testing::WrapHobeta(Screen(0x38));
  const std::string second = folder.Write("pic.$s", wrapped);
  auto result = testing::RunKorvel("convert " + ShellQuote(input) + " " + ShellQuote(second));
  EXPECT_EQ(result.status, 0) << result.output;

  testing::PngImage png = testing::ReadPng(input + ".png");
  ASSERT_EQ(png.width, 256);
  ASSERT_EQ(png.height, 192);
  testing::PicturePtr expected = testing::LoadBytes(Screen(0x4A), "pic.scr", kKorvelHobeta);
  ASSERT_TRUE(expected);
  EXPECT_TRUE(std::equal(png.rgb.begin(), png.rgb.end(), expected->pixels));
  EXPECT_EQ(testing::ReadPng(second + ".png").width, 256);
}

// Every sample through the host: the PNG, palette or not, reads back as the
// picture a plug-in gives (the two plug-ins differ on some files; the host
// may have taken either).
TEST(Host, EverySampleConvertsToThePicturesPixels) {
  TemporaryFolder folder;
  const std::string samples = std::string(KORVEL_SOURCE_DIR) + "/samples/files";
  auto result = testing::RunKorvel("convert " + ShellQuote(samples) + " -o " + ShellQuote(folder.path()));
  ASSERT_EQ(result.status, 0) << result.output;
  // Each picture of a sample, labelled: a tape or disk image holds several.
  using Labelled = std::vector<std::pair<std::string, testing::PicturePtr>>;
  const FoundItemVisitor collect = [](FoundItem& item, void* pictures) {
    if (item.picture != nullptr) static_cast<Labelled*>(pictures)->emplace_back(item.label, item.picture);
    return true;
  };
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(samples)) {
    const std::string name = entry.path().filename().string();
    const Bytes bytes = testing::ReadFileBytes(entry.path().string());
    Labelled pictures;
    ReadEveryPicture(bytes.data(), bytes.size(), name.c_str(), collect, &pictures);
    ASSERT_FALSE(pictures.empty()) << name;
    for (const auto& [label, picture] : pictures) {
      const std::string pngName = pictures.size() == 1 ? name + ".png" : name + "." + label + ".png";
      const testing::PngImage png = testing::ReadPng(folder.path() + "/" + pngName);
      EXPECT_TRUE(png.width == picture->width && png.height == picture->height &&
                  std::equal(png.rgb.begin(), png.rgb.end(), picture->pixels))
          << pngName;
      ++compared;
    }
  }
  EXPECT_GE(compared, 20);
}

TEST(Host, NeverOverwritesUnlessForced) {
  TemporaryFolder folder;
  const std::string input = folder.Write("pic.scr", Screen(0x38));
  const std::string output = folder.Write("pic.scr.png", Bytes{'k', 'e', 'e', 'p'});
  auto refused = testing::RunKorvel("convert " + ShellQuote(input));
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.output.find("already exists"), std::string::npos) << refused.output;
  EXPECT_EQ(testing::ReadFileBytes(output), (Bytes{'k', 'e', 'e', 'p'}));
  auto forced = testing::RunKorvel("convert --force " + ShellQuote(input));
  EXPECT_EQ(forced.status, 0) << forced.output;
  EXPECT_EQ(testing::ReadPng(output).width, 256);
}

TEST(Host, OutputFileOrFolder) {
  TemporaryFolder folder;
  const std::string input = folder.Write("pic.scr", Screen(0x38));
  const std::string file = folder.path() + "/named.png";
  EXPECT_EQ(testing::RunKorvel("convert " + ShellQuote(input) + " -o " + ShellQuote(file)).status, 0);
  EXPECT_EQ(testing::ReadPng(file).width, 256);
  const std::string out = folder.path() + "/out/deeper";
  EXPECT_EQ(testing::RunKorvel("convert " + ShellQuote(input) + " -o " + ShellQuote(out)).status, 0);
  EXPECT_EQ(testing::ReadPng(out + "/pic.scr.png").width, 256);
}

TEST(Host, NamedFilesThatDoNotOpenAreReportedAndTheRestConvert) {
  TemporaryFolder folder;
  const std::string good = folder.Write("good.scr", Screen(0x38));
  const std::string text = folder.Write("notes.txt", Bytes(100, 'a'));
  const std::string missing = folder.path() + "/missing.scr";
  auto result = testing::RunKorvel("convert " + ShellQuote(text) + " " + ShellQuote(missing) + " " + ShellQuote(good));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("notes.txt: not a ZX picture that korvel reads"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("missing.scr: cannot read it"), std::string::npos) << result.output;
  EXPECT_TRUE(fs::exists(good + ".png"));
  EXPECT_FALSE(fs::exists(text + ".png"));
}

TEST(Host, FoldersAreWalkedAndMirroredAndStrangersSkipped) {
  TemporaryFolder folder;
  folder.Write("in/a.scr", Screen(0x38));
  folder.Write("in/sub/b.$s", testing::WrapHobeta(Screen(0x07)));
  folder.Write("in/sub/readme.txt", Bytes(40, 'x'));
  const std::string in = folder.path() + "/in";
  const std::string out = folder.path() + "/out";
  auto result = testing::RunKorvel("convert " + ShellQuote(in) + " -o " + ShellQuote(out));
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_TRUE(fs::exists(out + "/a.scr.png"));
  EXPECT_TRUE(fs::exists(out + "/sub/b.$s.png"));
  EXPECT_FALSE(fs::exists(out + "/sub/readme.txt.png"));
  EXPECT_NE(result.output.find("2 converted"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("1 skipped"), std::string::npos) << result.output;
}

TEST(Host, EmptyPicturesAreReportedNotWritten) {
  // A BIT sheet of no sprites is a 0x0 picture.
  Bytes sheet(300, 0);
  sheet[0] = 'B', sheet[1] = 'I', sheet[2] = 'T';
  sheet[4] = 300 - 256;
  testing::HobetaFields fields;
  fields.length = 300;
  TemporaryFolder folder;
  const std::string input = folder.Write("sheet.$b", testing::WrapHobeta(sheet, fields));
  auto result = testing::RunKorvel("convert " + ShellQuote(input));
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.output.find("empty picture"), std::string::npos) << result.output;
  EXPECT_FALSE(fs::exists(input + ".png"));
}

TEST(Host, PluginsGivenReplaceTheDefaults) {
  TemporaryFolder folder;
  // A wrapped gigascreen: only korvel_hobeta reads it.
  const std::string input = folder.Write("pair.$g", testing::WrapHobeta(Bytes(13824, 0)));
  auto screensOnly = testing::RunKorvel("convert --plugin " + ShellQuote(KORVEL_SCREENS_PLUGIN) + " " + ShellQuote(input));
  EXPECT_EQ(screensOnly.status, 1) << screensOnly.output;
  auto both = testing::RunKorvel("convert --plugin " + ShellQuote(KORVEL_SCREENS_PLUGIN) + " --plugin " +
                     ShellQuote(KORVEL_HOBETA_PLUGIN) + " " + ShellQuote(input));
  EXPECT_EQ(both.status, 0) << both.output;
  auto bad = testing::RunKorvel("convert --plugin /nonexistent.so " + ShellQuote(input));
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.output.find("nonexistent.so"), std::string::npos);
}

TEST(Host, PicturesOfAContainerAreNamedByLabelRepeatsNumbered) {
  struct Case {
    std::vector<std::string> labels;
    std::vector<std::string> outputs;
  };
  const Case cases[] = {
      {{""}, {"out/game.tap.png"}},
      {{"1", "2"}, {"out/game.tap.1.png", "out/game.tap.2.png"}},
      {{"LOGO.C", "LOGO.C", "X.C", "LOGO.C"},
       {"out/game.tap.LOGO.C.png", "out/game.tap.LOGO.C~2.png", "out/game.tap.X.C.png", "out/game.tap.LOGO.C~3.png"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> outputs;
    for (const fs::path& output : host::PictureOutputs("out/game.tap.png", c.labels)) outputs.push_back(output.string());
    EXPECT_EQ(outputs, c.outputs);
  }
}

// korvel_extra, loaded by default, gives pictures wider and taller than a
// screen; each becomes a PNG of its own size.
TEST(Host, ExtraPicturesOfNewSizesBecomePngsOfThatSize) {
  struct Case {
    const char* name;
    Bytes file;
    int width, height;
  } cases[] = {
      {"border.bsc", Bytes(11136, 0x07), 384, 304},
      {"wide.shr", Bytes(12289, 0x55), 512, 192},
  };
  TemporaryFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = folder.Write(c.name, c.file);
    auto result = testing::RunKorvel("convert " + ShellQuote(input));
    ASSERT_EQ(result.status, 0) << result.output;
    const testing::PngImage png = testing::ReadPng(input + ".png");
    EXPECT_EQ(png.width, c.width);
    EXPECT_EQ(png.height, c.height);
  }
}

TEST(Host, InfoAndHelp) {
  auto info = testing::RunKorvel("info");
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.output.find("ZX Graphics"), std::string::npos);
  EXPECT_NE(info.output.find("!s;$s;!f;$8;scr"), std::string::npos);
  EXPECT_NE(info.output.find("xpc;xpv;rgb;gsc;iscr;mc;mcx"), std::string::npos);
  EXPECT_NE(info.output.find("scr;$c;!c;$s;!s;$b;!b;mlt;"), std::string::npos) << "korvel_extra is tried third";
  for (const char* help : {"--help", "convert --help", "identify --help", "info --help"}) {
    auto result = testing::RunKorvel(help);
    EXPECT_EQ(result.status, 0) << help;
    EXPECT_NE(result.output.find("usage: korvel"), std::string::npos) << help;
  }
  for (const char* version : {"--version", "-V"}) {
    auto result = testing::RunKorvel(version);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "korvel " KORVEL_VERSION "\n");
  }
  EXPECT_EQ(testing::RunKorvel("").status, 2);
  EXPECT_EQ(testing::RunKorvel("frobnicate").status, 2);
  EXPECT_EQ(testing::RunKorvel("convert").status, 2);
  EXPECT_EQ(testing::RunKorvel("convert --bogus x").status, 2);
}

}  // namespace
}  // namespace korvel

#endif  // KORVEL_HOST
