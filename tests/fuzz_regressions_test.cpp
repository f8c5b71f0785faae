// The inputs kept in fuzz/regressions (each once made a fuzz target fail),
// loaded the way the fuzz targets load them, by every deliverable: each gives
// a picture within the largest size a file can ask for, or null.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/fuzz_input.h"
#include "plugin/load.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

TEST(FuzzRegressions, EveryKeptInputLoadsOrIsRefused) {
  const std::filesystem::path folder = KORVEL_SOURCE_DIR "/fuzz/regressions";
  ASSERT_TRUE(std::filesystem::is_directory(folder));
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    ++inputs;
    const testing::Bytes input = testing::ReadFileBytes(entry.path().string());
    for (const DeliverableDescription* deliverable : {&kKorvelHobeta, &kKorvelScreens, &kKorvelExtra}) {
      SCOPED_TRACE(entry.path().filename().string());
      const fuzzing::FuzzFile file =
          fuzzing::DecodeFuzzInput(input.data(), input.size(), deliverable == &kKorvelExtra);
      if (file.fileName == nullptr) continue;
      testing::PicturePtr picture(
          LoadPictureBytes(file.bytes.data(), file.bytes.size(), file.fileName, *deliverable));
      if (picture == nullptr) continue;
      EXPECT_NE(picture->pixels, nullptr);
      EXPECT_LE(picture->width, fuzzing::kLargestWidth);
      EXPECT_LE(picture->height, fuzzing::kLargestHeight);
    }
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace korvel
