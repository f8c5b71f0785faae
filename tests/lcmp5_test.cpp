// The LCMP5 depacker, fed streams written token by token, and round trips
// of the greedy packer.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "depackers/lcmp5.h"
#include "samples/zx_canvas.h"
#include "tests/support/lcmp5_writer.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::Lcmp5Data;
using testing::Lcmp5StreamWriter;

constexpr uint8_t kUnwritten = 0xEE;

// The output area before a depack: bitmap offsets hold o % 200 (never the
// markers below), attribute offsets kUnwritten.
Bytes PrefilledOutput() {
  Bytes output(6912, kUnwritten);
  for (size_t o = 0; o < 6144; ++o) output[o] = static_cast<uint8_t>(o % 200);
  return output;
}

struct Depacked {
  bool ok;
  Bytes output;
};

// Depacks `data` read to its last byte and no further.
Depacked Depack(const Bytes& data, Lcmp5Variant variant = kLcmp5Current) {
  Depacked result = {false, PrefilledOutput()};
  result.ok = DepackLcmp5(ByteSpan(data.data(), data.size()), MutableByteSpan(result.output.data(), 6912), variant);
  return result;
}

// Mode 0x18 holds no bitmap: stream index i lands at offset 6144 + i, and a
// source index before the start wraps around 65536 into the bitmap, which the
// output already holds. That makes counts and sources easy to see.
constexpr uint8_t kLinearMode = 0x18;
constexpr size_t kLinearStart = 6144;

TEST(Lcmp5AddressMap, ModeByteGivesStartBoundAndFirstAttributeRow) {
  struct Row {
    uint8_t mode;
    uint16_t start, bound, firstAttribute;
  };
  const Row rows[] = {{0x00, 0, 6144, 6144},    {0x01, 2048, 6144, 6400}, {0x02, 4096, 6144, 6656},
                      {0x08, 0, 4096, 6144},    {0x09, 2048, 4096, 6400}, {0x0A, 4096, 4096, 6656},
                      {0x10, 0, 2048, 6144},    {0x11, 2048, 2048, 6400}, {0x18, 0, 0, 6144}};
  for (const Row& row : rows) {
    const Lcmp5AddressMap map = Lcmp5AddressMap::ForMode(row.mode);
    EXPECT_EQ(map.startIndex, row.start) << int{row.mode};
    EXPECT_EQ(map.bound, row.bound) << int{row.mode};
    EXPECT_EQ(map.Offset(row.bound), row.firstAttribute) << int{row.mode};
  }
}

TEST(Lcmp5AddressMap, AgreesWithTheFieldByFieldReading) {
  for (unsigned mode : {0x00u, 0x01u, 0x02u, 0x08u, 0x0Au, 0x11u, 0x18u, 0x03u, 0x4Cu, 0xFFu}) {
    const Lcmp5AddressMap map = Lcmp5AddressMap::ForMode(static_cast<uint8_t>(mode));
    for (uint32_t i = 0; i < 65536; ++i) {
      const uint16_t index = static_cast<uint16_t>(i);
      ASSERT_EQ(map.Offset(index), testing::Lcmp5OffsetOf(static_cast<uint8_t>(mode), index))
          << "mode " << mode << " index " << i;
    }
  }
}

TEST(Lcmp5AddressMap, StreamRunsDownColumnsWithinEachThird) {
  const Lcmp5AddressMap mode0 = Lcmp5AddressMap::ForMode(0x00);
  const std::pair<uint16_t, uint16_t> cases[] = {{0, 0},   {1, 256},      {2, 512},      {8, 32},
                                                 {64, 1},  {2048, 2048},  {6144, 6144},  {6911, 6911}};
  for (auto [index, offset] : cases) EXPECT_EQ(mode0.Offset(index), offset) << index;
  const Lcmp5AddressMap mode1 = Lcmp5AddressMap::ForMode(0x01);
  EXPECT_EQ(mode1.Offset(mode1.startIndex), 2048);
  EXPECT_EQ(mode1.Offset(6144), 6400);
}

TEST(Lcmp5Depack, ShortestStreamWritesOneByteAtTheStartIndex) {
  Lcmp5StreamWriter writer(0x5A);
  writer.End();
  ASSERT_EQ(writer.bytes(), (Bytes{0x5A, 0x04, 0x00}));
  for (uint8_t mode : {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0x02}}) {
    const Depacked result = Depack(Lcmp5Data(writer.bytes(), mode));
    ASSERT_TRUE(result.ok);
    Bytes expected = PrefilledOutput();
    expected[2048 * mode] = 0x5A;
    EXPECT_EQ(result.output, expected) << int{mode};
  }
}

