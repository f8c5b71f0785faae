// The HR depacker, fed blocks written token by token, and round trips of the
// greedy packer.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "depackers/hr.h"
#include "samples/zx_canvas.h"
#include "tests/support/hr_writer.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::HrStreamWriter;

const Bytes kTail = {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6};
constexpr uint8_t kFill = 0x5C;  // what the output area holds before a depack

struct Depacked {
  bool ok;
  Bytes output;
};

// Depacks `block`, read to its last byte and no further.
Depacked Depack(const Bytes& block, size_t outputBytes = 18432) {
  Depacked result = {false, Bytes(outputBytes, kFill)};
  result.ok = DepackHr(ByteSpan(block.data(), block.size()), MutableByteSpan(result.output.data(), outputBytes));
  return result;
}

uint8_t HistoryByte(size_t k) { return static_cast<uint8_t>((k * 2654435761u) >> 13); }

// A writer whose first `history` output bytes are literals, and the output
// the test expects, kept alongside.
struct Stream {
  HrStreamWriter writer;
  Bytes expected;

  explicit Stream(size_t history) : writer(kTail, HistoryByte(0)), expected{HistoryByte(0)} {
    for (size_t k = 1; k < history; ++k) Literal(HistoryByte(k));
  }
  void Literal(uint8_t byte) {
    writer.Literal(byte);
    expected.push_back(byte);
  }
  void ExpectCopy(size_t distance, size_t length) {
    for (size_t k = 0; k < length; ++k) expected.push_back(expected[expected.size() - distance]);
  }
  void ExpectPattern(size_t distance, uint8_t middle) {
    ExpectCopy(distance, 1);
    expected.push_back(middle);
    ExpectCopy(distance, 1);
  }
  Bytes Finish() {
    writer.End();
    expected.insert(expected.end(), kTail.begin(), kTail.end());
    return writer.bytes();
  }
};

// The stream ends regularly, the output starts with what the test expects
// and the rest of the area keeps its earlier bytes.
void ExpectOutput(Stream& stream, const std::string& what) {
  const Bytes block = stream.Finish();
  const Depacked result = Depack(block);
  ASSERT_TRUE(result.ok) << what;
  Bytes expected = stream.expected;
  expected.resize(result.output.size(), kFill);
  EXPECT_EQ(result.output, expected) << what;
}

TEST(HrDepack, ShortestBlockIsNineBytes) {
  HrStreamWriter writer(kTail, 0x3A);
  writer.End();
  const Bytes block = {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0x3C, 0x60, 0x3A};
  ASSERT_EQ(writer.bytes(), block);
  for (size_t outputBytes : {size_t{7}, size_t{18432}}) {
    const Depacked result = Depack(block, outputBytes);
    ASSERT_TRUE(result.ok);
    Bytes expected = {0x3A, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6};
    expected.resize(outputBytes, kFill);
    EXPECT_EQ(result.output, expected);
  }
  EXPECT_FALSE(Depack(block, 6).ok);  // the end code's six bytes must fit
}

TEST(HrDepack, NextFlagWordIsFetchedRightAfterTheSixteenthBit) {
  // Sixteen literal flags: the 16th literal follows the next flag word.
  Bytes block = kTail;
  block.insert(block.end(), {0xFF, 0xFF, 0x40});
  for (int k = 1; k <= 15; ++k) block.push_back(static_cast<uint8_t>(k));
  block.insert(block.end(), {0x3C, 0x60, 16});
  HrStreamWriter writer(kTail, 0x40);
  for (int k = 1; k <= 16; ++k) writer.Literal(static_cast<uint8_t>(k));
  writer.End();
  ASSERT_EQ(writer.bytes(), block);
  const Depacked result = Depack(block, 23);
  ASSERT_TRUE(result.ok);
  Bytes expected = {0x40};
  for (int k = 1; k <= 16; ++k) expected.push_back(static_cast<uint8_t>(k));
  expected.insert(expected.end(), kTail.begin(), kTail.end());
  EXPECT_EQ(result.output, expected);
}

