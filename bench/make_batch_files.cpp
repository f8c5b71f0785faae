// Writes a folder of pictures for timing `korvel convert` on many files:
// ROUNDS rounds of every sample, each round's copies with a few bytes
// changed where the file still opens at the same size (so that few files
// are alike), plus four
// screens of random bytes a round (standard, multicolour, gigascreen,
// three-colour), the case that deflates worst.
//
// usage: make_batch_files OUTPUT_FOLDER [ROUNDS]   (default 111: 2997 files)

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "samples/sample_set.h"

namespace {

using korvel::samples::Bytes;

// xorshift32: the same files on every run.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  Bytes Fill(size_t size) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(Next() >> 24);
    return bytes;
  }
};

// The picture's size, when one of the plug-ins opens the file.
struct Size {
  int width = -1, height = -1;
  bool operator==(const Size&) const = default;
};

Size PictureSize(const Bytes& bytes, const std::string& name) {
  for (const korvel::DeliverableDescription* deliverable : {&korvel::kKorvelHobeta, &korvel::kKorvelScreens}) {
    korvel::Picture* picture = korvel::LoadPictureBytes(bytes.data(), bytes.size(), name.c_str(), *deliverable);
    if (picture != nullptr) {
      const Size size{picture->width, picture->height};
      korvel::ReleasePicture(picture);
      return size;
    }
  }
  return {};
}

// The sample with 16 bytes changed, or as it is when no try of a few gives
// a picture of the sample's size (a changed sprite table could make a sheet
// of hundreds of megabytes).
Bytes Varied(const Bytes& sample, const std::string& name, Random& random) {
  const Size size = PictureSize(sample, name);
  for (int attempt = 0; attempt < 4; ++attempt) {
    Bytes varied = sample;
    for (int i = 0; i < 16; ++i) varied[random.Next() % varied.size()] ^= static_cast<uint8_t>(random.Next());
    if (PictureSize(varied, name) == size) return varied;
  }
  return sample;
}

std::string Numbered(const std::string& name, int round) {
  const size_t dot = name.rfind('.');
  return name.substr(0, dot) + "-" + std::to_string(round) + name.substr(dot);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_batch_files OUTPUT_FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const int rounds = argc == 3 ? std::atoi(argv[2]) : 111;
  std::filesystem::create_directories(folder);
  const std::vector<korvel::samples::Sample> samples = korvel::samples::SampleSet();
  Random random{2463534242u};
  int written = 0;
  for (int round = 0; round < rounds; ++round) {
    auto write = [&](const std::string& name, const Bytes& bytes) {
      std::ofstream out(folder / Numbered(name, round), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      written += out ? 1 : 0;
    };
    for (const korvel::samples::Sample& sample : samples) {
      write(sample.fileName, Varied(sample.bytes, sample.fileName, random));
    }
    write("noise.scr", random.Fill(6912));
    write("noise.mc", random.Fill(12288));
    write("noise.gsc", random.Fill(13824));
    write("noise.xpc", random.Fill(18432));
  }
  std::printf("%d files written to %s\n", written, folder.string().c_str());
  return 0;
}