TEST(Lcmp5Depack, LiteralsFollowTheAddressMap) {
  Lcmp5StreamWriter writer(1);
  for (int k = 2; k <= 9; ++k) writer.Literal(static_cast<uint8_t>(k));
  writer.End();
  const Depacked result = Depack(Lcmp5Data(writer.bytes(), 0x00));
  ASSERT_TRUE(result.ok);
  const size_t offsets[] = {0, 256, 512, 768, 1024, 1280, 1536, 1792, 32};  // down the first column
  for (size_t k = 0; k < 9; ++k) EXPECT_EQ(result.output[offsets[k]], k + 1) << k;
}

// A flag byte is fetched when its first bit is needed: literals, escape
// bytes and low bytes that come before that moment lie before it.
TEST(Lcmp5Depack, FlagByteIsFetchedWhenItsFirstBitIsRead) {
  const Bytes eightLiterals = {0x41, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x04, 0x00};
  const Bytes sevenThenEscape = {0x41, 0xFE, 1, 2, 3, 4, 5, 6, 7, 0x08, 0x00};
  for (const Bytes& stream : {eightLiterals, sevenThenEscape}) {
    const size_t literals = stream.size() - 4;
    Lcmp5StreamWriter writer(0x41);
    for (size_t k = 1; k <= literals; ++k) writer.Literal(static_cast<uint8_t>(k));
    writer.End();
    EXPECT_EQ(writer.bytes(), stream);
    const Depacked result = Depack(Lcmp5Data(stream, kLinearMode));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.output[kLinearStart], 0x41);
    for (size_t k = 1; k <= literals; ++k) EXPECT_EQ(result.output[kLinearStart + k], k);
    EXPECT_EQ(result.output[kLinearStart + literals + 1], kUnwritten);
  }
}

// Copies at stream index 1 of the linear mode: `count` bytes from offset
// 6145 - displacement (wrapped into the bitmap) to 6145 on, then a marker.
struct CopyResult {
  bool ok;
  size_t count;    // bytes written before the marker
  bool fromSource;  // every copied byte came from the expected source
};

CopyResult CopyAtIndexOne(const std::string& lengthBits, int escapeByte, unsigned h, uint8_t low, bool backwards) {
  constexpr uint8_t kMarker = 0xD7;
  Lcmp5StreamWriter writer(0x11);
  writer.Bit(0);
  writer.Bits(lengthBits);
  if (escapeByte >= 0) writer.Byte(static_cast<uint8_t>(escapeByte));
  writer.Offset(h, backwards, low);
  writer.Literal(kMarker);
  writer.End();
  const Depacked result = Depack(Lcmp5Data(writer.bytes(), kLinearMode));
  CopyResult copy = {result.ok, 0, true};
  const size_t displacement = (256 - h) * 256 - low;
  const Bytes before = PrefilledOutput();
  size_t source = kLinearStart + 1 - displacement;
  while (kLinearStart + 1 + copy.count < 6912 && result.output[kLinearStart + 1 + copy.count] != kMarker) {
    if (result.output[kLinearStart + 1 + copy.count] != before[source]) copy.fromSource = false;
    source = backwards ? source - 1 : source + 1;
    ++copy.count;
  }
  return copy;
}