TEST(HrDepack, FlagWordFetchPastTheBufferFails) {
  // Two literals and the end code take exactly 16 bits: the reader still
  // fetches the word after them.
  HrStreamWriter writer(kTail, 0x40);
  writer.Literal(1);
  writer.Literal(2);
  writer.End();
  const Bytes block = writer.bytes();
  ASSERT_EQ(block.size(), 6 + 2 + 1 + 2 + 2u);
  EXPECT_TRUE(Depack(block).ok);
  EXPECT_FALSE(Depack(Bytes(block.begin(), block.end() - 1)).ok);
  EXPECT_FALSE(Depack(Bytes(block.begin(), block.end() - 2)).ok);
}

TEST(HrDepack, LengthCodeTableGivesTheLengths) {
  const std::pair<std::string, size_t> rows[] = {
      {"00", 1},          {"01", 2},          {"10", 3},          {"11 01", 4},          {"11 10", 5},
      {"11 11 00", 6},    {"11 11 01", 7},    {"11 11 10", 8},    {"11 11 11 00", 9},    {"11 11 11 01", 10},
      {"11 11 11 10", 11}, {"11 11 11 11 00", 12}, {"11 11 11 11 01", 13}, {"11 11 11 11 10", 14},
      {"11 11 11 11 11", 15},
  };
  for (const auto& [bits, length] : rows) {
    Stream stream(40);
    stream.writer.Bit(0);
    stream.writer.Bits(bits);
    // Distance 8 (L = 1) or 30, in the short forms.
    if (length == 1) {
      stream.writer.Bits("000");
      stream.ExpectCopy(8, 1);
    } else {
      stream.writer.Bits(length == 2 ? "11" : "10");
      stream.writer.Bits("00010");
      stream.ExpectCopy(30, length);
    }
    stream.Literal(0xD7);
    ExpectOutput(stream, bits);
  }
}

// Every row of the offset table: the bits after the length, the byte e
// where the form has one, and the distance they give.
TEST(HrDepack, OffsetFormsChosenByTheLength) {
  struct Row {
    size_t length;
    std::string bits;
    int e;  // -1: none
    size_t distance;
  };
  std::vector<Row> rows;
  for (unsigned x = 0; x < 8; ++x) {
    rows.push_back({1, std::string{char('0' + (x >> 2)), char('0' + (x >> 1 & 1)), char('0' + (x & 1))}, -1, 8 - x});
  }
  for (int e : {0, 255}) {
    rows.push_back({2, "00", e, size_t(768 - e)});
    rows.push_back({2, "01", e, size_t(512 - e)});
  }
  for (int e : {0, 223}) rows.push_back({2, "10", e, size_t(256 - e)});
  rows.push_back({2, "11 00000", -1, 32});
  rows.push_back({2, "11 11111", -1, 1});
  for (size_t length : {3u, 9u, 200u}) {
    for (int e : {0, 255}) rows.push_back({length, "00", e, size_t(512 - e)});
    for (int e : {0, 223}) rows.push_back({length, "01", e, size_t(256 - e)});
    rows.push_back({length, "10 00000", -1, 32});
    rows.push_back({length, "10 11110", -1, 2});
    // Far, under the first key: two bits give the high byte 252 to 255.
    rows.push_back({length, "11 00", 0, 1024});
    rows.push_back({length, "11 00", 255, 769});
    rows.push_back({length, "11 01", 16, 752});
    rows.push_back({length, "11 10", 16, 496});
    rows.push_back({length, "11 11", 100, 156});  // high byte 255: the low form
  }
  for (const Row& row : rows) {
    Stream stream(1100);
    stream.writer.Length(static_cast<unsigned>(row.length));
    stream.writer.Bits(row.bits);
    if (row.e >= 0) stream.writer.Byte(static_cast<uint8_t>(row.e));
    stream.ExpectCopy(row.distance, row.length);
    stream.Literal(0xD7);
    ExpectOutput(stream, std::to_string(row.length) + " " + row.bits + " " + std::to_string(row.e));
  }
}

