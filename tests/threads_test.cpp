// One loaded plug-in, many loads at once: every sample file (packed ones
// included) loaded on several threads together must give exactly the picture
// a lone load gives. The load area lives on the calling thread's stack and the
// depackers keep their state per call, so loads share nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "plugin/exports.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::LoadedPlugin;

constexpr int kThreads = 4;
constexpr int kRounds = 3;

std::vector<std::string> SampleFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(KORVEL_SOURCE_DIR "/samples/files")) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool SameResult(const LoadedPlugin::Result& a, const LoadedPlugin::Result& b) {
  return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

class Threads : public ::testing::TestWithParam<const char*> {};

TEST_P(Threads, ConcurrentLoadsOfEverySampleMatchTheSerialResult) {
  const LoadedPlugin plugin(GetParam());
  const std::vector<std::string> files = SampleFiles();
  ASSERT_FALSE(files.empty());

  std::vector<LoadedPlugin::Result> serial;
  for (const std::string& file : files) serial.push_back(plugin.LoadPath(file));
  ASSERT_TRUE(std::any_of(serial.begin(), serial.end(), [](const auto& r) { return r.loaded(); }));

  // Each thread walks the files from its own starting point, so different
  // formats (and depackers) run side by side.
  std::atomic<int> mismatches{0};
  std::atomic<int> loads{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        for (size_t k = 0; k < files.size(); ++k) {
          const size_t i = (k + static_cast<size_t>(t) * files.size() / kThreads) % files.size();
          if (!SameResult(plugin.LoadPath(files[i]), serial[i])) ++mismatches;
          ++loads;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(loads.load(), kThreads * kRounds * static_cast<int>(files.size()));
}

// Pictures opened on one thread stay valid while other threads open, read
// and close theirs; each thread reads its pictures only after opening all.
TEST_P(Threads, PicturesHeldOpenOnManyThreadsStayIndependent) {
  const LoadedPlugin plugin(GetParam());
  auto init = plugin.Export<decltype(&gfpLoadPictureInit)>("gfpLoadPictureInit");
  auto getInfo = plugin.Export<decltype(&gfpLoadPictureGetInfo)>("gfpLoadPictureGetInfo");
  auto getLine = plugin.Export<decltype(&gfpLoadPictureGetLine)>("gfpLoadPictureGetLine");
  auto exit = plugin.Export<decltype(&gfpLoadPictureExit)>("gfpLoadPictureExit");
  const std::vector<std::string> files = SampleFiles();
  std::vector<LoadedPlugin::Result> serial;
  for (const std::string& file : files) serial.push_back(plugin.LoadPath(file));

  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      std::vector<void*> open;
      for (const std::string& file : files) open.push_back(init(file.c_str()));
      for (size_t i = 0; i < files.size(); ++i) {
        LoadedPlugin::Result result;
        if (open[i] != nullptr) {
          int32_t type, width, height, dpi, bits, bytesPerLine, colormap;
          getInfo(open[i], &type, &width, &height, &dpi, &bits, &bytesPerLine, &colormap, nullptr, nullptr);
          result.width = width;
          result.height = height;
          result.pixels.resize(static_cast<size_t>(bytesPerLine) * height);
          for (int32_t row = 0; row < height; ++row) {
            getLine(open[i], row, result.pixels.data() + static_cast<size_t>(bytesPerLine) * row);
          }
        }
        if (!SameResult(result, serial[i])) ++mismatches;
      }
      for (void* picture : open) {
        if (picture != nullptr && exit(picture) == 0) ++mismatches;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

std::string PluginName(const ::testing::TestParamInfo<const char*>& info) {
  static const char* const kNames[] = {"korvel_hobeta", "korvel_screens", "korvel_extra"};
  return kNames[info.index];
}

INSTANTIATE_TEST_SUITE_P(EveryPlugin, Threads,
                         ::testing::Values(KORVEL_HOBETA_PLUGIN, KORVEL_SCREENS_PLUGIN, KORVEL_EXTRA_PLUGIN),
                         PluginName);

}  // namespace
}  // namespace korvel
