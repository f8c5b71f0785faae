// The committed sample set is exactly what the generator writes, and every
// sample opens as a picture.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "plugin/load.h"
#include "samples/sample_set.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

const std::string kSampleFolder = std::string(KORVEL_SOURCE_DIR) + "/samples/files";

TEST(Samples, CommittedFilesMatchTheGenerator) {
  std::set<std::string> generated;
  for (const samples::Sample& sample : samples::SampleSet()) {
    generated.insert(sample.fileName);
    EXPECT_EQ(testing::ReadFileBytes(kSampleFolder + "/" + sample.fileName), sample.bytes)
        << sample.fileName << " differs from the generator: run the samples target";
  }
  for (const auto& entry : std::filesystem::directory_iterator(kSampleFolder)) {
    EXPECT_TRUE(generated.count(entry.path().filename().string())) << entry.path() << " is not generated";
  }
}

TEST(Samples, EverySampleOpens) {
  for (const samples::Sample& sample : samples::SampleSet()) {
    // korvel_extra reads every form, the other two's included.
    testing::PicturePtr picture = testing::LoadBytes(sample.bytes, sample.fileName, kKorvelExtra);
    EXPECT_TRUE(picture) << sample.fileName << " (" << sample.description << ")";
    if (picture) EXPECT_GT(PixelBytes(*picture), 0u) << sample.fileName;
  }
}

}  // namespace
}  // namespace korvel