TEST(HrDepack, PatternCopyEscape) {
  for (unsigned x = 0; x < 16; ++x) {
    Stream stream(20);
    stream.writer.LengthCode(4);
    stream.writer.Bit(1);
    stream.writer.Value(x, 4);
    stream.writer.Byte(0xA5);
    stream.ExpectPattern(16 - x, 0xA5);
    ExpectOutput(stream, std::to_string(x));
  }
  // Distance 1 repeats the byte from the input.
  Stream stream(1);
  stream.writer.PatternCopy(1, 0x99);
  stream.ExpectPattern(1, 0x99);
  ExpectOutput(stream, "distance 1");
}

TEST(HrDepack, LiteralRunEscape) {
  for (unsigned x = 0; x < 16; ++x) {
    Stream stream(3);
    stream.writer.LengthCode(4);
    stream.writer.Bits("0 1");
    stream.writer.Value(x, 4);
    for (unsigned k = 0; k < 2 * (x + 6); ++k) {
      stream.writer.Byte(static_cast<uint8_t>(0x80 + k));
      stream.expected.push_back(static_cast<uint8_t>(0x80 + k));
    }
    stream.Literal(0xD7);
    ExpectOutput(stream, std::to_string(x));
  }
}

TEST(HrDepack, SevenBitLengths) {
  struct Row {
    unsigned x;
    int low;  // the byte after the 7 bits, -1: none
    size_t length;
  };
  const Row rows[] = {{16, -1, 16},    {127, -1, 127}, {0, 5, 5},     {0, 200, 200},
                      {1, 0, 256},     {9, 77, 2381},  {14, 255, 3839}};
  for (const Row& row : rows) {
    Stream stream(40);
    stream.writer.LengthCode(4);
    stream.writer.Bits("0 0");
    stream.writer.Value(row.x, 7);
    if (row.low >= 0) stream.writer.Byte(static_cast<uint8_t>(row.low));
    stream.writer.Bits("10 00010");  // distance 30
    stream.ExpectCopy(30, row.length);
    stream.Literal(0xD7);
    ExpectOutput(stream, std::to_string(row.length));
  }
}

TEST(HrDepack, ZeroLengthReadsItsOffsetFormAndCopiesNothing) {
  // After a single output byte every one of these distances lies before the
  // first byte; a copy of no bytes reads nothing and cannot fail.
  for (const char* bits : {"00", "01", "10 00000", "11 00"}) {
    Stream stream(1);
    stream.writer.SevenBitLength(0, 0);
    stream.writer.Bits(bits);
    if (std::string(bits).size() == 2 || std::string(bits) == "11 00") stream.writer.Byte(0);
    stream.Literal(0xD7);
    ExpectOutput(stream, bits);
  }
  // Unless the byte starts a key escape: 224 is a pattern copy at distance 78.
  Stream stream(100);
  stream.writer.SevenBitLength(0, 0);
  stream.writer.Bits("01");
  stream.writer.Byte(224);
  stream.writer.Byte(0x66);
  stream.ExpectPattern(78, 0x66);
  ExpectOutput(stream, "pattern");
}

// The key escape in the low form: y = (e rotated left) XOR L.
TEST(HrDepack, KeyEscapeGivesPatternCopies) {
  for (unsigned length : {2u, 3u, 64u}) {
    for (unsigned e = 224; e < 256; ++e) {
      const uint8_t y = static_cast<uint8_t>(((e << 1) | (e >> 7)) ^ length);
      if (y == 255) continue;
      Stream stream(300);
      stream.writer.Length(length);
      stream.writer.Bits(length == 2 ? "10" : "01");
      stream.writer.Byte(static_cast<uint8_t>(e));
      stream.writer.Byte(0x66);
      stream.ExpectPattern((15 - y) & 0xFF, 0x66);
      ExpectOutput(stream, std::to_string(length) + " " + std::to_string(e));
    }
  }
  // The two distances worked out by hand.
  for (auto [e, distance] : {std::pair{224u, 76u}, std::pair{255u, 18u}}) {
    Stream stream(100);
    stream.writer.Length(2);
    stream.writer.Bits("10");
    stream.writer.Byte(static_cast<uint8_t>(e));
    stream.writer.Byte(0x66);
    stream.ExpectPattern(distance, 0x66);
    ExpectOutput(stream, std::to_string(e));
  }
}

