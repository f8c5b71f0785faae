// Writes the sample set: one small picture of every kind the plug-ins read,
// drawn and encoded here, raw or Hobeta-wrapped, packed or not.
//
// usage: make_samples OUTPUT_FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "samples/sample_set.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
    return argc == 2 ? 0 : 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const korvel::samples::Sample& sample : korvel::samples::SampleSet()) {
    std::ofstream out(folder / sample.fileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(sample.bytes.data()), static_cast<std::streamsize>(sample.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_samples: cannot write %s\n", (folder / sample.fileName).string().c_str());
      return 1;
    }
  }
  return 0;
}
