// Pictures where they live: korvel_extra gives a container's first picture,
// the in-process reading every picture and entry, labelled; and the host
// names, counts and identifies them.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "decoders/standard_screen.h"
#include "plugin/load.h"
#include "plugin/reading.h"
#include "tests/support/container_writer.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;

Bytes Screen(uint8_t seed) {
  Bytes screen(6912);
  for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i * 7 + seed + i / 256);
  return screen;
}

Bytes Tape(const std::vector<Bytes>& screens) {
  std::vector<Bytes> blocks;
  for (const Bytes& screen : screens) {
    blocks.push_back(testing::TapeBlock(0, testing::TapeHeader(3, "screen", 6912, 16384)));
    blocks.push_back(testing::TapeBlock(0xFF, screen));
  }
  return testing::TapFile(blocks);
}

Bytes Padded(Bytes bytes, size_t size) {
  bytes.resize(size, 0);
  return bytes;
}

bool IsScreen(const Picture* picture, const Bytes& screen) {
  const PicturePtr expected(DecodeStandardScreen(ByteSpan(screen.data(), screen.size())));
  return picture != nullptr && memcmp(picture->pixels, expected->pixels, PixelBytes(*expected)) == 0;
}

TEST(ContainerReading, KorvelExtraGivesTheFirstPictureOfEachContainer) {
  const Bytes first = Screen(1), second = Screen(2);
  Bytes sna48 = testing::Concat({Bytes(27, 0), first});
  sna48.resize(49179);
  Bytes memory = first;
  memory.resize(49152);
  const Bytes trd = testing::TrdImage({{"BOOT", 'B', {1, 2, 3}}, {"LOGO", 'C', first}});
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"game.tap", Tape({first, second})},
      {"GAME.TAP", Tape({first})},
      {"game.bin", testing::TzxFile({testing::TzxStandardBlock(testing::TapeBlock(0xFF, first))})},
      {"save.sna", sna48},
      {"save.z80", testing::Z80Version1(memory, true)},
      {"disk.trd", testing::TrdImage({{"BOOT", 'B', {1, 2, 3}}, {"LOGO", 'C', first}, {"LOGO2", 'C', second}})},
      {"disk.bin", testing::SclImage({{"LOGO", 'C', testing::PackLcmp5Screen(first)}})},
      {"save.bin", testing::SzxFile(1, {testing::SzxRamPage(5, Padded(first, 16384), true)})},
      {"replay.bin", testing::RzxFile({testing::RzxSnapshotBlock("z80", testing::Z80Version1(memory, true), true)})},
      {"replay.rzx", testing::RzxFile({testing::RzxSnapshotBlock("sna", sna48, false)})},
      {"disk.dsk",
       testing::DskImage(
           testing::Plus3Sectors({{"BOOT", "", {1, 2}}, {"LOGO", "SCR", testing::WritePlus3dosScreen(first)}}), true)},
      {"disk.bin",
       testing::DskImage(testing::Plus3Sectors({{"LOGO", "SCR", testing::WritePlus3dosScreen(first)}}), false)},
      {"tape.bin", testing::PzxFile({testing::PzxDataBlock(testing::TapeBlock(0xFF, first))})},
      {"tape.tzx", testing::TzxFile({testing::TzxGeneralizedDataBlock(testing::TapeBlock(0xFF, first))})},
      {"disk.FDI", testing::FdiImage(testing::TrdosTracks(trd, 2), 2)},
      {"disk.bin", testing::UdiImage(testing::TrdosTracks(trd, 1), 1)},
      {"disk.td0", testing::Td0Image(testing::TrdosTracks(trd, 2), 2)},
      {"cart.mdr", testing::MdrCartridge(testing::MdrFileRecords("title", 3, first))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PicturePtr picture = testing::LoadBytes(c.file, c.name, kKorvelExtra);
    EXPECT_TRUE(IsScreen(picture.get(), first));
  }
  // Without a picture inside, the file is passed on, and nothing else takes it.
  EXPECT_FALSE(testing::LoadBytes(Tape({}), "empty.tap", kKorvelExtra));
  EXPECT_FALSE(testing::LoadBytes(testing::TrdImage({{"BOOT", 'B', {1}}}), "basic.trd", kKorvelExtra));
  // Names that select a disk image only where the image has its layout.
  for (const char* name : {"notes.fdi", "notes.td0", "notes.mdr"}) {
    EXPECT_FALSE(testing::LoadBytes(Bytes(2000, 'x'), name, kKorvelExtra)) << name;
  }
}

// A BASIC program of 7040 bytes behind its +3DOS header.
Bytes Plus3dosBasic() {
  Bytes file = testing::WritePlus3dosScreen(Screen(3));
  file[15] = 0;
  uint8_t sum = 0;
  for (size_t i = 0; i < 127; ++i) sum = static_cast<uint8_t>(sum + file[i]);
  file[127] = sum;
  return file;
}

Bytes Concat(std::vector<testing::MdrRecord> a, const std::vector<testing::MdrRecord>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return testing::MdrCartridge(a);
}

