// The thumbnail provider's sizes, scaling and extension list.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "desktop/windows/thumbnail_extensions.h"
#include "desktop/windows/thumbnail_scale.h"
#include "plugin/host_order.h"

namespace korvel::desktop {
namespace {

struct OwnedPicture {
  std::vector<uint8_t> rgb;
  Picture picture;
  OwnedPicture(uint16_t width, uint16_t height, uint32_t seed) : rgb(size_t{width} * height * 3) {
    for (uint8_t& byte : rgb) byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    picture = {rgb.data(), width, height, 0, nullptr, {}, {}, false, false};
  }
  const uint8_t* Pixel(size_t x, size_t y) const { return rgb.data() + (y * picture.width + x) * 3; }
};

std::vector<uint8_t> Scale(const Picture& picture, ThumbnailSize size) {
  std::vector<uint8_t> bgra(size_t{size.width} * size.height * 4, 0xAA);
  EXPECT_TRUE(ScaleThumbnail(picture, size, bgra.data()));
  return bgra;
}

TEST(Thumbnail, FitsTheBoxKeepingTheAspect) {
  struct Case {
    uint32_t width, height, side, expectedWidth, expectedHeight;
  };
  const Case cases[] = {
      {256, 192, 256, 256, 192},   {256, 192, 511, 256, 192},  {256, 192, 512, 512, 384},
      {256, 192, 1024, 1024, 768}, {256, 192, 96, 96, 72},     {256, 192, 32, 32, 24},
      {256, 24, 1024, 1024, 96},   {384, 304, 256, 256, 203},  {512, 192, 256, 256, 96},
      {192, 512, 256, 96, 256},    {2040, 8, 256, 256, 1},     {8, 2040, 256, 1, 256},
      {1, 1, 256, 256, 256},       {65535, 65535, 8192, 8192, 8192},
      // No picture, no box, or a box beyond any Shell's.
      {0, 192, 256, 0, 0},         {256, 192, 0, 0, 0},        {256, 192, 8193, 0, 0},
  };
  for (const Case& c : cases) {
    const ThumbnailSize size = FitThumbnail(c.width, c.height, c.side);
    EXPECT_EQ(size.width, c.expectedWidth) << c.width << "x" << c.height << " in " << c.side;
    EXPECT_EQ(size.height, c.expectedHeight) << c.width << "x" << c.height << " in " << c.side;
  }
}

// Every thumbnail pixel of an enlargement is its picture pixel's colour,
// whole factors only; widths that leave the four-pixel steps a rest.
TEST(Thumbnail, EnlargesByWholeFactorsCrisply) {
  for (const uint16_t width : {uint16_t{1}, uint16_t{5}, uint16_t{6}, uint16_t{7}, uint16_t{256}}) {
    for (const uint32_t factor : {1u, 2u, 3u}) {
      const OwnedPicture source(width, 3, width * 7 + factor);
      const ThumbnailSize size{width * factor, 3 * factor};
      const std::vector<uint8_t> bgra = Scale(source.picture, size);
      for (size_t y = 0; y < size.height; ++y) {
        for (size_t x = 0; x < size.width; ++x) {
          const uint8_t* want = source.Pixel(x / factor, y / factor);
          const uint8_t* got = bgra.data() + (y * size.width + x) * 4;
          ASSERT_TRUE(got[0] == want[2] && got[1] == want[1] && got[2] == want[0] && got[3] == 255)
              << width << " wide, factor " << factor << ", at " << x << "," << y;
        }
      }
    }
  }
}

// A reduction's pixel is the mean of the area it covers, partial picture
// pixels weighed by the part covered: against the same mean taken over the
// covered rectangle in floating point.
TEST(Thumbnail, ReducesByAreaAveraging) {
  // Three pixels into two: [0, 1.5) and [1.5, 3).
  uint8_t row[] = {0, 0, 0, 90, 90, 90, 255, 255, 255};
  const std::vector<uint8_t> two = Scale(Picture{row, 3, 1, 0, nullptr, {}, {}, false, false}, {2, 1});
  EXPECT_EQ(two[0], 30);
  EXPECT_EQ(two[4], 200);

  const OwnedPicture source(37, 23, 99);
  const ThumbnailSize size = FitThumbnail(37, 23, 16);
  ASSERT_EQ(size.height, 10u);
  const std::vector<uint8_t> bgra = Scale(source.picture, size);
  const double sx = 37.0 / size.width, sy = 23.0 / size.height;
  for (uint32_t ty = 0; ty < size.height; ++ty) {
    for (uint32_t tx = 0; tx < size.width; ++tx) {
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (int y = 0; y < 23; ++y) {
          const double wy = std::max(0.0, std::min(y + 1.0, (ty + 1) * sy) - std::max(double(y), ty * sy));
          for (int x = 0; x < 37; ++x) {
            const double wx = std::max(0.0, std::min(x + 1.0, (tx + 1) * sx) - std::max(double(x), tx * sx));
            sum += wx * wy * source.Pixel(x, y)[c];
          }
        }
        const double mean = sum / (sx * sy);
        if (std::fabs(mean - std::floor(mean) - 0.5) < 1e-6) continue;  // a tie either way
        ASSERT_EQ(bgra[(ty * size.width + tx) * 4 + 2 - c], std::lround(mean)) << tx << "," << ty << " channel " << c;
      }
      ASSERT_EQ(bgra[(ty * size.width + tx) * 4 + 3], 255);
    }
  }

  // The largest sums: a tall sheet of one colour stays that colour.
  std::vector<uint8_t> tall(size_t{2040} * 8191 * 3);
  for (size_t i = 0; i < tall.size(); i += 3) memcpy(&tall[i], "\xff\x80\x01", 3);
  const Picture sheet{tall.data(), 2040, 8191, 0, nullptr, {}, {}, false, false};
  const std::vector<uint8_t> reduced = Scale(sheet, FitThumbnail(2040, 8191, 256));
  for (size_t i = 0; i < reduced.size(); i += 4) ASSERT_EQ(memcmp(&reduced[i], "\x01\x80\xff\xff", 4), 0) << i;
}

TEST(Thumbnail, ExtensionsAreEveryAnnouncedOneOnceScrAndWavOnlyOnRequest) {
  std::vector<std::pair<std::string, bool>> visited;
  ForEachThumbnailExtension(
      [](const char* extension, bool optIn, void* context) {
        static_cast<decltype(visited)*>(context)->emplace_back(extension, optIn);
      },
      &visited);
  std::set<std::string> names;
  for (const auto& [name, optIn] : visited) {
    EXPECT_TRUE(names.insert(name).second) << name << " twice";
    EXPECT_EQ(optIn, name == "scr" || name == "wav") << name;
    for (const char c : name) EXPECT_FALSE(c >= 'A' && c <= 'Z') << name;
  }
  for (size_t i = 0; i < kHostOrderCount; ++i) {
    std::string list = kHostOrder[i]->extensionList;
    for (char& c : list) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t at = 0; at <= list.size();) {
      const size_t end = std::min(list.find(';', at), list.size());
      EXPECT_TRUE(names.count(list.substr(at, end - at))) << list.substr(at, end - at);
      at = end + 1;
    }
  }
  EXPECT_TRUE(names.count("scr") && names.count("$c") && names.count("tap") && names.count("trd"));
}

}  // namespace
}  // namespace korvel::desktop
