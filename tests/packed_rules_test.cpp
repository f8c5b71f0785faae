// Packed pictures through the built plug-ins, as a host sees them: LCMP5
// screens in both deliverables, HR-packed three-colour screens in both, HR-
// packed gigascreens in korvel_hobeta alone; broken streams give null.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/three_colour.h"
#include "samples/zx_canvas.h"
#include "tests/support/hr_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::HobetaFields;
using testing::LoadedPlugin;
using testing::PicturePtr;

std::vector<uint8_t> PixelsOf(Picture* decoded) {
  PicturePtr picture(decoded);
  if (!picture) return {};
  return std::vector<uint8_t>(picture->pixels, picture->pixels + PixelBytes(*picture));
}

std::vector<uint8_t> ScreenPixels(const Bytes& screen) {
  return PixelsOf(DecodeStandardScreen(ByteSpan(screen.data(), screen.size())));
}

Bytes Wrap(const Bytes& data, uint8_t type = 'C', uint16_t start = 0x4000) {
  HobetaFields fields;
  fields.type = type;
  fields.start = start;
  return testing::WrapHobeta(data, fields);
}

// A file cut short, its header still valid: no sectors claimed.
Bytes WrapTruncated(const Bytes& data, size_t keep, uint8_t type = 'C', uint16_t start = 0x4000) {
  HobetaFields fields;
  fields.type = type;
  fields.start = start;
  fields.sectorCount = 0;
  fields.padToSectors = false;
  return testing::WrapHobeta(Bytes(data.begin(), data.begin() + keep), fields);
}

class PackedRules : public ::testing::Test {
 protected:
  LoadedPlugin hobeta{KORVEL_HOBETA_PLUGIN};
  LoadedPlugin screens{KORVEL_SCREENS_PLUGIN};

  const Bytes screen = samples::EncodeStandardScreen(samples::DrawLandscape());
  const Bytes threeColour = samples::EncodeChannelBitmaps(samples::DrawRainbowTown(), {0, 1, 2}, false);
  const Bytes gigascreen = [] {
    Bytes pair = samples::EncodeStandardScreen(samples::DrawSunset(0));
    const Bytes second = samples::EncodeStandardScreen(samples::DrawSunset(1));
    pair.insert(pair.end(), second.begin(), second.end());
    return pair;
  }();

  // `packedLength` -1: the block's size.
  static Bytes HrThreeColourFile(const Bytes& block, int packedLength = -1) {
    return Wrap(testing::HrThreeColourData(block, 18432, packedLength), 'Y', 0xB800);
  }
};

TEST_F(PackedRules, Lcmp5ScreenOpensInBothDeliverables) {
  const Bytes file = Wrap(testing::PackLcmp5Screen(screen));
  const std::vector<uint8_t> expected = ScreenPixels(screen);
  for (const LoadedPlugin* plugin : {&hobeta, &screens}) {
    const LoadedPlugin::Result result = plugin->Load(file, "packed.$c");
    ASSERT_TRUE(result.loaded());
    EXPECT_EQ(result.width, 256);
    EXPECT_EQ(result.height, 192);
    EXPECT_TRUE(result.pixels == expected);
  }
}

TEST_F(PackedRules, AttributeRowsTheStreamLeavesOutDifferBetweenDeliverables) {
  // The stream stops after the attribute rows of the first two thirds: the
  // bottom third keeps attribute 0 (all black) in korvel_hobeta and shows
  // white on black in korvel_screens.
  const Bytes file = Wrap(testing::PackLcmp5Screen(screen, 0x00, 6144 + 512));
  Bytes cleared = screen, white = screen;
  std::fill(cleared.begin() + 6656, cleared.end(), 0);
  std::fill(white.begin() + 6656, white.end(), 7);
  EXPECT_TRUE(hobeta.Load(file, "packed.$c").pixels == ScreenPixels(cleared));
  EXPECT_TRUE(screens.Load(file, "packed.$c").pixels == ScreenPixels(white));

  // Mode 1 leaves out the first third: its bitmap stays clear in both, its
  // attributes 0 or 7.
  const Bytes lower = Wrap(testing::PackLcmp5Screen(screen, 0x01));
  cleared = screen;
  white = screen;
  std::fill(cleared.begin(), cleared.begin() + 2048, 0);
  std::fill(white.begin(), white.begin() + 2048, 0);
  std::fill(cleared.begin() + 6144, cleared.begin() + 6400, 0);
  std::fill(white.begin() + 6144, white.begin() + 6400, 7);
  EXPECT_TRUE(hobeta.Load(lower, "packed.$c").pixels == ScreenPixels(cleared));
  EXPECT_TRUE(screens.Load(lower, "packed.$c").pixels == ScreenPixels(white));
}

