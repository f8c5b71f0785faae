// Samples of the files pictures live in: a tape, a snapshot and two disk
// images, each holding sample pictures beside the other things such files
// hold (a BASIC loader, a program's memory).

#include <string>

#include "samples/sample_set.h"
#include "tests/support/container_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/recording_writer.h"

namespace korvel::samples {

namespace {

// 10 LOAD ""SCREEN$: LOAD ""SCREEN$ as a BASIC program: the line number
// (high byte first), the line's length, its tokens, ENTER.
Bytes LoaderProgram() {
  const Bytes line = {0xEF, '"', '"', 0xAA, ':', 0xEF, '"', '"', 0xAA, 0x0D};
  Bytes program = {0x00, 10, static_cast<uint8_t>(line.size()), 0x00};
  program.insert(program.end(), line.begin(), line.end());
  return program;
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