TEST(HrDepack, KeyEscapeWidensFarOffsetsByOneBit) {
  // By hand: under the first key a far offset reads two bits, after one key
  // escape (L = 2, low form, byte 254, nothing written) three.
  Stream stream(2100);
  stream.writer.Bits("0 10 11 00");  // L = 3, far, high byte 252
  stream.writer.Byte(0);
  stream.ExpectCopy(1024, 3);
  stream.writer.Bits("0 01 10");  // L = 2, low form
  stream.writer.Byte(254);
  stream.writer.Bits("0 10 11 000");  // L = 3, far, high byte 248
  stream.writer.Byte(0);
  stream.ExpectCopy(2048, 3);
  stream.Literal(0xD7);
  ExpectOutput(stream, "by hand");

  // A key escape can come from a far offset whose high byte is 255: L = 4
  // with byte 253 turns the key.
  Stream far(2100);
  far.writer.Length(4);
  far.writer.Bits("11 11");
  far.writer.Byte(253);
  far.writer.NoteKeyRotation();
  far.writer.Length(3);
  far.writer.Bits("11 000");
  far.writer.Byte(16);
  far.ExpectCopy(2032, 3);
  ExpectOutput(far, "far key escape");
}

TEST(HrDepack, FarKeyRunsThroughItsEightStates) {
  Stream stream(2100);
  std::vector<unsigned> bitCounts;
  for (int k = 0; k < 9; ++k) {
    const unsigned count = stream.writer.FarBitCount();
    bitCounts.push_back(count);
    const unsigned fixed = (unsigned{stream.writer.farKey()} << count) & 0xFF;
    const unsigned hi = std::max(248u, fixed);
    stream.writer.Length(3);
    stream.writer.Bits("11");
    stream.writer.FarBits(static_cast<uint8_t>(hi));
    stream.writer.Byte(16);
    stream.ExpectCopy(65536 - 256 * hi - 16, 3);
    stream.writer.RotateKey();
  }
  EXPECT_EQ(bitCounts, (std::vector<unsigned>{2, 3, 4, 5, 6, 7, 8, 1, 2}));
  ExpectOutput(stream, "key cycle");
}

TEST(HrDepack, DistanceZeroReadsTheByteAboutToBeWritten) {
  // A key escape with y = 15: L = 192 and byte 231.
  Stream pattern(10);
  pattern.writer.SevenBitLength(0, 192);
  pattern.writer.Bits("01");
  pattern.writer.Byte(231);
  pattern.writer.Byte(0x66);
  pattern.expected.insert(pattern.expected.end(), {kFill, 0x66, kFill});
  ExpectOutput(pattern, "pattern");
  // A far offset of high byte 0 and byte 0, once six key escapes have opened
  // all eight bits.
  Stream far(10);
  for (int k = 0; k < 6; ++k) far.writer.RotateKey();
  far.writer.Length(3);
  far.writer.Bits("11 00000000");
  far.writer.Byte(0);
  far.expected.insert(far.expected.end(), {kFill, kFill, kFill});
  ExpectOutput(far, "far");
}

TEST(HrDepack, WritesMustStayInsideTheOutputArea) {
  struct Case {
    const char* what;
    Bytes block;
    size_t bytes;  // what a full depack writes
  };
  std::vector<Case> cases;
  {
    Stream literals(14);
    cases.push_back({"literals", literals.Finish(), 20});
  }
  {
    Stream copy(10);
    copy.writer.Match(3, 1);
    cases.push_back({"copy", copy.Finish(), 19});
  }
  {
    Stream run(2);
    const Bytes bytes(12, 0x31);
    run.writer.LiteralRun(bytes.data(), bytes.size());
    cases.push_back({"literal run", run.Finish(), 20});
  }
  {
    Stream pattern(4);
    pattern.writer.PatternCopy(2, 0x31);
    cases.push_back({"pattern copy", pattern.Finish(), 13});
  }
  for (const Case& c : cases) {
    EXPECT_TRUE(Depack(c.block, c.bytes).ok) << c.what;
    EXPECT_FALSE(Depack(c.block, c.bytes - 1).ok) << c.what;
  }
}