TEST_F(PackedRules, BlockLengthsFrom248OnDifferBetweenDeliverables) {
  const std::vector<uint8_t> expected = ScreenPixels(screen);
  const Bytes stream = testing::PackLcmp5Stream(screen, 0x00);
  for (unsigned n : {0u, 100u, 247u, 248u, 255u}) {
    // A length word of 1: at N = 255 the data are 768 bytes, which would
    // otherwise be read as a character set first.
    HobetaFields fields;
    fields.length = 1;
    const Bytes file = testing::WrapHobeta(testing::Lcmp5Data(stream, 0x00, static_cast<uint8_t>(n)), fields);
    EXPECT_TRUE(hobeta.Load(file, "packed.$c").pixels == expected) << n;
    const LoadedPlugin::Result older = screens.Load(file, "packed.$c");
    if (n <= 247) {
      EXPECT_TRUE(older.pixels == expected) << n;
    } else if (n == 248) {
      // The older depacker takes the mode from the signature's "L" and the
      // stream from its "CMP5", which copies from outside the screen.
      EXPECT_FALSE(older.loaded());
    }
  }
}

TEST_F(PackedRules, HrThreeColourScreenOpensInBothDeliverables) {
  const std::vector<uint8_t> expected =
      PixelsOf(DecodeThreeColourScreen(ByteSpan(threeColour.data(), threeColour.size())));
  const Bytes file = HrThreeColourFile(testing::PackHr(threeColour));
  for (const LoadedPlugin* plugin : {&hobeta, &screens}) {
    const LoadedPlugin::Result result = plugin->Load(file, "packed.$y");
    ASSERT_TRUE(result.loaded());
    EXPECT_TRUE(result.pixels == expected);
  }
}

TEST_F(PackedRules, HrThreeColourScreenNeedsEveryHeaderTest) {
  const Bytes block = testing::PackHr(threeColour);
  const Bytes data = testing::HrThreeColourData(block);
  ASSERT_TRUE(hobeta.Load(Wrap(data, 'Y', 0xB800), "packed.$y").loaded());
  struct Case {
    const char* what;
    Bytes file;
  };
  Bytes movedSignature = data;
  movedSignature[259] = 'h';
  const uint16_t fileData = static_cast<uint16_t>(Wrap(data, 'Y', 0xB800).size() - 17);
  const Case cases[] = {
      {"type letter", Wrap(data, 'C', 0xB800)},
      {"start word", Wrap(data, 'Y', 0xB700)},
      {"signature", Wrap(movedSignature, 'Y', 0xB800)},
      {"packed length equal to unpacked",
       Wrap(testing::HrThreeColourData(block, static_cast<uint16_t>(block.size())), 'Y', 0xB800)},
      {"packed length equal to the data",
       Wrap(testing::HrThreeColourData(block, 18432, fileData), 'Y', 0xB800)},
      {"264-byte file", WrapTruncated(data, 247, 'Y', 0xB800)},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(hobeta.Load(c.file, "packed.$y").loaded()) << c.what;
    EXPECT_FALSE(screens.Load(c.file, "packed.$y").loaded()) << c.what;
  }
  // One byte less of packed length than the data passes.
  EXPECT_TRUE(hobeta.Load(Wrap(testing::HrThreeColourData(block, 18432, fileData - 1), 'Y', 0xB800), "p.$y").loaded());
}

TEST_F(PackedRules, HrGigascreenOpensInKorvelHobetaOnly) {
  const std::vector<uint8_t> expected = PixelsOf(DecodeGigascreen(ByteSpan(gigascreen.data(), gigascreen.size())));
  const Bytes file = Wrap(testing::HrGigascreenData(testing::PackHr(gigascreen)));
  const LoadedPlugin::Result result = hobeta.Load(file, "packed.$c");
  ASSERT_TRUE(result.loaded());
  EXPECT_TRUE(result.pixels == expected);
  EXPECT_FALSE(screens.Load(file, "packed.$c").loaded());
}

TEST_F(PackedRules, HrStreamEndingEarlyLeavesTheRestClear) {
  // Only the first 1000 bytes of the screen, and the six-byte tail.
  Bytes part(threeColour.begin(), threeColour.begin() + 1006);
  Bytes expected = part;
  expected.resize(18432, 0);
  const Bytes file = HrThreeColourFile(testing::PackHr(part));
  for (const LoadedPlugin* plugin : {&hobeta, &screens}) {
    EXPECT_TRUE(plugin->Load(file, "packed.$y").pixels ==
                PixelsOf(DecodeThreeColourScreen(ByteSpan(expected.data(), expected.size()))));
  }
}

