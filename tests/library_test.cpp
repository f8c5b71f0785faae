// The C API: every sample gives what the core's in-process reading gives,
// copied so that nothing depends on the caller's bytes; every bad argument a
// NULL or 0; files opened and read on different threads.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "korvel/korvel.h"
#include "plugin/reading.h"
#include "tests/support/container_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;

struct Sample {
  std::string name;
  Bytes bytes;
};

std::vector<Sample> Samples() {
  std::vector<Sample> samples;
  for (const auto& entry : std::filesystem::directory_iterator(KORVEL_SOURCE_DIR "/samples/files")) {
    samples.push_back({entry.path().filename().string(), testing::ReadFileBytes(entry.path().string())});
  }
  std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.name < b.name; });
  return samples;
}

// One item as both sides see it: label, form or reason, warning, pixels.
struct Item {
  std::string label;
  std::string text;
  bool warn;
  bool picture;
  uint32_t width, height;
  Bytes rgb;
  friend bool operator==(const Item&, const Item&) = default;
};

struct Reading {
  std::string form;  // "" when nothing reads the file
  bool container;
  std::vector<Item> items;
  friend bool operator==(const Reading&, const Reading&) = default;
};

bool CollectCore(FoundItem& found, void* context) {
  Item item = {found.label, found.formName, found.warn, found.picture != nullptr, 0, 0, {}};
  if (found.picture != nullptr) {
    item.width = found.picture->width;
    item.height = found.picture->height;
    item.rgb.assign(found.picture->pixels, found.picture->pixels + PixelBytes(*found.picture));
    ReleasePicture(found.picture);
  }
  static_cast<Reading*>(context)->items.push_back(item);
  return true;
}

Reading FromCore(const Bytes& bytes, const std::string& name) {
  Reading reading = {};
  const FileReading core = ReadEveryPicture(bytes.data(), bytes.size(), name.c_str(), CollectCore, &reading);
  reading.form = core.formName != nullptr ? core.formName : "";
  reading.container = core.container;
  return reading;
}

Reading FromApi(const korvel_file* file) {
  Reading reading = {};
  const char* form = korvel_file_form(file);
  reading.form = form != nullptr ? form : "";
  reading.container = korvel_file_is_container(file) != 0;
  size_t pictures = 0;
  for (size_t i = 0; i < korvel_item_count(file); ++i) {
    const size_t p = korvel_item_picture(file, i);
    Item item = {korvel_item_label(file, i), "", korvel_item_warns(file, i) != 0, p != static_cast<size_t>(-1),
                 0, 0, {}};
    if (item.picture) {
      EXPECT_EQ(p, pictures++) << "pictures are numbered in item order";
      EXPECT_STREQ(korvel_picture_label(file, p), item.label.c_str());
      EXPECT_EQ(korvel_item_reason(file, i), nullptr);
      item.text = korvel_picture_form(file, p);
      item.width = korvel_picture_width(file, p);
      item.height = korvel_picture_height(file, p);
      const uint8_t* rgb = korvel_picture_rgb(file, p);
      item.rgb.assign(rgb, rgb + size_t{item.width} * item.height * 3);
    } else {
      item.text = korvel_item_reason(file, i);
    }
    reading.items.push_back(item);
  }
  EXPECT_EQ(korvel_picture_count(file), pictures);
  return reading;
}

TEST(Library, EverySampleGivesTheCoresReadingAndOwnsItsCopy) {
  size_t containers = 0;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    const Reading expected = FromCore(sample.bytes, sample.name);
    Bytes bytes = sample.bytes;
    korvel_file* file = korvel_open_memory(bytes.data(), bytes.size(), sample.name.c_str());
    ASSERT_NE(file, nullptr);
    std::fill(bytes.begin(), bytes.end(), 0xA5);  // the caller's bytes change and go
    bytes = Bytes();
    EXPECT_EQ(FromApi(file), expected);
    EXPECT_FALSE(expected.form.empty());
    EXPECT_EQ(korvel_file_reason(file), nullptr);
    containers += expected.container ? 1 : 0;
    korvel_close(file);
  }
  EXPECT_GE(containers, 4u);
}

