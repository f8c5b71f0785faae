// The host's PNG writer: a picture of at most 256 colours becomes a palette
// PNG at the smallest bit depth that holds them, more colours RGB, and the
// pixels read back unchanged either way. Built twice: against the libpng
// writer (in korvel_tests) and against the writer over zlib alone that the
// Windows host uses (korvel_png_zlib_tests).

#include <gtest/gtest.h>

#include "host/png_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

// 13 pixels a row, so that rows of 1-, 2- and 4-bit indices end inside a
// byte; enough rows for 257 colours. Colour n (red n, green n / 256) goes to
// every `colours`-th pixel.
host::Image ImageOfColours(int colours) {
  host::Image image;
  image.width = 13;
  image.height = 21;
  for (int pixel = 0; pixel < image.width * image.height; ++pixel) {
    const int n = pixel % colours;
    image.rgb.insert(image.rgb.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0x55});
  }
  return image;
}

TEST(PngWriter, TheSmallestBitDepthThatHoldsTheColoursAndThePixelsReadBack) {
  struct Case {
    int colours;
    int bitDepth;
    int colourType;  // 3 palette, 2 RGB
  };
  const Case cases[] = {{1, 1, 3},  {2, 1, 3},   {3, 2, 3},   {4, 2, 3}, {5, 4, 3},
                        {16, 4, 3}, {17, 8, 3}, {256, 8, 3}, {257, 8, 2}};
  testing::TemporaryFolder folder;
  for (const Case& c : cases) {
    const host::Image image = ImageOfColours(c.colours);
    const std::string path = folder.path() + "/" + std::to_string(c.colours) + ".png";
    std::string error;
    ASSERT_TRUE(host::WritePng(image, path, false, error)) << c.colours << ": " << error;
    const testing::Bytes file = testing::ReadFileBytes(path);
    ASSERT_GT(file.size(), 26u);
    EXPECT_EQ(file[24], c.bitDepth) << c.colours << " colours";
    EXPECT_EQ(file[25], c.colourType) << c.colours << " colours";
    const testing::PngImage png = testing::ReadPng(path);
    EXPECT_EQ(png.width, image.width);
    EXPECT_EQ(png.height, image.height);
    EXPECT_EQ(png.rgb, image.rgb) << c.colours << " colours";
  }
}

TEST(PngWriter, OverwritingALongerFileLeavesOnlyThePng) {
  testing::TemporaryFolder folder;
  const host::Image image = ImageOfColours(5);
  const std::string fresh = folder.path() + "/fresh.png";
  const std::string path = folder.Write("old.png", testing::Bytes(100000, 0xEE));
  std::string error;
  ASSERT_TRUE(host::WritePng(image, fresh, false, error)) << error;
  EXPECT_FALSE(host::WritePng(image, path, false, error));
  ASSERT_TRUE(host::WritePng(image, path, true, error)) << error;
  EXPECT_EQ(testing::ReadFileBytes(path), testing::ReadFileBytes(fresh));
}

TEST(PngWriter, AnImageWithoutItsPixelsIsRefusedAndNothingIsLeft) {
  testing::TemporaryFolder folder;
  host::Image image = ImageOfColours(2);
  image.rgb.pop_back();
  const std::string path = folder.path() + "/short.png";
  std::string error;
  EXPECT_FALSE(host::WritePng(image, path, false, error));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace korvel