// Every row of the length table, at a near displacement (768: h 253, low 0)
// and a far one (769: h 252, low 255).
TEST(Lcmp5Depack, LengthTableGivesTheCopyCounts) {
  struct Row {
    std::string bits;
    int escapeByte;  // -1: none
    size_t nearCount, farCount;
  };
  std::vector<Row> rows = {
      {"1", -1, 2, 3},        {"0 1 1", -1, 3, 4},   {"0 0 1", -1, 4, 5},     {"0 1 0 1 1", -1, 5, 6},
      {"0 1 0 0 1", -1, 6, 7}, {"0 0 0 1 1", -1, 7, 8}, {"0 0 0 0 1", 1, 256, 1}, {"0 0 0 0 1", 2, 255, 256},
      {"0 0 0 0 1", 3, 254, 255}, {"0 0 0 0 1", 100, 157, 158}, {"0 0 0 0 1", 255, 2, 3},
  };
  for (unsigned w = 0; w < 16; ++w) {
    const std::string c = {static_cast<char>('0' + (w >> 3 & 1)), static_cast<char>('0' + (w >> 2 & 1)),
                           static_cast<char>('0' + (w >> 1 & 1)), static_cast<char>('0' + (w & 1))};
    rows.push_back({std::string("0") + c[0] + "0" + c[1] + "0" + c[2] + c[3], -1, 23 - w, 24 - w});
  }
  for (const Row& row : rows) {
    const CopyResult near = CopyAtIndexOne(row.bits, row.escapeByte, 253, 0, false);
    ASSERT_TRUE(near.ok) << row.bits << " " << row.escapeByte;
    EXPECT_EQ(near.count, row.nearCount) << row.bits << " " << row.escapeByte;
    EXPECT_TRUE(near.fromSource) << row.bits;
    const CopyResult far = CopyAtIndexOne(row.bits, row.escapeByte, 252, 255, false);
    ASSERT_TRUE(far.ok) << row.bits << " " << row.escapeByte;
    EXPECT_EQ(far.count, row.farCount) << row.bits << " " << row.escapeByte;
    EXPECT_TRUE(far.fromSource) << row.bits;
  }
}

TEST(Lcmp5Depack, EscapeByteZeroEndsTheStream) {
  Lcmp5StreamWriter writer(0x11);
  writer.Literal(0x22);
  writer.End();
  Bytes stream = writer.bytes();
  stream.insert(stream.end(), {0xFF, 0x33, 0x44});  // never read
  const Depacked result = Depack(Lcmp5Data(stream, kLinearMode));
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.output[kLinearStart + 1], 0x22);
  EXPECT_EQ(result.output[kLinearStart + 2], kUnwritten);
}

// Every value of the offset code, each at low bytes 0 and 255; 249 is an
// ordinary value here and takes no escape byte.
TEST(Lcmp5Depack, OffsetCodeGivesTheDisplacement) {
  std::vector<std::pair<std::string, unsigned>> codes = {{"1", 255}, {"0 0 1", 253}, {"0 1 1", 254}};
  for (unsigned w = 0; w < 4; ++w) {
    codes.push_back({std::string("0 ") + char('0' + (w >> 1)) + " 0 " + char('0' + (w & 1)) + " 1", 249 + w});
  }
  for (unsigned w = 0; w < 16; ++w) {
    std::string bits = "0";
    bits += char('0' + (w >> 3 & 1));
    bits += "0";
    bits += char('0' + (w >> 2 & 1));
    bits += "0";
    bits += char('0' + (w >> 1 & 1));
    bits += char('0' + (w & 1));
    codes.push_back({bits, 233 + w});
  }
  for (const auto& [bits, h] : codes) {
    for (unsigned low : {0u, 255u}) {
      const size_t displacement = (256 - h) * 256 - low;
      if (displacement < 3) continue;  // overlapping copies: below
      constexpr uint8_t kMarker = 0xD7;
      Lcmp5StreamWriter writer(0x11);
      writer.Bit(0);
      writer.Bit(1);  // length value 254: 2 bytes near, 3 far
      writer.Bits(bits);
      writer.Bit(0);
      writer.Byte(static_cast<uint8_t>(low));
      writer.Literal(kMarker);
      writer.End();
      const Depacked result = Depack(Lcmp5Data(writer.bytes(), kLinearMode));
      ASSERT_TRUE(result.ok) << bits;
      const size_t count = displacement > 768 ? 3 : 2;
      const Bytes before = PrefilledOutput();
      for (size_t k = 0; k < count; ++k) {
        EXPECT_EQ(result.output[kLinearStart + 1 + k], before[kLinearStart + 1 - displacement + k])
            << "h " << h << " low " << low;
      }
      EXPECT_EQ(result.output[kLinearStart + 1 + count], kMarker) << "h " << h << " low " << low;
    }
  }
}