TEST(Library, EntriesWithoutPicturesAndFilesNothingReads) {
  Bytes screen(6912);
  for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i * 5 + i / 256);
  Bytes disk = testing::TrdImage({{"LOGO", 'C', screen}, {"BOOT", 'B', {1, 2}}, {"LAST", 'C', screen}});
  disk.resize(disk.size() - 256);  // the last entry's sectors now lie past the end
  korvel_file* file = korvel_open_memory(disk.data(), disk.size(), "disk.trd");
  ASSERT_NE(file, nullptr);
  EXPECT_STREQ(korvel_file_form(file), "TR-DOS disk image");
  ASSERT_EQ(korvel_item_count(file), 3u);
  ASSERT_EQ(korvel_picture_count(file), 1u);
  EXPECT_EQ(korvel_item_picture(file, 1), static_cast<size_t>(-1));
  EXPECT_STREQ(korvel_item_label(file, 1), "BOOT.B");
  EXPECT_STREQ(korvel_item_reason(file, 1), "a BASIC program");
  EXPECT_EQ(korvel_item_warns(file, 1), 0);
  EXPECT_STREQ(korvel_item_reason(file, 2), "its sectors lie past the end of the image");
  EXPECT_EQ(korvel_item_warns(file, 2), 1);
  korvel_close(file);

  const Bytes noise(5000, 0x99);
  const Bytes emptyTape = testing::TapFile({});
  const Bytes tooLarge(size_t{16} * 1024 * 1024 + 1);
  Bytes screenTooLarge = screen;
  screenTooLarge.resize(tooLarge.size());
  struct Case {
    const char* what;
    const uint8_t* bytes;
    size_t size;
    const char* name;
  } cases[] = {
      {"noise", noise.data(), noise.size(), "noise.bin"},
      {"an empty file", nullptr, 0, "empty.scr"},
      {"a tape with no screen", emptyTape.data(), emptyTape.size(), "empty.tap"},
      {"above 16 MiB", screenTooLarge.data(), screenTooLarge.size(), "big.scr"},
      {"no name: content alone decides", noise.data(), noise.size(), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    file = korvel_open_memory(c.bytes, c.size, c.name);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(korvel_file_form(file), nullptr);
    EXPECT_STREQ(korvel_file_reason(file), "not a ZX picture korvel reads");
    EXPECT_EQ(korvel_picture_count(file), 0u);
    EXPECT_EQ(korvel_item_count(file), 0u);
    korvel_close(file);
  }
  // A nameless screen is still found by its size.
  file = korvel_open_memory(screen.data(), screen.size(), nullptr);
  EXPECT_STREQ(korvel_file_form(file), "standard screen");
  korvel_close(file);
}

TEST(Library, NullFilesBadIndexesAndBadCallsGiveNullOrZero) {
  EXPECT_EQ(korvel_open_memory(nullptr, 1, "x.scr"), nullptr);
  korvel_close(nullptr);
  EXPECT_EQ(korvel_file_form(nullptr), nullptr);
  EXPECT_EQ(korvel_file_reason(nullptr), nullptr);
  EXPECT_EQ(korvel_file_is_container(nullptr), 0);
  EXPECT_STREQ(korvel_version(), KORVEL_VERSION);

  const Bytes screen(6912, 0x47);
  korvel_file* file = korvel_open_memory(screen.data(), screen.size(), "pic.scr");
  ASSERT_NE(file, nullptr);
  EXPECT_STREQ(korvel_picture_label(file, 0), "");
  for (const korvel_file* f : {static_cast<const korvel_file*>(nullptr), static_cast<const korvel_file*>(file)}) {
    const size_t bad = f == nullptr ? 0 : 1;
    EXPECT_EQ(korvel_picture_count(nullptr), 0u);
    EXPECT_EQ(korvel_item_count(nullptr), 0u);
    EXPECT_EQ(korvel_picture_width(f, bad), 0u);
    EXPECT_EQ(korvel_picture_height(f, bad), 0u);
    EXPECT_EQ(korvel_picture_rgb(f, bad), nullptr);
    EXPECT_EQ(korvel_picture_label(f, bad), nullptr);
    EXPECT_EQ(korvel_picture_form(f, bad), nullptr);
    EXPECT_EQ(korvel_item_picture(f, bad), static_cast<size_t>(-1));
    EXPECT_EQ(korvel_item_label(f, bad), nullptr);
    EXPECT_EQ(korvel_item_reason(f, bad), nullptr);
    EXPECT_EQ(korvel_item_warns(f, bad), 0);
    EXPECT_EQ(korvel_picture_rgb(f, static_cast<size_t>(-1)), nullptr);
  }
  korvel_close(file);
}

// Each thread opens every sample and hands its files to the next thread,
// which reads and closes them.
TEST(Library, FilesOpenedOnOneThreadAreReadOnAnother) {
  const std::vector<Sample> samples = Samples();
  std::vector<Reading> expected;
  for (const Sample& s : samples) expected.push_back(FromCore(s.bytes, s.name));
  constexpr int kThreads = 4;
  std::vector<std::vector<korvel_file*>> opened(kThreads);
  std::atomic<int> mismatches{0};
  auto run = [&](auto work) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
    for (std::thread& thread : threads) thread.join();
  };
  run([&](int t) {
    for (const Sample& s : samples) opened[t].push_back(korvel_open_memory(s.bytes.data(), s.bytes.size(), s.name.c_str()));
  });
  run([&](int t) {
    const std::vector<korvel_file*>& files = opened[(t + 1) % kThreads];
    for (size_t i = 0; i < files.size(); ++i) {
      if (files[i] == nullptr || !(FromApi(files[i]) == expected[i])) ++mismatches;
      korvel_close(files[i]);
    }
  });
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace korvel
