// Samples of the files pictures live in: tapes, snapshots, a recording, disk
// images and a cartridge, each holding sample pictures beside the other
// things such files hold (a BASIC loader, a program's memory).

#include <string>

#include "samples/sample_set.h"
#include "tests/support/container_writer.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/recording_writer.h"

namespace korvel::samples {

namespace {

// 10 LOAD ""SCREEN$: LOAD ""SCREEN$ as a BASIC program: the line number
// (high byte first), the line's length, its tokens, ENTER.
Bytes LoaderProgram() {
  const Bytes line = {0xEF, '"', '"', 0xAA, ':', 0xEF, '"', '"', 0xAA, 0x0D};
  return testing::Concat({{0x00, 10, static_cast<uint8_t>(line.size()), 0x00}, line});
}

// A tape as a loader leaves it: the BASIC program (auto-starting at line
// 10), then two screens saved as code at 16384, each after its header.
Bytes TapeOfTwoScreens(const Bytes& first, const Bytes& second) {
  using namespace testing;
  const Bytes program = LoaderProgram();
  return TapFile({TapeHeader(0, "loader", static_cast<uint16_t>(program.size()), 10), TapeBlock(0x00, program),
                  TapeHeader(3, "landscape", 6912, 16384), TapeBlock(0xFF, first),
                  TapeHeader(3, "town", 6912, 16384), TapeBlock(0xFF, second)});
}

// 48K of memory from 0x4000: the screen, a little code after it, zeros.
Bytes MemoryWithScreen(const Bytes& screen) {
  Bytes memory(49152, 0);
  std::copy(screen.begin(), screen.end(), memory.begin());
  const Bytes code = {0xF3, 0x31, 0x00, 0x00, 0x21, 0x00, 0x40, 0x18, 0xFE};  // di; ld sp,0; ld hl,16384; jr $
  std::copy(code.begin(), code.end(), memory.begin() + 0x4000);
  return memory;
}

// A 16 KB page holding `screen` at 0 and a little code after it.
Bytes PageWithScreen(const Bytes& screen) {
  Bytes page = MemoryWithScreen(screen);
  page.resize(16384);
  return page;
}

// A +3DOS file: the 128-byte header (file type, data length, a parameter)
// and its data.
Bytes Plus3dosFile(uint8_t type, const Bytes& data, uint16_t parameter) {
  Bytes file = testing::WritePlus3dosScreen(Bytes(data.size(), 0));
  std::copy(data.begin(), data.end(), file.begin() + 128);
  file[15] = type;
  file[18] = static_cast<uint8_t>(parameter);
  file[19] = static_cast<uint8_t>(parameter >> 8);
  uint8_t sum = 0;
  for (size_t i = 0; i < 127; ++i) sum = static_cast<uint8_t>(sum + file[i]);
  file[127] = sum;
  return file;
}

}  // namespace

void AddContainerSamples(std::vector<Sample>& samples) {
  const Bytes landscape = EncodeStandardScreen(DrawLandscape());
  const Bytes town = EncodeStandardScreen(DrawRainbowTown());
  const Bytes sunset = EncodeStandardScreen(DrawSunset(0));
  const Bytes discs = EncodeStandardScreen(DrawColourDiscs());

  samples.push_back({"landscape.tap", TapeOfTwoScreens(landscape, town),
                     "TAP tape: a BASIC loader, then two screens saved as code"});

  samples.push_back({"town.z80", testing::Z80Version1(MemoryWithScreen(town), true),
                     "Z80 snapshot, version 1, compressed"});

  const Bytes program = LoaderProgram();
  samples.push_back({"sunset.trd",
                     testing::TrdImage({{"boot", 'B', program, static_cast<uint16_t>(program.size())},
                                        {"sunset", 'C', testing::PackLcmp5Screen(sunset)},
                                        {"discs", 'C', discs}}),
                     "TR-DOS disk image: a BASIC file, an LCMP5-packed screen, a screen"});

  samples.push_back({"discs.scl", testing::SclImage({{"discs", 'C', discs}}), "SCL disk image of one screen"});

  using namespace testing;
  samples.push_back(
      {"landscape.szx",
       SzxFile(2, {SzxBlock("SPCR", {1, 0x18, 0, 0, 0, 0, 0, 0}), SzxRamPage(5, PageWithScreen(town), true),
                   SzxRamPage(7, PageWithScreen(landscape), true)}),
       "SZX snapshot of a 128K machine showing its shadow screen (bank 7), compressed pages"});

  samples.push_back({"sunset.rzx",
                     RzxFile({RzxBlock(0x10, Bytes(30, ' ')),
                              RzxSnapshotBlock("z80", Z80Version1(MemoryWithScreen(sunset), true), true),
                              RzxBlock(0x80, Bytes(13, 0))}),
                     "RZX recording starting from a compressed Z80 snapshot"});

  const Bytes loader = Plus3dosFile(0, program, 10);
  const std::vector<Bytes> plus3 = Plus3Sectors(
      {{"DISK", "", loader}, {"DISCS", "SCR", WritePlus3dosScreen(discs)}, {"TOWN", "SCR", WritePlus3dosScreen(town)}});
  samples.push_back({"discs.dsk", DskImage(std::vector<Bytes>(plus3.begin(), plus3.begin() + 9 * 6), true),
                     "+3 disk image (extended): a BASIC loader, two +3DOS screens"});

  samples.push_back(
      {"landscape.pzx",
       PzxFile({PzxBlock("PULS", {0x7F, 0x8C, 0x78, 0x08}), PzxDataBlock(TapeHeader(3, "landscape", 6912, 16384)),
                PzxBlock("PAUS", {0xE8, 0x03, 0, 0}), PzxDataBlock(TapeBlock(0xFF, landscape))}),
       "PZX tape: a header and a screen"});

  samples.push_back({"town.tzx",
                     TzxFile({TzxGeneralizedDataBlock(TapeHeader(3, "town", 6912, 16384)),
                              TzxGeneralizedDataBlock(TapeBlock(0xFF, town))}),
                     "TZX tape of generalized-data blocks: a header and a screen"});

  const Bytes trdos = TrdImage({{"boot", 'B', program, static_cast<uint16_t>(program.size())},
                                {"sunset", 'C', sunset},
                                {"discs", 'C', PackLcmp5Screen(discs)}});
  samples.push_back({"sunset.fdi", FdiImage(TrdosTracks(trdos, 2), 2), "FDI disk image: a BASIC file, two screens"});
  samples.push_back(
      {"discs.udi", UdiImage(TrdosTracks(TrdImage({{"discs", 'C', discs}}), 2), 2), "UDI disk image of one screen"});
  samples.push_back({"town.td0", Td0Image(TrdosTracks(TrdImage({{"town", 'C', town}}), 2), 2, 2, "korvel sample"),
                     "TD0 disk image of one screen, its sectors run-length coded"});

  std::vector<MdrRecord> cartridge = MdrFileRecords("run", 0, program);
  for (const MdrRecord& record : MdrFileRecords("landscape", 3, landscape)) cartridge.push_back(record);
  samples.push_back({"landscape.mdr", MdrCartridge(cartridge), "Microdrive cartridge: a BASIC program and a screen"});
  // Recordings of tapes, kept small: a CSW file (one byte a pulse, packed)
  // of a loader's tape, and a WAV file of one screen at a low sample rate.
  const std::vector<Bytes> tape = {testing::TapeHeader(0, "loader", static_cast<uint16_t>(program.size()), 10),
                                   testing::TapeBlock(0xFF, program), testing::TapeHeader(3, "sunset", 6912, 16384),
                                   testing::TapeBlock(0xFF, sunset)};
  samples.push_back({"sunset.csw", testing::CswFile(testing::SamplePulses(testing::TapePulses(tape, 700000), {44100}),
                                                    {.rate = 44100}),
                     "CSW tape recording, version 2, zlib: a BASIC loader and a screen"});
  samples.push_back({"landscape.wav",
                     testing::WavFile(testing::SamplePulses(testing::TapePulses({testing::TapeBlock(0xFF, landscape)},
                                                                                350000),
                                                            {8000}),
                                      {.rate = 8000, .bits = 8, .leadIn = 100}),
                     "WAV tape recording, 8 bits at 8 kHz: a screen saved without a header"});
}

}  // namespace korvel::samples
