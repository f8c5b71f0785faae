// Loads with a heap that fails on request (platform/heap_fault_injection.cpp):
// whichever allocation of a load fails, the load gives null and leaves no
// block behind, gigascreens (blended as their frames are expanded) included. And the largest picture a file
// can ask for is one allocation, given back whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "korvel/korvel.h"
#include "platform/heap_fault_injection.h"
#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/picture.h"
#include "tests/support/hobeta_writer.h"

namespace korvel {
namespace {

namespace faults = platform::heap_faults;
using testing::Bytes;

struct Input {
  std::string fileName;
  Bytes bytes;
};

std::vector<Input> SampleFiles() {
  std::vector<Input> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(KORVEL_SOURCE_DIR "/samples/files")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    inputs.push_back({entry.path().filename().string(),
                      Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
  }
  std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.fileName < b.fileName; });
  return inputs;
}

void Put16(Bytes& bytes, size_t offset, unsigned value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// A BIT sheet: one sprite `topWidth` cells wide and one cell high (cells of
// one mask byte 0, no attributes: black), then sprites of width 0, whose
// bands read no bytes, until the heights add up to `totalHeight` cells.
Bytes TallBitSheet(unsigned topWidth, unsigned totalHeight) {
  std::vector<unsigned> heights = {1};
  for (unsigned left = totalHeight - 1; left > 0; left -= std::min(left, 255u)) heights.push_back(std::min(left, 255u));
  const size_t cellsAt = 8 + 4 * heights.size();
  Bytes data(std::max<size_t>(cellsAt + topWidth, 512), 0);
  data[0] = 'B';
  data[1] = 'I';
  data[2] = 'T';
  data[3] = static_cast<uint8_t>(heights.size());
  Put16(data, 4, static_cast<unsigned>(data.size() - 256));
  for (size_t s = 0; s < heights.size(); ++s) {
    data[8 + 4 * s] = static_cast<uint8_t>(s == 0 ? topWidth : 0);
    data[9 + 4 * s] = static_cast<uint8_t>(heights[s]);
    Put16(data, 10 + 4 * s, static_cast<unsigned>(cellsAt));
  }
  return testing::WrapHobeta(data);
}

// Every deliverable and input, loaded once without faults: how many
// allocations the load takes.
struct Case {
  const char* deliverableName;
  const DeliverableDescription* deliverable;
  Input input;
};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  std::vector<Input> inputs = SampleFiles();
  // Raw gigascreen pairs, whatever the sample set holds.
  inputs.push_back({"pair.gsc", Bytes(13824, 0x55)});
  inputs.push_back({"pair.mcx", Bytes(24576, 0x47)});
  inputs.push_back({"sheet.$c", TallBitSheet(3, 40)});
  for (const Input& input : inputs) {
    cases.push_back({"korvel_hobeta", &kKorvelHobeta, input});
    cases.push_back({"korvel_screens", &kKorvelScreens, input});
  }
  return cases;
}

Picture* Load(const Case& c) {
  return LoadPictureBytes(c.input.bytes.data(), c.input.bytes.size(), c.input.fileName.c_str(), *c.deliverable);
}

TEST(AllocationFailure, EveryFailedAllocationOfEveryLoadGivesNullAndLeavesNothing) {
  size_t loads = 0;
  size_t gigascreenLoads = 0;
  for (const Case& c : AllCases()) {
    SCOPED_TRACE(std::string(c.deliverableName) + " " + c.input.fileName);
    faults::Reset();
    Picture* picture = Load(c);
    const size_t allocations = faults::Allocations();
    if (picture == nullptr) {
      EXPECT_EQ(allocations, 0u) << "a refused file takes nothing from the heap";
      continue;
    }
    ++loads;
    EXPECT_EQ(faults::LiveBlocks(), 2u) << "a picture is its record and its pixel block";
    EXPECT_EQ(faults::LiveBytes(), sizeof(Picture) + PixelBytes(*picture));
    ReleasePicture(picture);
    EXPECT_EQ(faults::LiveBlocks(), 0u);
    // Every picture, a gigascreen too, is one record and one pixel block.
    ASSERT_EQ(allocations, 2u);
    const std::string& name = c.input.fileName;
    if (name.ends_with(".gsc") || name.ends_with(".mcx")) ++gigascreenLoads;

    for (size_t n = 1; n <= allocations; ++n) {
      faults::Reset();
      faults::FailAllocation(n);
      Picture* failed = Load(c);
      EXPECT_EQ(failed, nullptr) << "allocation " << n << " of " << allocations << " failed";
      ReleasePicture(failed);
      EXPECT_EQ(faults::LiveBlocks(), 0u) << "allocation " << n << " of " << allocations << " failed";
      EXPECT_EQ(faults::LiveBytes(), 0u);
    }
    faults::Reset();
  }
  EXPECT_GE(loads, 20u);
  EXPECT_GE(gigascreenLoads, 4u);
}

// korvel_extra takes one more block, the file's buffer, and gives it back
// before it returns. Whichever allocation fails, no picture and nothing left;
// at its peak a load holds at most three pictures' pixels beside the buffer.
TEST(AllocationFailure, KorvelExtraLoadsFailWholeAndStayWithinThreePictures) {
  std::vector<Input> inputs = SampleFiles();
  Bytes screen(6912, 0x3C);
  Bytes badChecksum = testing::WrapHobeta(screen);
  badChecksum[15] ^= 0xFF;
  inputs.push_back({"tolerated.$c", badChecksum});
  inputs.push_back({"pair.gsc", Bytes(13824, 0x55)});
  inputs.push_back({"border.bsc", Bytes(11136, 0x2A)});
  inputs.push_back({"noise.bin", Bytes(5000, 0x99)});
  size_t loads = 0;
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.fileName);
    const auto load = [&] {
      return LoadPictureBytes(input.bytes.data(), input.bytes.size(), input.fileName.c_str(), kKorvelExtra);
    };
    faults::Reset();
    Picture* picture = load();
    const size_t allocations = faults::Allocations();
    if (picture == nullptr) {
      EXPECT_EQ(faults::LiveBlocks(), 0u);
      continue;
    }
    ++loads;
    const size_t buffer = std::max<size_t>(input.bytes.size(), kKorvelExtra.layout.size);
    EXPECT_LE(faults::PeakLiveBytes(), buffer + 3 * (PixelBytes(*picture) + sizeof(Picture)));
    EXPECT_EQ(faults::LiveBlocks(), 2u) << "the buffer is given back";
    ReleasePicture(picture);
    for (size_t n = 1; n <= allocations; ++n) {
      faults::Reset();
      faults::FailAllocation(n);
      Picture* failed = load();
      EXPECT_EQ(failed, nullptr) << "allocation " << n << " of " << allocations << " failed";
      ReleasePicture(failed);
      EXPECT_EQ(faults::LiveBlocks(), 0u) << "allocation " << n << " of " << allocations << " failed";
    }
  }
  faults::Reset();
  EXPECT_GE(loads, 20u);
}