struct Item {
  std::string label;
  std::string formName;
  bool picture;
  bool warn;
  friend bool operator==(const Item&, const Item&) = default;
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
  return out << item.label << " " << item.formName << (item.picture ? " picture" : "") << (item.warn ? " warn" : "");
}

bool Collect(FoundItem& found, void* context) {
  static_cast<std::vector<Item>*>(context)->push_back(
      {found.label, found.formName, found.picture != nullptr, found.warn});
  ReleasePicture(found.picture);
  return true;
}

TEST(ContainerReading, EveryPictureAndEntryInOrderWithLabels) {
  Bytes disk = testing::TrdImage({{"LOGO", 'C', Screen(1)},
                                  {"BOOT", 'B', {1, 2}},
                                  {"a/b", 'C', testing::PackLcmp5Screen(Screen(2))},
                                  {"GONE", 'C', Screen(3), 0x4000, 1},
                                  {"LOGO", 'C', Screen(4)},
                                  {"LAST", 'C', Screen(5)}});
  disk.resize(disk.size() - 256);  // the last entry's sectors now lie past the end
  struct Case {
    const char* name;
    Bytes file;
    const char* formName;
    std::vector<Item> items;
  } cases[] = {
      {"game.tap",
       Tape({Screen(1), Screen(2)}),
       "TAP tape",
       {{"1", "standard screen", true, false}, {"2", "standard screen", true, false}}},
      {"disk.trd",
       disk,
       "TR-DOS disk image",
       {{"LOGO.C", "wrapped standard screen", true, false},
        {"BOOT.B", "a BASIC program", false, false},
        {"a_b.C", "LCMP5-packed screen", true, false},
        {"LOGO.C", "wrapped standard screen", true, false},
        {"LAST.C", "its sectors lie past the end of the image", false, true}}},
      {"disk.udi",
       testing::UdiImage(testing::TrdosTracks(disk, 2), 2),
       "UDI disk image",
       {{"LOGO.C", "wrapped standard screen", true, false},
        {"BOOT.B", "a BASIC program", false, false},
        {"a_b.C", "LCMP5-packed screen", true, false},
        {"LOGO.C", "wrapped standard screen", true, false},
        {"LAST.C", "wrapped standard screen", true, false}}},  // its last sector filled with 0 to the track's end
      {"disk.dsk",
       testing::DskImage(testing::Plus3Sectors({{"SCREEN", "SCR", testing::WritePlus3dosScreen(Screen(1))},
                                                {"RUN", "", Plus3dosBasic()},
                                                {"SHORT", "BIN", {1, 2, 3}}}),
                         false),
       "+3 disk image",
       {{"SCREEN.SCR", "+3DOS screen", true, false},
        {"RUN", "a BASIC program", false, false},
        {"SHORT.BIN", "shorter than a +3DOS screen", false, false}}},
      {"cart.mdr",
       Concat(testing::MdrFileRecords("run", 0, Bytes(200, 0x0D)), testing::MdrFileRecords("title", 3, Screen(2))),
       "MDR microdrive cartridge",
       {{"run", "a BASIC program", false, false}, {"title", "standard screen", true, false}}},
      {"save.szx",
       testing::SzxFile(1, {testing::SzxRamPage(5, Padded(Screen(1), 16384), true)}),
       "SZX snapshot",
       {{"", "standard screen", true, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Item> items;
    const FileReading reading = ReadEveryPicture(c.file.data(), c.file.size(), c.name, Collect, &items);
    EXPECT_STREQ(reading.formName, c.formName);
    EXPECT_TRUE(reading.container);
    EXPECT_EQ(items, c.items);
  }
}

// Hostile files: each gives no picture, quickly, whatever it claims.
TEST(ContainerReading, HostileFilesGiveNoPictureInLinearTime) {
  using testing::Concat;
  const Bytes screen = Screen(1);
  Bytes endless = {0x78, 0x01};  // a zlib stream of empty stored blocks, none the last
  for (size_t k = 0; k < 200000; ++k) endless.insert(endless.end(), {0, 0, 0, 0xFF, 0xFF});
  Bytes rzxEndless = testing::RzxSnapshotBlock("z80", Bytes(49152, 0), true);
  rzxEndless.resize(17);
  rzxEndless = Concat({rzxEndless, endless});
  for (int shift = 0; shift < 32; shift += 8) {
    rzxEndless[1 + shift / 8] = static_cast<uint8_t>(rzxEndless.size() >> shift);
  }
  const Bytes bomb = testing::ZlibStream(Bytes(1 << 20, 0));

  const Bytes plus3 =
      testing::DskImage(testing::Plus3Sectors({{"LOGO", "SCR", testing::WritePlus3dosScreen(screen)}}), true);
  Bytes tableOut = plus3, laterTracksOut(plus3.begin(), plus3.begin() + 256 + 3 * 4864);
  Bytes sizeOut = testing::DskImage(testing::Plus3Sectors({}), false);
  std::fill_n(tableOut.begin() + 52, 40, 0xFF);
  std::fill_n(laterTracksOut.begin() + 54, 38, 0xFF);  // the file's second track past the end
  sizeOut[48] = 255, sizeOut[49] = 2, sizeOut[50] = sizeOut[51] = 0xFF;
  // A directory whose 64 files all lie in the directory's own block, over and over.
  std::vector<Bytes> looping = testing::Plus3Sectors({});
  for (size_t e = 0; e < 64; ++e) {
    uint8_t* entry = looping[9 + e / 16].data() + 32 * (e % 16);
    const std::string name = "F" + std::to_string(e) + "       SCR";
    std::copy_n(name.begin(), 11, entry + 1);
    entry[15] = 128;
    std::fill_n(entry + 16, 16, 1);
  }
  Bytes td0 = testing::Td0Image({}, 2);
  td0.pop_back();
  for (size_t k = 0; k < 1000000; ++k) td0.insert(td0.end(), {0, static_cast<uint8_t>(k), 0, 0});
  td0.push_back(0xFF);
  const std::vector<testing::MdrRecord> sameRecord(4000, testing::MdrFileRecords("same", 3, screen)[0]);

  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"length.pzx", Concat({testing::PzxFile({}), {'D', 'A', 'T', 'A', 0xF0, 0xFF, 0xFF, 0xFF}, Bytes(100, 0)})},
      {"length.rzx", testing::RzxFile({Concat({{0x30, 0xFF, 0xFF, 0xFF, 0xFF}, Bytes(100, 0)})})},
      {"length.szx", testing::SzxFile(1, {Concat({{'R', 'A', 'M', 'P', 0xFF, 0xFF, 0xFF, 0x7F}, Bytes(100, 0)})})},
      {"length.tzx", testing::TzxFile({Concat({{0x19, 0xF0, 0xFF, 0xFF, 0xFF}, Bytes(100, 0)})})},
      {"bomb.szx", testing::SzxFile(1, {testing::SzxBlock("RAMP", Concat({{1, 0, 5}, bomb}))})},
      {"endless.szx", testing::SzxFile(1, {testing::SzxBlock("RAMP", Concat({{1, 0, 5}, endless}))})},
      {"endless.rzx", testing::RzxFile({rzxEndless})},
      {"table.dsk", tableOut},
      {"tracks.dsk", laterTracksOut},
      {"size.dsk", sizeOut},
      {"looping.dsk", testing::DskImage(looping, false)},
      {"empty.td0", td0},
      {"same.mdr", testing::MdrCartridge(sameRecord)},
  };
  const auto start = std::chrono::steady_clock::now();
  for (const Case& c : cases) EXPECT_FALSE(testing::LoadBytes(c.file, c.name, kKorvelExtra)) << c.name;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

#ifdef KORVEL_HOST

TEST(ContainerReading, TheHostWritesEachPictureNamedAfterItsContainerAndLabel) {
  testing::TemporaryFolder folder;
  Bytes disk = testing::TrdImage({{"LOGO", 'C', Screen(1)}, {"LOGO", 'C', Screen(2)}, {"GONE", 'C', Screen(3)}});
  disk.resize(disk.size() - 256);
  const std::string tape = folder.Write("in/game.tap", Tape({Screen(1), Screen(2)}));
  folder.Write("in/one.tap", Tape({Screen(3)}));
  folder.Write("in/disk.trd", disk);
  const std::string out = folder.path() + "/out";
  auto result = testing::RunKorvel("convert " + testing::ShellQuote(folder.path() + "/in") + " -o " +
                                   testing::ShellQuote(out));
  EXPECT_EQ(result.status, 0) << result.output;
  for (const char* name : {"game.tap.1.png", "game.tap.2.png", "one.tap.png", "disk.trd.LOGO.C.png",
                           "disk.trd.LOGO.C~2.png"}) {
    EXPECT_TRUE(std::filesystem::exists(out + "/" + name)) << name;
  }
  EXPECT_NE(result.output.find("disk.trd: GONE.C: its sectors lie past the end of the image"), std::string::npos);
  EXPECT_NE(result.output.find("korvel: 5 converted, 0 skipped as not ZX pictures, 0 failed"), std::string::npos);

  auto one = testing::RunKorvel("convert " + testing::ShellQuote(tape) + " -o " + testing::ShellQuote(out + "/x.png"));
  EXPECT_EQ(one.status, 1);
  EXPECT_NE(one.output.find("holds 2 pictures"), std::string::npos) << one.output;

  auto identify = testing::RunKorvel("identify " + testing::ShellQuote(tape));
  EXPECT_EQ(identify.status, 0);
  EXPECT_NE(identify.output.find("game.tap: TAP tape, 2 pictures\n"), std::string::npos) << identify.output;
  // Its attributes have FLASH set: two frames.
  EXPECT_NE(identify.output.find("game.tap: 2: standard screen, 256\u00d7192, FLASH: 2 frames\n"), std::string::npos)
      << identify.output;
  EXPECT_EQ(testing::RunKorvel("identify " + testing::ShellQuote(folder.path() + "/missing")).status, 1);
}

#endif  // KORVEL_HOST

}  // namespace
}  // namespace korvel
