// Writes the fuzzers' seed corpus: every sample of the sample set, and small
// hand-built files for each wrapped kind, each prefixed with the control byte
// that fuzz_input.h describes (file name, checksum mending).
//
// usage: korvel_fuzz_seeds OUTPUT_FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "samples/sample_set.h"
#include "tests/support/container_writer.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/hobeta_writer.h"
#include "tests/support/hr_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/recording_writer.h"

namespace {

using korvel::testing::Bytes;
using korvel::testing::HobetaFields;
using korvel::testing::WrapHobeta;

// The control byte's name index (kFuzzFileNames, or with bit 4
// kExtraFuzzFileNames) for a file name, and bit 3 for "mend the checksum" on
// wrapped files.
uint8_t ControlFor(const std::string& fileName, bool wrapped) {
  const auto endsWith = [&](const char* tail) {
    const std::string t = tail;
    return fileName.size() >= t.size() && fileName.compare(fileName.size() - t.size(), t.size(), t) == 0;
  };
  uint8_t name = 4;  // ".scr"
  if (endsWith(".rgb")) name = 0;
  if (endsWith(".xpc")) name = 1;
  if (endsWith(".xpv")) name = 2;
  if (endsWith(".RGB")) name = 3;
  const char* extraNames[] = {".mlt", ".ifl", ".atr", ".53c", ".shc", ".3", ".nxi", ".$c"};
  const char* containerNames[] = {".tap", ".sna", ".z80", ".trd", ".wav"};
  const char* moreContainerNames[] = {".fdi", ".td0", ".mdr"};
  for (uint8_t i = 0; i < 8; ++i) {
    if (endsWith(extraNames[i])) name = static_cast<uint8_t>(16 | i);
    if (i < 5 && endsWith(containerNames[i])) name = static_cast<uint8_t>(32 | i);
    if (i < 3 && endsWith(moreContainerNames[i])) name = static_cast<uint8_t>(64 | i);
  }
  return static_cast<uint8_t>(name | (wrapped ? 8 : 0));
}

bool HasValidHobetaHeader(const Bytes& file) {
  if (file.size() < 17) return false;
  const uint16_t checksum = korvel::testing::HobetaChecksumOf(file.data());
  return file[15] == (checksum & 0xFF) && file[16] == (checksum >> 8);
}

void Put16(Bytes& bytes, size_t offset, unsigned value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

struct Seed {
  std::string name;
  Bytes file;
  std::string fileName;
};

// Small files of each wrapped kind, so that every rule is reached even while
// the sample set lacks one.
std::vector<Seed> HandBuiltSeeds() {
  std::vector<Seed> seeds;

  seeds.push_back({"charset-96", WrapHobeta(Bytes(768, 0x18)), "font.$s"});
  Bytes consecutive(2048, 0x3C);
  for (int i = 256; i < 264; ++i) consecutive[i] = 0;
  seeds.push_back({"charset-256", WrapHobeta(consecutive), "font.$s"});
  Bytes lineMajor(2048, 0x81);
  seeds.push_back({"charset-256-line-major", WrapHobeta(lineMajor), "font.$s"});

  // Block-coded: every block one colour (code 2, colour 7): bits 010 111.
  Bytes blocks;
  for (int i = 0; i < 768 / 4; ++i) {
    blocks.insert(blocks.end(), {0x5F, 0x7D, 0xF7});  // 010111 010111 010111 010111
  }
  HobetaFields blockFields;
  blockFields.type = '8';
  blockFields.start = 0x3838;
  seeds.push_back({"block-coded", WrapHobeta(blocks, blockFields), "pic.$8"});

  // LCMP5: one literal, then the end code (flag 0, length bits 00001, byte 0).
  Bytes lcmp5 = {'L', 'C', 'M', 'P', '5', 0, 0, 0, 0x00, 0x47, 0x04, 0x00};
  seeds.push_back({"lcmp5-short", WrapHobeta(lcmp5), "pic.$s"});
  Bytes lcmp5Skip = {'L', 'C', 'M', 'P', '5', 0, 0, 4, 1, 2, 3, 4, 0x01, 0xFF, 0x04, 0x00};
  seeds.push_back({"lcmp5-mode", WrapHobeta(lcmp5Skip), "pic.$s"});

  // The shortest HR block: six final bytes, the flag word 0x603C (an end
  // code), one first byte.
  const Bytes hrBlock = {1, 2, 3, 4, 5, 6, 0x3C, 0x60, 0x55};
  Bytes hrGiga = {'H', 'R', 0x00, 0x36, static_cast<uint8_t>(hrBlock.size()), 0};
  hrGiga.insert(hrGiga.end(), hrBlock.begin(), hrBlock.end());
  seeds.push_back({"hr-gigascreen", WrapHobeta(hrGiga), "pic.$s"});

  Bytes hrThree(265, 0);
  hrThree[259] = 'H';
  hrThree[260] = 'R';
  Put16(hrThree, 261, 18432);
  Put16(hrThree, 263, static_cast<unsigned>(hrBlock.size()));
  hrThree.insert(hrThree.end(), hrBlock.begin(), hrBlock.end());
  HobetaFields hrFields;
  hrFields.type = 'Y';
  hrFields.start = 0xB800;
  seeds.push_back({"hr-three-colour", WrapHobeta(hrThree, hrFields), "pic.$s"});

  // BIT sheet: two sprites (1x1 plain, 2x1 with attributes), the word at
  // D[4] being the length minus 256.
  Bytes bit(300, 0);
  bit[0] = 'B';
  bit[1] = 'I';
  bit[2] = 'T';
  bit[3] = 2;
  Put16(bit, 4, 300 - 256);
  bit[8] = 1;
  bit[9] = 1;
  Put16(bit, 10, 16);
  bit[12] = 2;
  bit[13] = 1;
  Put16(bit, 14, 0x8000 | 26);
  const Bytes plainCell = {0xFF, 0x80, 0x80, 0, 0, 0, 0, 0, 0};
  std::copy(plainCell.begin(), plainCell.end(), bit.begin() + 16);
  const Bytes attributeCells = {0x01, 0xFF, 0x47, 0x80, 0x3C, 0x0A};
  std::copy(attributeCells.begin(), attributeCells.end(), bit.begin() + 26);
  seeds.push_back({"bit-sheet", WrapHobeta(bit), "sprites.$s"});

  // Wrapped forms of the screen sizes, for the rules on length and sectors.
  for (const unsigned size : {6912u, 6144u, 13824u, 18432u, 12288u, 24576u}) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 256);
    seeds.push_back({"wrapped-" + std::to_string(size), WrapHobeta(data), "pic.$s"});
  }
  // Raw files, recognised by size (and, at 18432 bytes, by extension).
  for (const unsigned size : {6912u, 6144u, 13824u, 12288u, 24576u}) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 13 + i / 512);
    seeds.push_back({"raw-" + std::to_string(size), data, "pic.scr"});
  }
  for (const char* extension : {".rgb", ".xpv"}) {
    Bytes data(18432);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 5 + i / 1024);
    seeds.push_back({std::string("raw-18432") + extension, data, std::string("pic") + extension});
  }

  HobetaFields brg;
  brg.type = 'b';
  Bytes brgData(18432, 0xA5);
  seeds.push_back({"wrapped-18432-b", WrapHobeta(brgData, brg), "pic.$s"});

  // What korvel_extra forgives: a wrong checksum under a `.$c` name, a file
  // cut after its data, HR-packed screens, packed data without a header.
  Bytes screen(6912);
  for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i * 11 + i / 300);
  Bytes badChecksum = WrapHobeta(screen);
  badChecksum[15] ^= 0xFF;
  seeds.push_back({"tolerated-bad-checksum", badChecksum, "pic.$c"});
  Bytes cut = WrapHobeta(screen);
  cut.resize(17 + 6912);
  seeds.push_back({"tolerated-short", cut, "pic.$c"});
  Bytes hrScreen = {'H', 'R', 0x00, 0x1B, 0, 0};
  const Bytes packedScreen = korvel::testing::PackHr(screen);
  hrScreen.insert(hrScreen.end(), packedScreen.begin(), packedScreen.end());
  seeds.push_back({"tolerated-hr-screen", WrapHobeta(hrScreen), "pic.$c"});
  seeds.push_back({"headerless-hr-screen", hrScreen, "pic"});
  seeds.push_back({"headerless-lcmp5", korvel::testing::PackLcmp5Screen(screen), "pic"});
  Bytes capitals(18432, 0x5A);
  seeds.push_back({"capitals-18432", capitals, "pic.RGB"});

  // Containers beside the samples': a TZX of mixed blocks, a 128K snapshot
  // showing bank 7, a Timex hi-res Z80, a disk image with a deleted entry.
  using namespace korvel::testing;
  const Bytes header = TapeHeader(3, "screen", 6912, 16384);
  seeds.push_back({"tzx-mixed", TzxFile({TzxStandardBlock(TapeBlock(0, header)), TzxTurboBlock(TapeBlock(0xFF, screen)),
                                         TzxPureDataBlock(TapeBlock(0xFF, screen))}),
                   "pic.tzx"});
  std::vector<Bytes> banks(8, Bytes(16384, 0));
  std::copy(screen.begin(), screen.end(), banks[7].begin());
  seeds.push_back({"sna-128k-bank7", Sna128k(banks, 0x0F), "pic.sna"});
  Bytes page(16384);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 3 + i / 512);
  seeds.push_back({"z80-timex-hires", Z80Later(54, 14, 0, 0x3E, {{8, page}}), "pic.z80"});
  seeds.push_back({"trd-deleted", TrdImage({{"GONE", 'C', screen, 0x4000, 1}, {"LOGO", 'C', screen}}), "pic.trd"});

  // The containers of recordings, +3 disks, sector images and cartridges, at
  // their smallest: a 128K SZX with a palette, an RZX of a stored SNA, a
  // standard DSK, sector images of one-sided disks, a cartridge of a screen.
  seeds.push_back({"szx-128k-palette",
                   SzxFile(2, {SzxBlock("SPCR", {0, 0x08}), SzxBlock("PLTT", Concat({{1, 0}, Marked(3, 64)})),
                               SzxRamPage(7, Concat({screen, Bytes(16384 - 6912, 0)}), true)}),
                   "pic"});
  Bytes sna(27, 0);
  sna = Concat({sna, screen, Bytes(49152 - 6912, 0)});
  seeds.push_back({"rzx-sna", RzxFile({RzxSnapshotBlock("sna", sna, true)}), "pic"});
  const std::vector<Bytes> plus3 = Plus3Sectors({{"PIC", "SCR", WritePlus3dosScreen(screen)}});
  seeds.push_back({"dsk-standard", DskImage(std::vector<Bytes>(plus3.begin(), plus3.begin() + 9 * 4), false), "pic"});
  const Tracks tracks = TrdosTracks(TrdImage({{"LOGO", 'C', screen}}), 1);
  seeds.push_back({"fdi", FdiImage(tracks, 1), "pic.fdi"});
  seeds.push_back({"udi", UdiImage(tracks, 1), "pic"});
  seeds.push_back({"td0-pairs", Td0Image(tracks, 1, 1), "pic.td0"});
  seeds.push_back({"mdr", MdrCartridge(MdrFileRecords("screen", 3, screen)), "pic.mdr"});
  seeds.push_back({"pzx",
                   PzxFile({PzxDataBlock(TapeHeader(3, "screen", 6912, 16384)), PzxDataBlock(TapeBlock(0xFF, screen))}),
                   "pic"});
  seeds.push_back({"tzx-generalized", TzxFile({TzxGeneralizedDataBlock(TapeBlock(0xFF, screen))}), "pic"});
  // Recordings of a header after the shortest pilot the loader takes (300
  // pulses), so that the seeds stay small: CSW version 1, and WAV in 8 bits
  // at 8 kHz and in extensible 16-bit stereo at 11.025 kHz.
  Pulses shortTape(300, 2168);
  shortTape.insert(shortTape.end(), {667, 735});
  for (uint8_t byte : header) {
    for (int b = 7; b >= 0; --b) shortTape.insert(shortTape.end(), 2, (byte >> b & 1) != 0 ? 1710 : 855);
  }
  shortTape.push_back(20000);
  seeds.push_back({"csw-v1", CswFile(SamplePulses(shortTape, {22050}), {.version = 1, .zlib = false, .rate = 22050}),
                   "pic.csw"});
  seeds.push_back({"wav-8bit", WavFile(SamplePulses(shortTape, {8000}), {.rate = 8000, .bits = 8, .leadIn = 10}),
                   "pic.wav"});
  seeds.push_back({"wav-extensible-stereo",
                   WavFile(SamplePulses(shortTape, {11025}),
                           {.rate = 11025, .channels = 2, .extensible = true, .offset = 500, .leadIn = 10}),
                   "pic.wav"});
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr, "usage: korvel_fuzz_seeds OUTPUT_FOLDER\n");
    return argc == 2 ? 0 : 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  std::vector<Seed> seeds;
  for (const korvel::samples::Sample& sample : korvel::samples::SampleSet()) {
    // Long inputs slow every mutation down; the WAV recording has small seeds of its own.
    if (sample.bytes.size() > 65536) continue;
    seeds.push_back({"sample-" + sample.fileName, sample.bytes, sample.fileName});
  }
  for (Seed& seed : HandBuiltSeeds()) seeds.push_back(std::move(seed));

  for (const Seed& seed : seeds) {
    Bytes input = {ControlFor(seed.fileName, HasValidHobetaHeader(seed.file))};
    input.insert(input.end(), seed.file.begin(), seed.file.end());
    std::string name = seed.name;
    for (char& c : name) {
      if (c == '/' || c == '$' || c == '!') c = '_';
    }
    // Each seed twice: the plug-in's load, and (bit 7, korvel_extra only)
    // the in-process host's walk.
    for (const bool hostWalk : {false, true}) {
      input[0] = static_cast<uint8_t>((input[0] & 127) | (hostWalk ? 128 : 0));
      const std::filesystem::path path = folder / (hostWalk ? "host-" + name : name);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
      if (!out) {
        std::fprintf(stderr, "korvel_fuzz_seeds: cannot write %s\n", path.string().c_str());
        return 1;
      }
    }
  }
  std::printf("korvel_fuzz_seeds: %zu seeds, each for both walks, in %s\n", seeds.size(), folder.string().c_str());
  return 0;
}