TEST_F(PackedRules, BrokenStreamsGiveNull) {
  const Bytes lcmp5 = testing::PackLcmp5Screen(screen);
  // A packed length of 1 keeps the header tests passing once the file is cut.
  const Bytes hrThreeColour = testing::HrThreeColourData(testing::PackHr(threeColour), 18432, 1);
  const Bytes hrGigascreen = testing::HrGigascreenData(testing::PackHr(gigascreen));

  // Cut short: what follows the file reads as zeros, which never end.
  for (double share : {0.0, 0.3, 0.9}) {
    const size_t lcmp5Cut = 12 + static_cast<size_t>(share * (lcmp5.size() - 12));
    const size_t threeColourCut = 300 + static_cast<size_t>(share * (hrThreeColour.size() - 300));
    const size_t gigascreenCut = 20 + static_cast<size_t>(share * (hrGigascreen.size() - 20));
    for (const LoadedPlugin* plugin : {&hobeta, &screens}) {
      EXPECT_FALSE(plugin->Load(WrapTruncated(lcmp5, lcmp5Cut), "cut.$c").loaded()) << share;
      EXPECT_FALSE(plugin->Load(WrapTruncated(hrThreeColour, threeColourCut, 'Y', 0xB800), "cut.$y").loaded());
      EXPECT_FALSE(plugin->Load(WrapTruncated(hrGigascreen, gigascreenCut), "cut.$c").loaded());
    }
  }

  // LCMP5 writing past the screen: 6913 literals under mode 0.
  testing::Lcmp5StreamWriter overrun(0);
  for (int k = 0; k < 6912; ++k) overrun.Literal(1);
  overrun.End();
  // HR copying from before the first byte.
  const Bytes tail(6, 0);
  testing::HrStreamWriter early(tail, 1);
  early.Literal(2);
  early.Match(4, 3);
  early.End();
  for (const LoadedPlugin* plugin : {&hobeta, &screens}) {
    EXPECT_FALSE(plugin->Load(Wrap(testing::Lcmp5Data(overrun.bytes(), 0x00)), "bad.$c").loaded());
    EXPECT_FALSE(plugin->Load(HrThreeColourFile(early.bytes(), 1), "bad.$y").loaded());
  }
  EXPECT_FALSE(hobeta.Load(Wrap(testing::HrGigascreenData(early.bytes())), "bad.$c").loaded());
}

// A block that writes `total` bytes, the end code's six included.
Bytes BlockWriting(size_t total) {
  testing::HrStreamWriter writer(Bytes(6, 0x47), 0x47);
  size_t written = 1 + 6;
  while (written < total) {
    const size_t length = std::min<size_t>(3839, total - written);
    writer.Match(static_cast<unsigned>(length), 1);
    written += length;
  }
  writer.End();
  return writer.bytes();
}

TEST_F(PackedRules, HrOutputMustFitItsAreaTheEndCodeIncluded) {
  for (const LoadedPlugin* plugin : {&hobeta, &screens}) {
    EXPECT_TRUE(plugin->Load(HrThreeColourFile(BlockWriting(18432), 1), "full.$y").loaded());
    EXPECT_FALSE(plugin->Load(HrThreeColourFile(BlockWriting(18433), 1), "over.$y").loaded());
  }
  EXPECT_TRUE(hobeta.Load(Wrap(testing::HrGigascreenData(BlockWriting(13824))), "full.$c").loaded());
  EXPECT_FALSE(hobeta.Load(Wrap(testing::HrGigascreenData(BlockWriting(13825))), "over.$c").loaded());
}

// Depacker state lives in each depack: loads on two threads at once give
// what they give one after the other.
TEST_F(PackedRules, TwoDepacksOnTwoThreadsGiveTheSerialResult) {
  const Bytes lcmp5File = Wrap(testing::PackLcmp5Screen(screen));
  const Bytes hrFile = Wrap(testing::HrGigascreenData(testing::PackHr(gigascreen)));
  const auto pixels = [](const Bytes& file) {
    return PixelsOf(testing::LoadBytes(file, "packed.$c", kKorvelHobeta).release());
  };
  const std::vector<uint8_t> lcmp5Serial = pixels(lcmp5File);
  const std::vector<uint8_t> hrSerial = pixels(hrFile);
  ASSERT_FALSE(lcmp5Serial.empty());
  ASSERT_FALSE(hrSerial.empty());
  int lcmp5Mismatches = 0, hrMismatches = 0;
  std::thread first([&] {
    for (int k = 0; k < 30; ++k) lcmp5Mismatches += pixels(lcmp5File) != lcmp5Serial;
  });
  std::thread second([&] {
    for (int k = 0; k < 30; ++k) hrMismatches += pixels(hrFile) != hrSerial;
  });
  first.join();
  second.join();
  EXPECT_EQ(lcmp5Mismatches, 0);
  EXPECT_EQ(hrMismatches, 0);
}

}  // namespace
}  // namespace korvel