TEST(Lcmp5Depack, DisplacementCountsStreamPositionsAndRepeatsOverlaps) {
  // D = 0: displacement 1 repeats the previous byte; D = 1 walks backwards.
  for (bool backwards : {false, true}) {
    Lcmp5StreamWriter writer(0xA1);
    writer.Literal(0xB2);
    writer.Literal(0xC3);
    writer.Match(3, 1, backwards);
    writer.End();
    const Depacked result = Depack(Lcmp5Data(writer.bytes(), kLinearMode));
    ASSERT_TRUE(result.ok);
    const Bytes got(result.output.begin() + kLinearStart, result.output.begin() + kLinearStart + 7);
    const Bytes expected = backwards ? Bytes{0xA1, 0xB2, 0xC3, 0xC3, 0xB2, 0xA1, kUnwritten}
                                     : Bytes{0xA1, 0xB2, 0xC3, 0xC3, 0xC3, 0xC3, kUnwritten};
    EXPECT_EQ(got, expected) << backwards;
  }
  // Under mode 0 a displacement of 1 from index 64 reads index 63, the last
  // pixel line of column 0, not the byte before in the display file.
  Lcmp5StreamWriter writer(0);
  for (int k = 1; k < 64; ++k) writer.Literal(static_cast<uint8_t>(k));
  writer.Match(2, 1);
  writer.End();
  const Depacked result = Depack(Lcmp5Data(writer.bytes(), 0x00));
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.output[1], 63);    // index 64
  EXPECT_EQ(result.output[257], 63);  // index 65
}

TEST(Lcmp5Depack, SourceIndexWrapsAndReadsWhatTheOutputHolds) {
  // From index 1 of mode 0x18, displacement 5888 reads index 59649, offset
  // 257 of the bitmap, which the stream never wrote.
  Lcmp5StreamWriter writer(0x11);
  writer.Match(3, 5888);
  writer.End();
  const Depacked result = Depack(Lcmp5Data(writer.bytes(), kLinearMode));
  ASSERT_TRUE(result.ok);
  const Bytes before = PrefilledOutput();
  for (size_t k = 0; k < 3; ++k) EXPECT_EQ(result.output[kLinearStart + 1 + k], before[257 + k]);
}

TEST(Lcmp5Depack, OffsetsOf6912OrMoreFailTheDepack) {
  // Writing: the linear mode has room for 768 bytes.
  for (size_t bytes : {768u, 769u}) {
    Lcmp5StreamWriter writer(1);
    for (size_t k = 1; k < bytes; ++k) writer.Literal(static_cast<uint8_t>(k));
    writer.End();
    EXPECT_EQ(Depack(Lcmp5Data(writer.bytes(), kLinearMode)).ok, bytes == 768) << bytes;
  }
  // Writing, by a copy running past the end.
  Lcmp5StreamWriter overrun(1);
  for (size_t k = 1; k < 700; ++k) overrun.Literal(static_cast<uint8_t>(k));
  overrun.Match(69, 700);
  overrun.End();
  EXPECT_FALSE(Depack(Lcmp5Data(overrun.bytes(), kLinearMode)).ok);
  // Reading: under mode 0, index 1 less 2 wraps to index 65535, offset 65535.
  for (unsigned displacement : {1u, 2u}) {
    Lcmp5StreamWriter writer(1);
    writer.Match(2, displacement);
    writer.End();
    EXPECT_EQ(Depack(Lcmp5Data(writer.bytes(), 0x00)).ok, displacement == 1) << displacement;
  }
  // A mode byte whose first index already maps past the screen.
  Lcmp5StreamWriter shortest(1);
  shortest.End();
  for (uint8_t mode : {uint8_t{0x03}, uint8_t{0x1B}}) EXPECT_FALSE(Depack(Lcmp5Data(shortest.bytes(), mode)).ok);
}

