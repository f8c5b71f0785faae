// Compares two folders of PNG files by their decoded pixels: both must hold
// the same PNG names (recursively), and each pair the same size and RGB
// bytes. The files themselves may differ (other filters, other deflate).
//
// usage: compare_pngs EXPECTED_FOLDER ACTUAL_FOLDER MINIMUM_COUNT

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Pixels {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<unsigned char> rgb;
};

bool Decode(const fs::path& path, Pixels& pixels, std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    error = image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  pixels.width = image.width;
  pixels.height = image.height;
  pixels.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.rgb.data(), 0, nullptr)) {
    error = image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}

std::set<std::string> PngNames(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file() && it->path().extension() == ".png") {
      names.insert(it->path().lexically_relative(folder).generic_string());
    }
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: compare_pngs EXPECTED_FOLDER ACTUAL_FOLDER MINIMUM_COUNT\n");
    return 2;
  }
  const fs::path expected = argv[1], actual = argv[2];
  const size_t minimum = std::strtoul(argv[3], nullptr, 10);
  const std::set<std::string> expectedNames = PngNames(expected), actualNames = PngNames(actual);
  size_t passed = 0, failed = 0;
  for (const std::string& name : expectedNames) {
    if (actualNames.count(name) == 0) {
      std::printf("FAIL %s: missing from %s\n", name.c_str(), actual.string().c_str());
      ++failed;
      continue;
    }
    Pixels want, got;
    std::string error;
    if (!Decode(expected / name, want, error) || !Decode(actual / name, got, error)) {
      std::printf("FAIL %s: %s\n", name.c_str(), error.c_str());
      ++failed;
    } else if (want.width != got.width || want.height != got.height) {
      std::printf("FAIL %s: %ux%u, expected %ux%u\n", name.c_str(), got.width, got.height, want.width, want.height);
      ++failed;
    } else if (want.rgb != got.rgb) {
      size_t at = 0;
      while (want.rgb[at] == got.rgb[at]) ++at;
      std::printf("FAIL %s: pixels differ, first at x %zu y %zu\n", name.c_str(), at / 3 % want.width,
                  at / 3 / want.width);
      ++failed;
    } else {
      ++passed;
    }
  }
  for (const std::string& name : actualNames) {
    if (expectedNames.count(name) == 0) {
      std::printf("FAIL %s: only in %s\n", name.c_str(), actual.string().c_str());
      ++failed;
    }
  }
  if (expectedNames.size() < minimum) {
    std::printf("FAIL only %zu pictures to compare, expected at least %zu\n", expectedNames.size(), minimum);
    ++failed;
  }
  std::printf("pictures: %zu passed, %zu failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
