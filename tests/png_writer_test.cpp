// The host's PNG writer: a picture of at most 256 colours becomes a palette
// PNG at the smallest bit depth that holds them, more colours RGB, and the
// pixels read back unchanged either way. Built twice: against the libpng
// writer (in korvel_tests) and against the writer over zlib alone that the
// Windows host uses (korvel_png_zlib_tests). Animated PNGs are read back
// frame by frame.

#include <gtest/gtest.h>

#include <algorithm>

#include "host/png_writer.h"
#include "tests/support/apng_reader.h"
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

namespace korvel {
namespace {

TEST(PngWriter, AnAnimatedPngReadsBackFrameByFrameWithItsDelays) {
  struct Case {
    const char* name;
    std::vector<int> colours;  // of each frame; all together over 256 is RGB
    int colourType;
  };
  const Case cases[] = {{"flash", {2, 3}, 3}, {"three frames", {5, 16, 1}, 3}, {"RGB", {200, 257}, 2}};
  const uint32_t delays[][2] = {{8, 25}, {1, 50}, {3, 1}};
  testing::TemporaryFolder folder;
  for (const Case& c : cases) {
    std::vector<host::Image> images;
    std::vector<host::PngFrame> frames;
    for (size_t i = 0; i < c.colours.size(); ++i) {
      images.push_back(ImageOfColours(c.colours[i]));
      for (size_t p = 0; p < images.back().rgb.size(); p += 3) images.back().rgb[p + 2] = static_cast<uint8_t>(i);
    }
    for (size_t i = 0; i < images.size(); ++i) frames.push_back({images[i].rgb.data(), delays[i][0], delays[i][1]});
    const std::string path = folder.path() + "/" + c.name + ".png";
    std::string error;
    ASSERT_TRUE(host::WriteAnimatedPng(images[0], frames, path, false, error)) << c.name << ": " << error;
    const testing::Apng png = testing::ReadApng(testing::ReadFileBytes(path));
    ASSERT_EQ(png.error, "") << c.name;
    EXPECT_EQ(png.colourType, c.colourType) << c.name;
    EXPECT_EQ(png.plays, 0u) << c.name;
    // acTL and the first fcTL come before the default image, which is frame 1.
    const auto idat = std::find(png.chunkOrder.begin(), png.chunkOrder.end(), "IDAT");
    EXPECT_LT(std::find(png.chunkOrder.begin(), png.chunkOrder.end(), "acTL"), idat) << c.name;
    ASSERT_EQ(png.frames.size(), images.size()) << c.name;
    for (size_t i = 0; i < images.size(); ++i) {
      EXPECT_EQ(png.frames[i].rgb, images[i].rgb) << c.name << " frame " << i;
      EXPECT_EQ(png.frames[i].delayNumerator, delays[i][0]) << c.name << " frame " << i;
      EXPECT_EQ(png.frames[i].delayDenominator, delays[i][1]) << c.name << " frame " << i;
    }
    // A reader that does not animate sees the first frame.
    EXPECT_EQ(testing::ReadPng(path).rgb, images[0].rgb) << c.name;
  }
}

TEST(PngWriter, AnAnimationOfOneFrameIsThePlainPng) {
  testing::TemporaryFolder folder;
  const host::Image image = ImageOfColours(5);
  std::string error;
  ASSERT_TRUE(host::WritePng(image, folder.path() + "/plain.png", false, error)) << error;
  ASSERT_TRUE(host::WriteAnimatedPng(image, {{image.rgb.data(), 8, 25}}, folder.path() + "/one.png", false, error));
  EXPECT_EQ(testing::ReadFileBytes(folder.path() + "/one.png"), testing::ReadFileBytes(folder.path() + "/plain.png"));
}

}  // namespace
}  // namespace korvel
