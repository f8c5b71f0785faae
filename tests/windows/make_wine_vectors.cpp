// Writes the test vectors that the Windows and the Linux builds must read
// alike: pseudo-random contents in every shape the recogniser tells apart
// (each raw size, each wrapped kind, packed signatures, the size limits),
// so that every decoder and depacker sees arbitrary bytes. The contents are
// fixed by the seed; the vectors are rewritten on every run.
//
// usage: make_wine_vectors OUTPUT_FOLDER

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/hobeta_writer.h"

namespace {

using korvel::testing::Bytes;
using korvel::testing::HobetaFields;
using korvel::testing::WrapHobeta;

// xorshift32: the same bytes on every system.
struct Random {
  uint32_t state;
  uint8_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<uint8_t>(state >> 24);
  }
  Bytes Fill(size_t size) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = Next();
    return bytes;
  }
};

void PutWord(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

HobetaFields Fields(uint8_t type, uint16_t start, uint16_t length, uint8_t sectors) {
  HobetaFields fields;
  fields.type = type;
  fields.start = start;
  fields.length = length;
  fields.sectorCount = sectors;
  return fields;
}

struct Vector {
  std::string name;
  Bytes bytes;
};

// A BIT sheet of a few small sprites with random cell streams, kept small so
// that the pictures stay small.
Bytes BitSheet(Random& random) {
  Bytes data = random.Fill(2048);
  data[0] = 'B';
  data[1] = 'I';
  data[2] = 'T';
  const uint8_t sprites = static_cast<uint8_t>(1 + random.Next() % 4);
  data[3] = sprites;
  for (uint8_t s = 0; s < sprites; ++s) {
    const size_t entry = 8 + 4u * s;
    data[entry] = static_cast<uint8_t>(1 + random.Next() % 6);
    data[entry + 1] = static_cast<uint8_t>(1 + random.Next() % 6);
    const uint16_t offset = static_cast<uint16_t>(32 + random.Next() * 4);
    PutWord(data, entry + 2, static_cast<uint16_t>(offset | ((random.Next() & 1) << 15)));
  }
  const uint16_t length = static_cast<uint16_t>(data.size());
  PutWord(data, 4, static_cast<uint16_t>(length - 256));
  return WrapHobeta(data, Fields('C', 0x4000, length, static_cast<uint8_t>(length / 256)));
}

std::vector<Vector> Vectors() {
  std::vector<Vector> vectors;
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    Random random{seed * 2654435761u};
    const std::string tag = "-" + std::to_string(seed);
    // The seed goes before the extension, which the recogniser looks at.
    auto add = [&](const std::string& name, Bytes bytes) {
      const size_t dot = name.rfind('.');
      vectors.push_back({name.substr(0, dot) + tag + name.substr(dot), std::move(bytes)});
    };
    // Raw files, told apart by size (and for 18432 bytes by extension).
    add("raw-screen.scr", random.Fill(6912));
    add("raw-bitmap.bin", random.Fill(6144));
    add("raw-gigascreen.gsc", random.Fill(13824));
    add("raw-multicolour.mc", random.Fill(12288));
    add("raw-multicolour-giga.mcx", random.Fill(24576));
    // Windows folders do not hold two names that differ only in case: the
    // capitals get a stem of their own.
    for (const char* extension : {"rgb", "xpc", "xpv", "bin"}) {
      add(std::string("raw-three-colour.") + extension, random.Fill(18432));
    }
    add("raw-three-colour-capitals.RGB", random.Fill(18432));
    // The size limits.
    add("short.bin", random.Fill(16));
    add("shortest.bin", random.Fill(17));
    add("longest.bin", random.Fill(65552));
    add("too-long.bin", random.Fill(65553));
    // Wrapped files of each kind, on random data.
    auto wrap = [&](const std::string& name, const Bytes& data, const HobetaFields& fields) {
      add(name, WrapHobeta(data, fields));
    };
    wrap("hob-screen.$s", random.Fill(6912), Fields('C', 0x4000, 6912, 27));
    wrap("hob-bitmap.$s", random.Fill(6144), Fields('C', 0x4000, 6144, 24));
    wrap("hob-block-coded.$8", random.Fill(4096), Fields('8', 0x3838, 4096, 16));
    wrap("hob-font-96.!f", random.Fill(768), Fields('C', 0x3D00, 768, 3));
    Bytes font = random.Fill(2048);
    wrap("hob-font-256-lines.!f", font, Fields('C', 0x3D00, 2048, 8));
    for (size_t i = 256; i < 264; ++i) font[i] = 0;
    wrap("hob-font-256.!f", font, Fields('C', 0x3D00, 2048, 8));
    Bytes lcmp5 = random.Fill(6000);
    for (size_t i = 0; i < 5; ++i) lcmp5[i] = static_cast<uint8_t>("LCMP5"[i]);
    wrap("hob-lcmp5.$s", lcmp5, Fields('C', 0x4000, 6000, 24));
    Bytes hrThree = random.Fill(12000);
    hrThree[259] = 'H';
    hrThree[260] = 'R';
    PutWord(hrThree, 261, 18432);
    PutWord(hrThree, 263, 11000);
    wrap("hob-hr-three-colour.$y", hrThree, Fields('Y', 0xB800, 12000, 47));
    Bytes hrGiga = random.Fill(9000);
    hrGiga[0] = 'H';
    hrGiga[1] = 'R';
    PutWord(hrGiga, 2, 13824);
    wrap("hob-hr-gigascreen.$g", hrGiga, Fields('C', 0x4000, 9000, 36));
    wrap("hob-gigascreen.$g", random.Fill(13824), Fields('C', 0x4000, 13824, 54));
    wrap("hob-three-colour-b.$b", random.Fill(18432), Fields('b', 0x4000, 18432, 72));
    wrap("hob-three-colour.$c", random.Fill(18432), Fields('C', 0x4000, 18432, 72));
    wrap("hob-multicolour.$m", random.Fill(12288), Fields('C', 0x4000, 12288, 48));
    wrap("hob-multicolour-giga.$m", random.Fill(24576), Fields('C', 0x4000, 24576, 96));
    add("hob-bit-sheet.$b", BitSheet(random));
    // A header whose checksum is wrong.
    Bytes bad = WrapHobeta(random.Fill(6912), Fields('C', 0x4000, 6912, 27));
    bad[15] ^= 1;
    add("hob-bad-checksum.$s", bad);
    // korvel_extra's forms by name and size, a file cut after its data, and
    // files beyond korvel_hobeta's limit.
    add("extra-mlt.mlt", random.Fill(12288));
    add("extra-ifl.ifl", random.Fill(9216));
    add("extra-attributes.53C", random.Fill(768));
    add("extra-hi-colour.shc", random.Fill(12288));
    add("extra-ulaplus.bin", random.Fill(6976));
    add("extra-border.bsc", random.Fill(11136));
    add("extra-border-multicolour.bmc4", random.Fill(11904));
    add("extra-hi-res.shr", random.Fill(12289));
    add("extra-planes.3", random.Fill(18432));
    add("extra-layer2.nxi", random.Fill(49664));
    add("extra-large.bin", random.Fill(200000));
    Bytes cut = WrapHobeta(random.Fill(6900), Fields('C', 0x4000, 6900, 27));
    cut.resize(17 + 6900);
    add("hob-cut-after-data.scr", cut);
  }
  return vectors;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_wine_vectors OUTPUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const Vector& vector : Vectors()) {
    std::ofstream out(folder / vector.name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(vector.bytes.data()), static_cast<std::streamsize>(vector.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_wine_vectors: cannot write %s\n", (folder / vector.name).string().c_str());
      return 1;
    }
  }
  return 0;
}