TEST(Lcmp5Depack, StreamsThatRunOutOfDataFail) {
  Lcmp5StreamWriter writer(0x10);
  for (int k = 0; k < 10; ++k) writer.Literal(static_cast<uint8_t>(0x20 + k));
  writer.Match(4, 3);
  writer.Match(200, 1, true);  // escape byte
  writer.Literal(0x55);
  writer.End();
  const Bytes data = Lcmp5Data(writer.bytes(), kLinearMode);
  ASSERT_TRUE(Depack(data).ok);
  for (size_t size = 0; size < data.size(); ++size) {
    EXPECT_FALSE(Depack(Bytes(data.begin(), data.begin() + size)).ok) << size;
  }
  // Only literals, and no end code.
  Bytes endless = Lcmp5Data({0x10}, kLinearMode);
  for (int k = 0; k < 40; ++k) endless.insert(endless.end(), {0xFF, 1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_FALSE(Depack(endless).ok);
}

TEST(Lcmp5Depack, OlderVariantPresetsAttributesToWhiteOnBlack) {
  // Mode 0x01 leaves out the bitmap and attributes of the first third; this
  // stream writes one bitmap byte of the second.
  Lcmp5StreamWriter writer(0x81);
  writer.End();
  for (bool older : {false, true}) {
    const Depacked result = Depack(Lcmp5Data(writer.bytes(), 0x01), older ? kLcmp5Older : kLcmp5Current);
    ASSERT_TRUE(result.ok);
    Bytes expected = PrefilledOutput();
    if (older) std::fill(expected.begin() + 6144, expected.end(), 7);
    expected[2048] = 0x81;
    EXPECT_EQ(result.output, expected) << older;
  }
}

TEST(Lcmp5Depack, OlderVariantFindsTheModeByteModulo256) {
  // N = 247: both read the mode at 255 and the stream from 256.
  Lcmp5StreamWriter writer(0x42);
  writer.End();
  const Bytes n247 = Lcmp5Data(writer.bytes(), kLinearMode, 247);
  ASSERT_EQ(n247[255], kLinearMode);
  for (Lcmp5Variant variant : {kLcmp5Current, kLcmp5Older}) {
    const Depacked result = Depack(n247, variant);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.output[kLinearStart], 0x42);
    EXPECT_EQ(result.output[kLinearStart + 1], variant.presetAttributes ? 7 : kUnwritten);
  }
  // N = 248: the current one reads the mode at 256 and the stream from 257,
  // the older one the mode at 0 and the stream from 1, through N itself.
  Bytes n248(320, 0);
  const Bytes olderStream = {0x41, 0xFF, 1, 2, 3, 4, 248, 5, 6, 7, 0x04, 0x00};
  n248[0] = kLinearMode;
  std::copy(olderStream.begin(), olderStream.end(), n248.begin() + 1);
  ASSERT_EQ(n248[7], 248);
  n248[256] = kLinearMode;
  const Bytes currentStream = writer.bytes();
  std::copy(currentStream.begin(), currentStream.end(), n248.begin() + 257);

  const Depacked current = Depack(n248, kLcmp5Current);
  ASSERT_TRUE(current.ok);
  EXPECT_EQ(current.output[kLinearStart], 0x42);
  EXPECT_EQ(current.output[kLinearStart + 1], kUnwritten);
  const Depacked older = Depack(n248, kLcmp5Older);
  ASSERT_TRUE(older.ok);
  const Bytes expected = {0x41, 1, 2, 3, 4, 248, 5, 6, 7};
  EXPECT_EQ(Bytes(older.output.begin() + kLinearStart, older.output.begin() + kLinearStart + 9), expected);
  EXPECT_EQ(older.output[kLinearStart + 9], 7);
}

Bytes NoiseScreen() {
  Bytes screen(6912);
  uint32_t state = 12345;
  for (size_t i = 0; i < screen.size(); ++i) {
    state = state * 1103515245 + 12345;
    // Few distinct values, so that matches of every length and reach occur.
    screen[i] = static_cast<uint8_t>((state >> 16) % 5);
  }
  return screen;
}

TEST(Lcmp5Depack, GreedyPackerRoundTripsUnderEveryMode) {
  const Bytes landscape = samples::EncodeStandardScreen(samples::DrawLandscape());
  const Bytes noise = NoiseScreen();
  for (const Bytes* screen : {&landscape, &noise}) {
    for (uint8_t mode : {0x00, 0x01, 0x02, 0x08, 0x09, 0x0A, 0x10, 0x11, 0x18}) {
      const Bytes packed = testing::PackLcmp5Screen(*screen, mode);
      for (Lcmp5Variant variant : {kLcmp5Current, kLcmp5Older}) {
        const Depacked result = Depack(packed, variant);
        ASSERT_TRUE(result.ok) << int{mode};
        Bytes expected = PrefilledOutput();
        if (variant.presetAttributes) std::fill(expected.begin() + 6144, expected.end(), 7);
        for (uint16_t offset : testing::Lcmp5StreamOffsets(mode)) expected[offset] = (*screen)[offset];
        EXPECT_EQ(result.output, expected) << "mode " << int{mode} << " older " << variant.presetAttributes;
      }
    }
  }
}

}  // namespace
}  // namespace korvel