// 255 cells wide and 8191 cells high: 2040 x 65528 pixels, 401 031 360 bytes,
// the most any file can ask for. Allocated once (the pixel block is left
// untouched by the zero-width bands, so the pages are never written).
TEST(AllocationFailure, TheLargestSheetIsOneAllocationGivenBackWhole) {
  const Bytes sheet = TallBitSheet(255, 8191);
  faults::Reset();
  Picture* picture = LoadPictureBytes(sheet.data(), sheet.size(), "sheet.$c", kKorvelHobeta);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 2040);
  EXPECT_EQ(picture->height, 65528);
  constexpr size_t kLargestPixelBlock = size_t{2040} * 65528 * 3;
  EXPECT_EQ(faults::Allocations(), 2u);
  EXPECT_EQ(faults::LargestBlock(), kLargestPixelBlock);
  EXPECT_EQ(faults::PeakLiveBytes(), kLargestPixelBlock + sizeof(Picture));
  // The top band is the 255-cell sprite: paper black; the rest stays black.
  const uint8_t* lastRow = picture->pixels + kLargestPixelBlock - RowBytes(*picture);
  EXPECT_TRUE(std::all_of(lastRow, lastRow + RowBytes(*picture), [](uint8_t b) { return b == 0; }));
  ReleasePicture(picture);
  EXPECT_EQ(faults::LiveBlocks(), 0u);
  EXPECT_EQ(faults::LiveBytes(), 0u);

  faults::Reset();
  faults::FailAllocation(2);
  EXPECT_EQ(LoadPictureBytes(sheet.data(), sheet.size(), "sheet.$c", kKorvelHobeta), nullptr);
  EXPECT_EQ(faults::LiveBlocks(), 0u);
}

TEST(AllocationFailure, ASheetTallerThanTheLimitIsRefusedBeforeAnyAllocation) {
  for (const unsigned cells : {8192u, 8191u + 255u, 1u + 254u * 255u}) {
    const Bytes sheet = TallBitSheet(1, cells);
    faults::Reset();
    EXPECT_EQ(LoadPictureBytes(sheet.data(), sheet.size(), "sheet.$c", kKorvelHobeta), nullptr) << cells;
    EXPECT_EQ(faults::Allocations(), 0u) << cells;
  }
}

// The C API's file holds its items and pictures in blocks of its own: any of
// its allocations failing gives NULL and leaves nothing, containers included.
TEST(AllocationFailure, AFailedAllocationOfTheLibrarysOpenGivesNullAndLeavesNothing) {
  size_t opens = 0;
  std::vector<Input> inputs = SampleFiles();
  inputs.push_back({"flash.scr", Bytes(6912, 0xB9)});  // both FLASH phases drawn in one decode
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.fileName);
    faults::Reset();
    korvel_file* file = korvel_open_memory(input.bytes.data(), input.bytes.size(), input.fileName.c_str());
    ASSERT_NE(file, nullptr);
    const size_t allocations = faults::Allocations();
    korvel_close(file);
    EXPECT_EQ(faults::LiveBlocks(), 0u);
    for (size_t n = 1; n <= allocations; ++n) {
      faults::Reset();
      faults::FailAllocation(n);
      korvel_file* failed = korvel_open_memory(input.bytes.data(), input.bytes.size(), input.fileName.c_str());
      EXPECT_EQ(failed, nullptr) << "allocation " << n << " of " << allocations << " failed";
      korvel_close(failed);
      EXPECT_EQ(faults::LiveBlocks(), 0u) << "allocation " << n << " of " << allocations << " failed";
    }
    opens += allocations > 0 ? 1 : 0;
  }
  faults::Reset();
  EXPECT_GE(opens, 40u);
}

}  // namespace
}  // namespace korvel
