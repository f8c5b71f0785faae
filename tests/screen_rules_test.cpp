// Every screen kind through the built plug-ins, as a host sees it: each raw
// size and each wrapped form gives the exact picture of its decoder in the
// deliverable that reads it, and null in the one that does not.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "decoders/bit_sprite_sheet.h"
#include "decoders/block_coded.h"
#include "decoders/character_set.h"
#include "decoders/multicolour_gigascreen.h"
#include "decoders/three_colour.h"
#include "tests/support/bit_sheet_writer.h"
#include "tests/support/block_coded_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::HobetaFields;
using testing::LoadedPlugin;
using testing::PicturePtr;
using testing::WrapHobeta;

// Bytes in which every position differs from its neighbours, so that a
// wrong offset or order shows.
Bytes Busy(size_t size, unsigned seed) {
  Bytes bytes(size);
  uint32_t state = seed;
  for (uint8_t& b : bytes) {
    state = state * 1664525 + 1013904223;
    b = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

Bytes Wrapped(const Bytes& data, uint8_t type = 'C', uint16_t start = 0x4000) {
  HobetaFields fields;
  fields.type = type;
  fields.start = start;
  return WrapHobeta(data, fields);
}

// The picture a decoder makes of `data`, padded with zeros to the size the
// loaders give a decoder (the read buffer from the data on).
// A decoder drawn with the default choices, as the rules draw.
template <auto Decode>
Picture* Drawn(ByteSpan data) {
  return Decode(data, kDefaultDrawing);
}

std::vector<uint8_t> Expected(const std::function<Picture*(ByteSpan)>& decode, const Bytes& data, size_t span,
                              int& width, int& height) {
  Bytes padded = data;
  padded.resize(std::max(span, data.size()), 0);
  PicturePtr picture(decode(ByteSpan(padded.data(), span)));
  if (!picture) return {};
  width = picture->width;
  height = picture->height;
  return std::vector<uint8_t>(picture->pixels, picture->pixels + PixelBytes(*picture));
}

struct Case {
  std::string name;        // file name, for the raw forms' extensions
  Bytes file;
  std::function<Picture*(ByteSpan)> decode;  // given the data of the file
  bool hobeta, screens;    // which deliverables read it
};

constexpr size_t kRawSpan = 65552;
constexpr size_t kDataSpan = 65552 - 17;

class ScreenRules : public ::testing::Test {
 protected:
  void Check(const Case& c) {
    for (const auto& [plugin, reads] : {std::pair{&hobeta_, c.hobeta}, std::pair{&screens_, c.screens}}) {
      const LoadedPlugin::Result result = plugin->Load(c.file, c.name);
      const char* who = plugin == &hobeta_ ? "korvel_hobeta" : "korvel_screens";
      if (!reads) {
        EXPECT_FALSE(result.loaded()) << c.name << " in " << who;
        continue;
      }
      ASSERT_TRUE(result.loaded()) << c.name << " in " << who;
      int width = -1, height = -1;
      // A raw file is decoded from its first byte, a wrapped one (never of a
      // raw size: 17 bytes more than whole sectors) from its data.
      const bool raw = c.file.size() == 12288 || c.file.size() == 13824 || c.file.size() == 18432 ||
                       c.file.size() == 24576;
      const Bytes data = raw ? c.file : Bytes(c.file.begin() + 17, c.file.end());
      const std::vector<uint8_t> expected = Expected(c.decode, data, raw ? kRawSpan : kDataSpan, width, height);
      ASSERT_FALSE(expected.empty()) << c.name;
      EXPECT_EQ(result.width, width) << c.name;
      EXPECT_EQ(result.height, height) << c.name;
      EXPECT_TRUE(result.pixels == expected) << c.name << " in " << who;
    }
  }

  LoadedPlugin hobeta_{KORVEL_HOBETA_PLUGIN};
  LoadedPlugin screens_{KORVEL_SCREENS_PLUGIN};
};

TEST_F(ScreenRules, RawSizesInBothDeliverables) {
  const Case cases[] = {
      {"pair.gsc", Busy(13824, 1), Drawn<DecodeGigascreen>, true, true},
      {"pair.bin", Busy(13824, 2), Drawn<DecodeGigascreen>, true, true},
      {"multi.mc", Busy(12288, 3), Drawn<DecodeMulticolourScreen>, true, true},
      {"multi", Busy(12288, 4), Drawn<DecodeMulticolourScreen>, true, true},
      {"multi.mcx", Busy(24576, 5), Drawn<DecodeMulticolourGigascreen>, true, true},
      {"colour.rgb", Busy(18432, 6), DecodeThreeColourScreen, true, true},
      {"colour.xpc", Busy(18432, 7), DecodeThreeColourScreen, true, true},
      {"colour.xpv", Busy(18432, 8), DecodeLinearThreeColourScreen, true, true},
      {"colour.XPV", Busy(18432, 9), nullptr, false, false},
      {"colour.scr", Busy(18432, 10), nullptr, false, false},
  };
  for (const Case& c : cases) Check(c);
}

TEST_F(ScreenRules, WrappedFormsOnlyInKorvelHobeta) {
  testing::BitSheetWriter sheet;
  std::vector<testing::BitCell> cells(6);
  for (size_t i = 0; i < cells.size(); ++i) {
    cells[i].lines = {0x18, 0x3C, 0x7E, 0xFF, 0xFF, 0x7E, 0x3C, 0x18};
    cells[i].attribute = static_cast<uint8_t>(0x40 | (i + 1) | (7 - i) << 3);
  }
  sheet.AddSprite(3, 2, cells, true);
  sheet.AddSprite(1, 1, {cells[0]}, false);
  const Case cases[] = {
      {"pair.$g", Wrapped(Busy(13824, 11)), Drawn<DecodeGigascreen>, true, false},
      {"colour.$c", Wrapped(Busy(18432, 12)), DecodeThreeColourScreen, true, false},
      {"colour.$b", Wrapped(Busy(18432, 13), 'b'), DecodeBrgThreeColourScreen, true, false},
      {"multi.$m", Wrapped(Busy(12288, 14)), Drawn<DecodeMulticolourScreen>, true, false},
      {"multi.$x", Wrapped(Busy(24576, 15)), Drawn<DecodeMulticolourGigascreen>, true, false},
      {"sheet.$c", sheet.FinishWrapped(), Drawn<DecodeBitSpriteSheet>, true, false},
  };
  for (const Case& c : cases) Check(c);
}

TEST_F(ScreenRules, BlockCodedScreenAndCharacterSetsInBoth) {
  std::vector<uint8_t> colours(256 * 192);
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint8_t>((i / 256 / 24 + i % 256 / 40) % 8);
  Bytes lineMajor = Busy(2048, 17);
  lineMajor[256] |= 1;  // D[256..263] not blank
  Bytes consecutive = Busy(2048, 18);
  std::fill(consecutive.begin() + 256, consecutive.begin() + 264, 0);  // a blank space glyph
  const Case cases[] = {
      {"bands.$8", Wrapped(testing::EncodeBlockCodedScreen(colours), '8', 0x3838), DecodeBlockCodedScreen, true, true},
      {"font.$c", Wrapped(Busy(768, 16)), [](ByteSpan d) { return DecodeCharacterSet(d, 96); }, true, true},
      {"font256.$c", Wrapped(lineMajor), DecodeLineMajorCharacterSet, true, true},
      {"font256b.$c", Wrapped(consecutive), [](ByteSpan d) { return DecodeCharacterSet(d, 256); }, true, true},
  };
  for (const Case& c : cases) Check(c);
}

TEST_F(ScreenRules, ShortStreamsReadZerosInsideTheBufferAndFailPastIt) {
  // A block-coded stream of one byte: 010 111 00, then zeros: a white block,
  // then raw blocks of zero bytes, all read from the cleared area.
  HobetaFields fields;
  fields.type = '8';
  fields.start = 0x3838;
  fields.sectorCount = 0;
  fields.padToSectors = false;
  Check({"short.$8", WrapHobeta({0x5C}, fields), DecodeBlockCodedScreen, true, true});

  // A sheet whose one sprite's cells run on from offset 32767: 255 x 64
  // cells of 2 bytes stay inside the buffer (all black); 255 x 129 do not.
  for (const auto& [height, fits] : {std::pair{uint8_t{64}, true}, std::pair{uint8_t{129}, false}}) {
    testing::BitSheetWriter writer;
    writer.AddEntry(255, height, 0xFFFF);
    const Bytes file = writer.FinishWrapped();
    if (fits) {
      Check({"far.$c", file, Drawn<DecodeBitSpriteSheet>, true, false});
    } else {
      EXPECT_FALSE(hobeta_.Load(file, "far.$c").loaded());
    }
  }
}

}  // namespace
}  // namespace korvel