TEST(HrDepack, CopiesMustNotReachBeforeTheFirstOutputByte) {
  struct Case {
    const char* what;
    size_t history;
    void (*token)(HrStreamWriter&);
    bool ok;
  };
  const Case cases[] = {
      {"length 1, distance 1", 1, [](HrStreamWriter& w) { w.Match(1, 1); }, true},
      {"length 1, distance 2", 1, [](HrStreamWriter& w) { w.Match(1, 2); }, false},
      {"length 2, distance 32", 32, [](HrStreamWriter& w) { w.Match(2, 32); }, true},
      {"length 2, distance 33", 32, [](HrStreamWriter& w) { w.Match(2, 33); }, false},
      {"length 5, distance 512", 512, [](HrStreamWriter& w) { w.Match(5, 512); }, true},
      {"length 5, distance 513", 512, [](HrStreamWriter& w) { w.Match(5, 513); }, false},
      {"far distance 1024", 10, [](HrStreamWriter& w) { w.Match(5, 1024); }, false},
      {"pattern distance 1", 1, [](HrStreamWriter& w) { w.PatternCopy(1, 0); }, true},
      {"pattern distance 2", 1, [](HrStreamWriter& w) { w.PatternCopy(2, 0); }, false},
  };
  for (const Case& c : cases) {
    Stream stream(c.history);
    c.token(stream.writer);
    EXPECT_EQ(Depack(stream.Finish()).ok, c.ok) << c.what;
  }
}

TEST(HrDepack, BlocksThatRunOutOfDataFail) {
  Stream stream(1000);
  stream.writer.Match(7, 3);
  stream.writer.PatternCopy(5, 0x12);
  const Bytes run(14, 0x34);
  stream.writer.LiteralRun(run.data(), run.size());
  stream.writer.SevenBitLength(1, 4);  // 260 bytes
  stream.writer.Bits("01");
  stream.writer.Byte(200);
  stream.writer.Match(3, 900);
  const Bytes block = stream.Finish();
  ASSERT_TRUE(Depack(block).ok);
  for (size_t size = 0; size < block.size(); ++size) {
    EXPECT_FALSE(Depack(Bytes(block.begin(), block.begin() + size)).ok) << size;
  }
  // Literals with no end code.
  HrStreamWriter endless(kTail, 1);
  for (int k = 0; k < 500; ++k) endless.Literal(static_cast<uint8_t>(k));
  EXPECT_FALSE(Depack(endless.bytes()).ok);
}

Bytes Noise(size_t bytes, unsigned values) {
  Bytes data(bytes);
  uint32_t state = 99;
  for (uint8_t& byte : data) {
    state = state * 1103515245 + 12345;
    byte = static_cast<uint8_t>((state >> 16) % values);
  }
  return data;
}

TEST(HrDepack, GreedyPackerRoundTrips) {
  Bytes screens;  // three bitmaps, as a three-colour screen holds them
  for (int variant = 0; variant < 3; ++variant) {
    const Bytes screen = samples::EncodeStandardScreen(samples::DrawLandscape(variant));
    screens.insert(screens.end(), screen.begin(), screen.begin() + 6144);
  }
  Bytes gigascreen = samples::EncodeStandardScreen(samples::DrawLandscape(0));
  const Bytes second = samples::EncodeStandardScreen(samples::DrawLandscape(1));
  gigascreen.insert(gigascreen.end(), second.begin(), second.end());
  const Bytes inputs[] = {screens, gigascreen, Bytes(18432, 0), Noise(6000, 3), Noise(7, 256)};
  for (const Bytes& input : inputs) {
    for (unsigned rotations : {0u, 1u, 6u, 7u}) {
      const Bytes block = testing::PackHr(input, rotations);
      const Depacked result = Depack(block, input.size());
      ASSERT_TRUE(result.ok) << input.size() << " " << rotations;
      EXPECT_EQ(result.output, input) << input.size() << " " << rotations;
    }
  }
}

}  // namespace
}  // namespace korvel
