// The container readers: which screens a tape or snapshot gives, which
// entries a disk image gives, and where a broken or hostile container stops.

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <zlib.h>

#include "containers/pzx.h"
#include "containers/rzx.h"
#include "containers/scl.h"
#include "containers/sna.h"
#include "containers/szx.h"
#include "containers/tap.h"
#include "containers/trd.h"
#include "containers/tzx.h"
#include "containers/z80.h"
#include "tests/support/container_writer.h"
#include "tests/support/hobeta_writer.h"

namespace korvel {
namespace {

using namespace korvel::testing;

ByteSpan Span(const Bytes& bytes) { return ByteSpan(bytes.data(), bytes.size()); }

// --- Tapes -----------------------------------------------------------------

struct TapeWalk {
  WalkResult result;
  std::vector<uint8_t> markers;  // first byte of each screen, in order
};

template <typename Walker>
TapeWalk WalkTape(Walker walker, const Bytes& file) {
  TapeWalk walk{WalkResult::kBroken, {}};
  walk.result = walker(Span(file), [&](const ContainerScreen& screen) {
    EXPECT_EQ(screen.kind, ScreenKind::kStandard);
    EXPECT_EQ(screen.bytes.size(), 6912u);
    EXPECT_EQ(screen.number, static_cast<int>(walk.markers.size()) + 1);
    walk.markers.push_back(*screen.bytes.Peek(0, 1));
    return true;
  });
  return walk;
}

// The same tape blocks as a TZX, carried by the three kinds of data block in
// turn, with blocks that carry no tape block (a pause, a text, a group)
// between every two of them.
Bytes AsTzx(const std::vector<Bytes>& tapeBlocks) {
  std::vector<Bytes> blocks;
  for (size_t i = 0; i < tapeBlocks.size(); ++i) {
    blocks.push_back(i % 3 == 0 ? TzxStandardBlock(tapeBlocks[i])
                                : i % 3 == 1 ? TzxTurboBlock(tapeBlocks[i]) : TzxPureDataBlock(tapeBlocks[i]));
    blocks.push_back({0x20, 0x00, 0x00});
    blocks.push_back({0x30, 3, 'a', 'b', 'c'});
    blocks.push_back({0x21, 1, 'g'});
  }
  return TzxFile(blocks);
}

// The same tape blocks as generalized-data blocks only, and as a PZX with
// pulses, a pause and a browse point between every two.
Bytes AsGeneralizedTzx(const std::vector<Bytes>& tapeBlocks) {
  std::vector<Bytes> blocks;
  for (const Bytes& block : tapeBlocks) blocks.push_back(TzxGeneralizedDataBlock(block));
  return TzxFile(blocks);
}

Bytes AsPzx(const std::vector<Bytes>& tapeBlocks) {
  std::vector<Bytes> blocks;
  for (const Bytes& block : tapeBlocks) {
    blocks.push_back(PzxDataBlock(block));
    blocks.push_back(PzxBlock("PULS", {0x78, 0x08}));
    blocks.push_back(PzxBlock("PAUS", {0xE8, 0x03, 0, 0}));
    blocks.push_back(PzxBlock("BRWS", {'x', 0}));
  }
  return PzxFile(blocks);
}

TEST(Tapes, ScreensInTapeOrderForTapAndTzx) {
  const Bytes screenBlock1 = TapeBlock(0xFF, Marked(1));
  const Bytes longCode = TapeBlock(0xFF, Marked(4, 9000));
  struct Case {
    const char* what;
    std::vector<Bytes> blocks;
    std::vector<uint8_t> markers;
  } cases[] = {
      {"code header and its screen", {TapeHeader(3, "pic", 6912, 16384), screenBlock1}, {1}},
      {"headerless screen", {screenBlock1}, {1}},
      {"screen after a program header", {TapeHeader(0, "run", 6912, 10), screenBlock1}, {1}},
      {"longer code block at 16384", {TapeHeader(3, "all", 9000, 16384), longCode}, {4}},
      {"longer code block elsewhere", {TapeHeader(3, "all", 9000, 32768), longCode}, {}},
      {"longer code block of a 6912-byte header", {TapeHeader(3, "all", 6912, 16384), longCode}, {}},
      {"longer block not directly after its header",
       {TapeHeader(3, "all", 9000, 16384), TapeBlock(0xFF, {1, 2}), longCode}, {}},
      {"headerless longer block", {longCode}, {}},
      {"screen-sized block with a header flag", {TapeBlock(0x00, Marked(5))}, {}},
      {"one byte longer than a screen block", {TapeBlock(0xFF, Marked(6, 6913))}, {}},
      {"numbered in tape order",
       {TapeBlock(0xFF, Marked(7)), TapeHeader(3, "a", 9000, 16384), longCode, TapeBlock(0, {}),
        TapeHeader(3, "b", 6912, 16384), TapeBlock(0xFF, Marked(8))},
       {7, 4, 8}},
  };
  for (const Case& c : cases) {
    const TapeWalk tap = WalkTape(WalkTapScreens, TapFile(c.blocks));
    EXPECT_EQ(tap.result, WalkResult::kWalked) << c.what;
    EXPECT_EQ(tap.markers, c.markers) << "TAP: " << c.what;
    const TapeWalk tzx = WalkTape(WalkTzxScreens, AsTzx(c.blocks));
    EXPECT_EQ(tzx.result, WalkResult::kWalked) << c.what;
    EXPECT_EQ(tzx.markers, c.markers) << "TZX: " << c.what;
    EXPECT_EQ(WalkTape(WalkTzxScreens, AsGeneralizedTzx(c.blocks)).markers, c.markers) << "TZX 0x19: " << c.what;
    const TapeWalk pzx = WalkTape(WalkPzxScreens, AsPzx(c.blocks));
    EXPECT_EQ(pzx.result, WalkResult::kWalked) << c.what;
    EXPECT_EQ(pzx.markers, c.markers) << "PZX: " << c.what;
  }
}

TEST(Tapes, TzxBlocksSteppedOverByTheirLengths) {
  const Bytes screen = TzxStandardBlock(TapeBlock(0xFF, Marked(1)));
  const Bytes ff(22, 0xFF);
  auto body = [&](uint8_t id, Bytes fields, size_t fill) {
    Bytes block = {id};
    block.insert(block.end(), fields.begin(), fields.end());
    block.insert(block.end(), ff.begin(), ff.begin() + static_cast<long>(fill));
    return block;
  };
  // Counted bodies hold 0xFF bytes: stepping too few reads 0xFF as an
  // unknown ID, too many lands inside the screen block.
  const std::vector<Bytes> blocks = {
      body(0x12, {}, 4), body(0x13, {2}, 4), body(0x15, {1, 1, 1, 1, 1, 3, 0, 0}, 3),
      body(0x18, {2, 0, 0, 0}, 2), body(0x19, {2, 0, 0, 0}, 2), body(0x20, {}, 2), body(0x23, {}, 2),
      body(0x24, {}, 2), body(0x21, {2}, 2), body(0x30, {3}, 3), body(0x22, {}, 0), body(0x25, {}, 0),
      body(0x27, {}, 0), body(0x26, {2, 0}, 4), body(0x28, {3, 0}, 3), body(0x32, {1, 0}, 1),
      body(0x2A, {}, 4), body(0x2B, {}, 5), body(0x31, {1, 2}, 2), body(0x33, {2}, 6),
      body(0x35, Bytes(16, 'x'), 0), body(0x5A, {}, 9)};
  for (const Bytes& block : blocks) {
    Bytes withLength = block;
    if (block[0] == 0x35) withLength.insert(withLength.end(), {2, 0, 0, 0, 0xFF, 0xFF});
    EXPECT_EQ(WalkTape(WalkTzxScreens, TzxFile({withLength, screen})).markers, std::vector<uint8_t>{1})
        << "block 0x" << std::hex << int{block[0]};
  }
}

TEST(Tapes, WhereATapeEnds) {
  const Bytes screen1 = TapeBlock(0xFF, Marked(1));
  const Bytes screen2 = TapeBlock(0xFF, Marked(2));
  const Bytes tap = TapFile({screen1});
  struct Case {
    const char* what;
    bool tzx;
    Bytes file;
    WalkResult result;
    std::vector<uint8_t> markers;
  } cases[] = {
      {"TAP block running past the end", false, Concat({tap, Cut(TapFile({screen2}), 3000)}), WalkResult::kWalked, {1}},
      {"TAP length word cut in half", false, Concat({tap, {0x02}}), WalkResult::kWalked, {1}},
      {"TZX unknown block", true, TzxFile({TzxStandardBlock(screen1), {0x40, 0, 0, 0, 0}, TzxStandardBlock(screen2)}),
       WalkResult::kWalked, {1}},
      {"TZX block running past the end", true, Cut(TzxFile({TzxStandardBlock(screen1), TzxTurboBlock(screen2)}), 7000),
       WalkResult::kWalked, {1}},
      {"TZX length field cut", true, Concat({TzxFile({TzxStandardBlock(screen1)}), {0x14, 1, 2, 3, 4, 5, 6, 7, 8}}),
       WalkResult::kWalked, {1}},
      {"TZX 4-byte length that wraps 32 bits", true,
       TzxFile({TzxStandardBlock(screen1), {0x19, 0xFD, 0xFF, 0xFF, 0xFF}, TzxStandardBlock(screen2)}),
       WalkResult::kWalked, {1}},
      {"TZX without its signature", true, Concat({{'Z', 'X', 'T', 'a', 'p', 'e', '?', 0x1A, 1, 20}, TzxStandardBlock(screen1)}),
       WalkResult::kBroken, {}},
      {"TZX shorter than its header", true, {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1}, WalkResult::kBroken, {}},
  };
  for (const Case& c : cases) {
    const TapeWalk walk = c.tzx ? WalkTape(WalkTzxScreens, c.file) : WalkTape(WalkTapScreens, c.file);
    EXPECT_EQ(walk.result, c.result) << c.what;
    EXPECT_EQ(walk.markers, c.markers) << c.what;
  }
}

TEST(Tapes, GeneralizedDataAndPzxBlocksCarryOnlyPlainBytes) {
  const Bytes screen = TapeBlock(0xFF, Marked(1));
  const Bytes plain = TzxGeneralizedDataBlock(screen);
  // Body offsets 17 (ASD) and 12 (TOTD) of the 0x19 block, after its ID.
  auto patched = [&](size_t offset, const Bytes& bytes) {
    Bytes block = plain;
    std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<long>(1 + offset));
    return block;
  };
  const uint32_t bits = 8 * 6914;
  auto bitsField = [](uint32_t value) {
    return Bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                 static_cast<uint8_t>(value >> 24)};
  };
  // No pilot and sync at all: the data table follows the fixed fields.
  Bytes noPilot = {0x19};
  const Bytes noPilotBody = Concat({{0xE8, 0x03, 0, 0, 0, 0, 0, 0},
                                    bitsField(bits),
                                    {2, 2, 0, 0x57, 0x03, 0x57, 0x03, 0, 0xAE, 0x06, 0xAE, 0x06},
                                    screen});
  for (int shift = 0; shift < 32; shift += 8) noPilot.push_back(static_cast<uint8_t>(noPilotBody.size() >> shift));
  noPilot = Concat({noPilot, noPilotBody});
  Bytes pzxData = PzxDataBlock(screen);
  pzxData[8] = 7;  // a bit count that is not whole bytes
  struct Case {
    const char* what;
    Bytes file;
    bool pzx;
    WalkResult result;
    size_t screens;
  } cases[] = {
      {"TZX 0x19 of plain bytes", TzxFile({plain}), false, WalkResult::kWalked, 1},
      {"TZX 0x19 without pilot", TzxFile({noPilot}), false, WalkResult::kWalked, 1},
      {"TZX 0x19 of three data symbols", TzxFile({patched(17, {3}), plain}), false, WalkResult::kWalked, 1},
      {"TZX 0x19 of 256 data symbols", TzxFile({patched(17, {0})}), false, WalkResult::kWalked, 0},
      {"TZX 0x19 not of whole bytes", TzxFile({patched(12, bitsField(bits + 1))}), false, WalkResult::kWalked, 0},
      {"TZX 0x19 data past its block", TzxFile({patched(12, bitsField(bits + 8)), plain}), false, WalkResult::kWalked,
       1},
      {"PZX DATA not of whole bytes", PzxFile({pzxData}), true, WalkResult::kWalked, 0},
      {"PZX DATA cut inside its data",
       PzxFile({Concat({PzxBlock("DATA", Cut(Bytes(pzxData.begin() + 8, pzxData.end()), 100))}), PzxDataBlock(screen)}),
       true, WalkResult::kWalked, 1},
      {"PZX block past the end", Cut(PzxFile({PzxDataBlock(screen), PzxDataBlock(screen)}), 7000), true,
       WalkResult::kWalked, 1},
      {"PZX of major version 2", Concat({PzxBlock("PZXT", {2, 0}), PzxDataBlock(screen)}), true, WalkResult::kBroken,
       0},
      {"PZX without its header", PzxDataBlock(screen), true, WalkResult::kBroken, 0},
  };
  for (const Case& c : cases) {
    const TapeWalk walk = c.pzx ? WalkTape(WalkPzxScreens, c.file) : WalkTape(WalkTzxScreens, c.file);
    EXPECT_EQ(walk.result, c.result) << c.what;
    EXPECT_EQ(walk.markers.size(), c.screens) << c.what;
  }
}

TEST(Tapes, StopWhenTheVisitorSaysSoAndStayLinear) {
  const Bytes screen = TapeBlock(0xFF, Marked(9));
  int seen = 0;
  EXPECT_EQ(WalkTapScreens(Span(TapFile({screen, screen})), [&](const ContainerScreen&) { return ++seen < 1; }),
            WalkResult::kStopped);
  EXPECT_EQ(seen, 1);

  // Hundreds of thousands of empty blocks before one screen.
  const auto start = std::chrono::steady_clock::now();
  Bytes tap(400000, 0);
  Bytes tzx = TzxFile({});
  tzx.resize(tzx.size() + 400000, 0x22);
  EXPECT_EQ(WalkTape(WalkTapScreens, Concat({tap, TapFile({screen})})).markers, std::vector<uint8_t>{9});
  EXPECT_EQ(WalkTape(WalkTzxScreens, Concat({tzx, TzxStandardBlock(screen)})).markers, std::vector<uint8_t>{9});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// --- Snapshots -------------------------------------------------------------

std::vector<Bytes> Banks() {
  std::vector<Bytes> banks;
  for (uint8_t bank = 0; bank < 8; ++bank) banks.push_back(Marked(static_cast<uint8_t>(0x10 + bank), 16384));
  return banks;
}

TEST(Snapshots, SnaShowsBank5OrBank7) {
  const std::vector<Bytes> banks = Banks();
  Bytes sna48(27, 0);
  sna48.insert(sna48.end(), banks[5].begin(), banks[5].end());
  sna48.insert(sna48.end(), banks[2].begin(), banks[2].end());
  sna48.insert(sna48.end(), banks[0].begin(), banks[0].end());
  struct Case {
    const char* what;
    Bytes file;
    std::optional<uint8_t> bank;
  } cases[] = {
      {"48K", sna48, 5},
      {"128K, bank 5 shown", Sna128k(banks, 0x10), 5},
      {"128K, bank 7 shown, bank 0 paged", Sna128k(banks, 0x08), 7},
      {"128K, bank 7 shown and paged", Sna128k(banks, 0x0F), 7},
      {"128K, bank 7 shown, bank 5 paged (longer file)", Sna128k(banks, 0x0D), 7},
      {"128K, bank 7 after the end of a file of the shorter size", Cut(Sna128k(banks, 0x0D), 131103), std::nullopt},
      {"another size", Cut(sna48, 49178), std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<ContainerScreen> screen = SnaScreen(Span(c.file));
    ASSERT_EQ(screen.has_value(), c.bank.has_value()) << c.what;
    if (!screen) continue;
    EXPECT_EQ(screen->bytes.size(), 6912u) << c.what;
    EXPECT_EQ(Bytes(screen->bytes.Peek(0, 6912), screen->bytes.Peek(0, 6912) + 6912), Cut(banks[*c.bank], 6912)) << c.what;
  }
}

// Memory with runs, single 0xED bytes and 0xED pairs, so that every token
// kind appears in its compressed form.
Bytes SnapshotMemory(size_t size, uint8_t seed) {
  Bytes memory = Marked(seed, size);
  for (size_t i = 100; i + 40 < size; i += 300) {
    std::fill_n(memory.begin() + static_cast<long>(i), 20, 0x00);
    memory[i + 25] = 0xED;
    memory[i + 30] = 0xED;
    memory[i + 31] = 0xED;
    memory[i + 35] = 0xED;
    std::fill_n(memory.begin() + static_cast<long>(i) + 36, 4, seed);
  }
  return memory;
}

TEST(Snapshots, Z80ScreensAndWhereTheirDataFail) {
  const Bytes memory = SnapshotMemory(49152, 3);
  const Bytes packed = CompressZ80(memory);
  const Bytes page8 = SnapshotMemory(16384, 8), page10 = SnapshotMemory(16384, 10), page4 = SnapshotMemory(16384, 4);
  const Bytes screen = Cut(memory, 6912), screen8 = Cut(page8, 6912), screen10 = Cut(page10, 6912);
  Bytes version1Header = Z80Version1({}, true, false);
  auto version1 = [&](const Bytes& data) { return Concat({version1Header, data}); };
  auto later = [&](uint16_t extra, uint8_t machine, uint8_t port7ffd, std::vector<Z80Page> pages) {
    return Z80Later(extra, machine, port7ffd, 0, pages);
  };
  const Bytes tail = {0x00, 0xED, 0xED, 0x00};
  const Bytes packed8 = CompressZ80(page8);
  struct Case {
    const char* what;
    Bytes file;
    Bytes expected;  // empty: no picture
  } cases[] = {
      {"v1 compressed, end marker", Z80Version1(memory, true, true), screen},
      {"v1 compressed, no end marker", Z80Version1(memory, true, false), screen},
      {"v1 compressed, bytes after 48 KB not read", version1(Concat({packed, {0xED, 0xED}})), screen},
      {"v1 stored", Z80Version1(memory, false), screen},
      {"v1 stored, one byte short", Cut(Z80Version1(memory, false), 30 + 49151), {}},
      {"v1 flags 255 read as 1: stored", [&] { Bytes f = Z80Version1(memory, false); f[12] = 255; return f; }(), screen},
      {"v1 end marker before 48 KB", version1(Concat({CompressZ80(Cut(memory, 40000)), tail, packed})), {}},
      {"v1 data end before 48 KB", version1(Cut(packed, packed.size() - 3)), {}},
      {"v1 run past 48 KB", version1(Concat({CompressZ80(Cut(memory, 49150)), {0xED, 0xED, 3, 0}})), {}},
      {"v1 file shorter than its header", Cut(Z80Version1(memory, false), 20), {}},
      {"v2 48K, blocks of other pages skipped", later(23, 0, 0, {{4, page4}, {5, page4}, {8, page8}}), screen8},
      {"v3 stored page", later(54, 0, 0, {{8, page8, false}}), screen8},
      {"v2 128K (machine 3) shows bank 7", later(23, 3, 0x08, {{8, page8}, {10, page10}}), screen10},
      {"v3 machine 3 is a 48K machine", later(55, 3, 0x08, {{8, page8}, {10, page10}}), screen8},
      {"v3 128K (machine 4) shows bank 5", later(54, 4, 0x07, {{8, page8}, {10, page10}}), screen8},
      {"v3 +3 (machine 7) shows bank 7", later(54, 7, 0x08, {{10, page10}, {8, page8}}), screen10},
      {"128K snapshot without bank 7", later(54, 4, 0x08, {{8, page8}}), {}},
      {"unknown extra length", later(30, 0, 0, {{8, page8}}), {}},
      {"only the first block of the screen page is read", later(23, 0, 0, {{8, page8}, {8, page4}}), screen8},
      {"a broken block before the screen's is not expanded",
       later(23, 0, 0, {{4, {0xED, 0xED}, true, true}, {8, page8}}), screen8},
      {"page expands short", later(23, 0, 0, {{8, CompressZ80(Cut(page8, 16383)), true, true}}), {}},
      {"run crosses the end of the page",
       later(23, 0, 0, {{8, Concat({CompressZ80(Cut(page8, 16380)), {0xED, 0xED, 5, 1}}), true, true}}), {}},
      {"ED ED as the block's last two bytes", later(23, 0, 0, {{8, Concat({packed8, {0xED, 0xED}}), true, true}}), {}},
      {"ED ED 00 b writes nothing", later(23, 0, 0, {{8, Concat({{0xED, 0xED, 0, 0x55}, packed8}), true, true}}),
       screen8},
      {"block past the end of the file", Cut(later(23, 0, 0, {{8, page8}}), 1000), {}},
  };
  std::vector<uint8_t> area(kZ80WorkAreaBytes);
  for (const Case& c : cases) {
    const std::optional<ContainerScreen> found = Z80Screen(Span(c.file), MutableByteSpan(area.data(), area.size()));
    ASSERT_EQ(found.has_value(), !c.expected.empty()) << c.what;
    if (!found) continue;
    EXPECT_EQ(found->kind, ScreenKind::kStandard) << c.what;
    EXPECT_EQ(Bytes(found->bytes.Peek(0, 6912), found->bytes.Peek(0, 6912) + found->bytes.size()), c.expected) << c.what;
  }
}

TEST(Snapshots, Z80TimexScreenModes) {
  const Bytes page = SnapshotMemory(16384, 8);
  const auto at = [&](size_t offset, size_t size) { return Bytes(page.begin() + static_cast<long>(offset), page.begin() + static_cast<long>(offset + size)); };
  struct Case {
    uint8_t machine;
    uint8_t portFf;
    ScreenKind kind;
    Bytes expected;
  } cases[] = {
      {14, 0x00, ScreenKind::kStandard, at(0, 6912)},
      {15, 0x01, ScreenKind::kStandard, at(8192, 6912)},
      {128, 0x02, ScreenKind::kTimexHiColour, Concat({at(0, 6144), at(8192, 6144)})},
      {14, 0x36, ScreenKind::kTimexHiRes, Concat({at(0, 6144), at(8192, 6144), {0x36}})},
      {0, 0x06, ScreenKind::kStandard, at(0, 6912)},  // port 0xFF means nothing on a 48K machine
  };
  std::vector<uint8_t> area(kZ80WorkAreaBytes);
  for (const Case& c : cases) {
    const Bytes file = Z80Later(54, c.machine, 0, c.portFf, {{8, page}});
    const std::optional<ContainerScreen> found = Z80Screen(Span(file), MutableByteSpan(area.data(), area.size()));
    ASSERT_TRUE(found.has_value()) << int{c.machine} << " " << int{c.portFf};
    EXPECT_EQ(found->kind, c.kind);
    EXPECT_EQ(Bytes(found->bytes.Peek(0, 1), found->bytes.Peek(0, 1) + found->bytes.size()), c.expected)
        << int{c.machine} << " " << int{c.portFf};
  }
}

TEST(Snapshots, SzxShowsItsShownPageInflatedOrStored) {
  const Bytes page5 = SnapshotMemory(16384, 5), page7 = SnapshotMemory(16384, 7);
  const auto at = [](const Bytes& page, size_t offset, size_t size) {
    return Bytes(page.begin() + static_cast<long>(offset), page.begin() + static_cast<long>(offset + size));
  };
  const Bytes palette = Marked(0x40, 64);
  auto block = [](const char* id, Bytes body) { return SzxBlock(id, body); };
  const Bytes ramp5 = SzxRamPage(5, page5, true), ramp7 = SzxRamPage(7, page7, true);
  const Bytes spcr7 = block("SPCR", {2, 0x08, 0, 0, 0, 0, 0, 0});
  Bytes bomb(16384 * 4, 0);
  uLongf bombBytes = compressBound(bomb.size());
  Bytes bombStream(bombBytes);
  ASSERT_EQ(compress2(bombStream.data(), &bombBytes, bomb.data(), bomb.size(), 9), Z_OK);
  bombStream.resize(bombBytes);
  const Bytes endless = Cut(ZlibStream(page5), ZlibStream(page5).size() - 4);
  auto rawRamp = [](uint8_t page, const Bytes& data) { return SzxBlock("RAMP", Concat({{1, 0, page}, data})); };
  struct Case {
    const char* what;
    Bytes file;
    ScreenKind kind;
    Bytes expected;  // empty: no picture
  } cases[] = {
      {"48K, compressed page", SzxFile(1, {ramp5}), ScreenKind::kStandard, at(page5, 0, 6912)},
      {"48K, stored page", SzxFile(1, {SzxRamPage(5, page5, false)}), ScreenKind::kStandard, at(page5, 0, 6912)},
      {"48K, the paging port means nothing", SzxFile(1, {spcr7, ramp5, ramp7}), ScreenKind::kStandard,
       at(page5, 0, 6912)},
      {"128K, shadow screen", SzxFile(2, {ramp5, spcr7, ramp7}), ScreenKind::kStandard, at(page7, 0, 6912)},
      {"128K without a paging block", SzxFile(16, {ramp5, ramp7}), ScreenKind::kStandard, at(page5, 0, 6912)},
      {"short paging block: absent, the next not read", SzxFile(2, {block("SPCR", {2}), spcr7, ramp5, ramp7}),
       ScreenKind::kStandard, at(page5, 0, 6912)},
      {"128K, shadow screen missing", SzxFile(2, {spcr7, ramp5}), ScreenKind::kStandard, {}},
      {"only the first page 5 counts",
       SzxFile(1, {SzxRamPage(5, Cut(page5, 100), false), ramp5}),
       ScreenKind::kStandard,
       {}},
      {"stored page of another size",
       SzxFile(1, {SzxRamPage(5, Concat({page5, {0}}), false)}),
       ScreenKind::kStandard,
       {}},
      {"inflates past its page", SzxFile(1, {rawRamp(5, bombStream)}), ScreenKind::kStandard, {}},
      {"a stream that never ends", SzxFile(1, {rawRamp(5, endless)}), ScreenKind::kStandard, {}},
      {"a broken stream",
       SzxFile(1, {rawRamp(5, Concat({{0x78, 0xFF}, ZlibStream(page5)}))}),
       ScreenKind::kStandard,
       {}},
      {"block past the end ends the walk", Cut(SzxFile(2, {spcr7, ramp5, ramp7}), 200), ScreenKind::kStandard, {}},
      {"Timex hi-colour", SzxFile(8, {block("SCLD", {0, 2}), ramp5}), ScreenKind::kTimexHiColour,
       Concat({at(page5, 0, 6144), at(page5, 8192, 6144)})},
      {"ULAplus palette on", SzxFile(1, {block("PLTT", Concat({{1, 0}, palette})), ramp5}), ScreenKind::kUlaplus,
       Concat({at(page5, 0, 6912), palette})},
      {"ULAplus palette off", SzxFile(1, {block("PLTT", Concat({{0, 0}, palette})), ramp5}), ScreenKind::kStandard,
       at(page5, 0, 6912)},
      {"Timex second screen with a palette",
       SzxFile(9, {block("SCLD", {0, 1}), block("PLTT", Concat({{1, 0}, palette})), ramp5}), ScreenKind::kUlaplus,
       Concat({at(page5, 8192, 6912), palette})},
      {"Timex hi-res ignores the palette",
       SzxFile(12, {block("SCLD", {0, 6}), block("PLTT", Concat({{1, 0}, palette})), ramp5}), ScreenKind::kTimexHiRes,
       Concat({at(page5, 0, 6144), at(page5, 8192, 6144), {6}})},
  };
  std::vector<uint8_t> area(kSzxWorkAreaBytes);
  for (const Case& c : cases) {
    bool outOfMemory = true;
    const std::optional<ContainerScreen> found =
        SzxScreen(Span(c.file), MutableByteSpan(area.data(), area.size()), &outOfMemory);
    EXPECT_FALSE(outOfMemory) << c.what;
    ASSERT_EQ(found.has_value(), !c.expected.empty()) << c.what;
    if (!found) continue;
    EXPECT_EQ(found->kind, c.kind) << c.what;
    EXPECT_EQ(Bytes(found->bytes.Peek(0, 1), found->bytes.Peek(0, 1) + found->bytes.size()), c.expected) << c.what;
  }
}

TEST(Snapshots, RzxStartsFromItsFirstSnapshotBlock) {
  const Bytes z80 = Z80Version1(SnapshotMemory(49152, 3), true);
  const Bytes creator = RzxBlock(0x10, Bytes(30, 'k'));
  Bytes external = RzxSnapshotBlock("z80", z80, false);
  external[5] = 1;
  Bytes huge = RzxSnapshotBlock("szx", z80, true);
  huge[13 + 3] = 0x01;  // 16 MiB and more
  struct Case {
    const char* what;
    Bytes file;
    ContainerKind kind;  // kNone: no snapshot
    bool compressed;
  } cases[] = {
      {"stored, after other blocks", RzxFile({creator, RzxSnapshotBlock("z80", z80, false)}), ContainerKind::kZ80,
       false},
      {"compressed, kind in capitals", RzxFile({RzxSnapshotBlock("SZX", z80, true)}), ContainerKind::kSzx, true},
      {"kind of four letters", RzxFile({RzxSnapshotBlock("snax", z80, false)}), ContainerKind::kNone, false},
      {"an external snapshot", RzxFile({external}), ContainerKind::kNone, false},
      {"another kind", RzxFile({RzxSnapshotBlock("tap", z80, false)}), ContainerKind::kNone, false},
      {"only the first snapshot block",
       RzxFile({RzxSnapshotBlock("zip", z80, false), RzxSnapshotBlock("z80", z80, false)}), ContainerKind::kNone,
       false},
      {"compressed past 16 MiB", RzxFile({huge}), ContainerKind::kNone, false},
      {"a snapshot block of 16 bytes", RzxFile({RzxBlock(0x30, Bytes(11, 0))}), ContainerKind::kNone, false},
      {"a block length under 5", RzxFile({{0x10, 4, 0, 0, 0}, RzxSnapshotBlock("z80", z80, false)}),
       ContainerKind::kNone, false},
      {"a block past the end", Cut(RzxFile({creator, RzxSnapshotBlock("z80", z80, false)}), 100), ContainerKind::kNone,
       false},
  };
  for (const Case& c : cases) {
    const std::optional<RzxSnapshot> found = FindRzxSnapshot(Span(c.file));
    ASSERT_EQ(found.has_value(), c.kind != ContainerKind::kNone) << c.what;
    if (!found) continue;
    EXPECT_EQ(found->kind, c.kind) << c.what;
    EXPECT_EQ(found->compressed, c.compressed) << c.what;
    EXPECT_EQ(found->length, z80.size()) << c.what;
    const Bytes data(found->data.Peek(0, 1), found->data.Peek(0, 1) + found->data.size());
    EXPECT_EQ(data, c.compressed ? ZlibStream(z80) : z80) << c.what;
  }
}

// --- Disk images -----------------------------------------------------------

struct Entry {
  int index;
  std::string name;
  char type;
  bool pastEnd;
  bool operator==(const Entry&) const = default;
};

struct DiskWalk {
  WalkResult result;
  std::vector<Entry> entries;
};

template <typename Walker>
DiskWalk WalkDisk(Walker walker, const Bytes& image, std::vector<Bytes>* hobetaFiles = nullptr) {
  DiskWalk walk{WalkResult::kBroken, {}};
  std::vector<uint8_t> area(kLargestDiskEntryFile);
  walk.result = walker(Span(image), [&](const DiskEntry& entry) {
    walk.entries.push_back({entry.index, std::string(entry.Name()), entry.type, entry.pastEnd});
    const ByteSpan file = AssembleHobetaFile(entry, MutableByteSpan(area.data(), area.size()));
    EXPECT_EQ(file.size() == 0, entry.pastEnd);
    if (hobetaFiles != nullptr) hobetaFiles->emplace_back(area.data(), area.data() + file.size());
    return true;
  });
  return walk;
}

HobetaFields FieldsOf(const DiskFile& file) {
  HobetaFields fields;
  for (size_t i = 0; i < 8; ++i) fields.name[i] = i < file.name.size() ? file.name[i] : ' ';
  fields.type = file.type;
  fields.start = file.start;
  return fields;
}

TEST(DiskImages, EntriesBecomeHobetaFiles) {
  const std::vector<DiskFile> files = {
      {"LOGO", 'C', Marked(1), 0x4000}, {"GONE", 'C', Marked(2, 300), 0x4000, 1},
      {"TITLE 2", 'S', Marked(3, 6144), 0x6000}, {"CUT", 'C', Marked(4, 6912), 0x4000}};
  const std::vector<Entry> trdEntries = {{0, "LOGO", 'C', false}, {2, "TITLE 2", 'S', false}, {3, "CUT", 'C', true}};
  std::vector<Entry> sclEntries = trdEntries;
  sclEntries.insert(sclEntries.begin() + 1, {1, "\x01ONE", 'C', false});  // SCL reads deleted entries too
  const Bytes trd = TrdImage(files), scl = SclImage(files);

  for (const auto& [name, walker, image, expected] :
       {std::tuple{"TRD", &WalkTrdEntries, Cut(trd, trd.size() - 256), trdEntries},
        std::tuple{"SCL", &WalkSclEntries, Cut(scl, scl.size() - 4 - 256), sclEntries}}) {
    std::vector<Bytes> hobeta;
    const DiskWalk walk = WalkDisk(walker, image, &hobeta);
    EXPECT_EQ(walk.result, WalkResult::kWalked) << name;
    EXPECT_EQ(walk.entries, expected) << name;
    // Each readable entry is exactly the Hobeta file of its data.
    for (size_t k = 0; k < walk.entries.size(); ++k) {
      if (walk.entries[k].pastEnd) continue;
      const DiskFile& file = files[static_cast<size_t>(walk.entries[k].index)];
      HobetaFields fields = FieldsOf(file);
      if (file.firstByte != 0) fields.name[0] = static_cast<char>(file.firstByte);
      EXPECT_EQ(hobeta[k], WrapHobeta(file.data, fields)) << name << " " << walk.entries[k].name;
    }
  }
}

TEST(DiskImages, BrokenStructureGivesNoEntryAtAll) {
  const Bytes trd = TrdImage({{"A", 'C', Marked(1)}, {"B", 'C', Marked(2)}, {"C", 'C', Marked(3)}});
  const Bytes scl = SclImage({{"A", 'C', Marked(1, 256)}, {"B", 'C', Marked(2, 256)}});
  Bytes fullCatalogue(2048, 'x');  // 128 entries, no end mark: every one's sectors past the end
  Bytes sclCountTooLarge = scl;
  sclCountTooLarge[8] = 255;
  struct Case {
    const char* what;
    bool scl;
    Bytes image;
    WalkResult result;
    size_t entries;
  } cases[] = {
      {"TRD empty file", false, {}, WalkResult::kBroken, 0},
      {"TRD ends inside the first entry", false, Cut(trd, 10), WalkResult::kBroken, 0},
      {"TRD ends before the end mark", false, Cut(trd, 48), WalkResult::kBroken, 0},
      {"TRD ends just after the end mark", false, Cut(trd, 49), WalkResult::kWalked, 3},
      {"TRD of 128 entries fills its catalogue", false, fullCatalogue, WalkResult::kWalked, 128},
      {"SCL entry table cut short", true, Cut(scl, 9 + 14 + 13), WalkResult::kBroken, 0},
      {"SCL count larger than the file", true, sclCountTooLarge, WalkResult::kBroken, 0},
      {"SCL without its signature", true, Concat({{'S', 'I', 'N', 'C', 'L', 'A', 'I', 'r'}, Bytes(scl.begin() + 8, scl.end())}),
       WalkResult::kBroken, 0},
      {"SCL with no entries", true, {'S', 'I', 'N', 'C', 'L', 'A', 'I', 'R', 0}, WalkResult::kWalked, 0},
  };
  for (const Case& c : cases) {
    const DiskWalk walk = c.scl ? WalkDisk(WalkSclEntries, c.image) : WalkDisk(WalkTrdEntries, c.image);
    EXPECT_EQ(walk.result, c.result) << c.what;
    EXPECT_EQ(walk.entries.size(), c.entries) << c.what;
  }
}

TEST(DiskImages, ManyEntriesOnTheSameSectorsStayCheap) {
  // 128 entries of 255 sectors each, all from track 1.
  Bytes image = TrdImage({{"BIG", 'C', Marked(1, 255 * 256)}});
  for (size_t i = 1; i < 128; ++i) std::copy_n(image.begin(), 16, image.begin() + static_cast<long>(16 * i));
  const auto start = std::chrono::steady_clock::now();
  size_t visited = 0;
  EXPECT_EQ(WalkTrdEntries(Span(image), [&](const DiskEntry& entry) { return !entry.pastEnd && ++visited > 0; }),
            WalkResult::kWalked);
  EXPECT_EQ(visited, 128u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace korvel
