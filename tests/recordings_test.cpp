// Tape recordings: the standard loader's blocks found in pulses (each
// timing's bounds, the tape's own speed, pulses looked at again), CSW and
// WAV files of synthesised signals with their headers, chunks, damage and
// hostile contents, and the same reading from memory and in pieces.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/csw.h"
#include "containers/tape_signal.h"
#include "containers/wav.h"
#include "plugin/load.h"
#include "plugin/reading.h"
#include "tests/support/recording_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using namespace korvel::testing;

Pulses Join(std::initializer_list<Pulses> parts) {
  Pulses all;
  for (const Pulses& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Pulses Repeat(uint32_t pulse, size_t count) { return Pulses(count, pulse); }

// Two pulses a bit, at the nominal timings.
Pulses Bits(const std::string& bits) {
  Pulses pulses;
  for (char bit : bits) pulses.insert(pulses.end(), 2, bit == '1' ? 1710 : 855);
  return pulses;
}

const Pulses kSync = {667, 735};

// --- The signal -------------------------------------------------------------

struct Found {
  size_t size;
  bool checksumHolds;
  Bytes start;
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
  out << f.size << (f.checksumHolds ? " ok" : " bad") << " [";
  for (uint8_t byte : f.start) out << int{byte} << ' ';
  return out << ']';
}

// The blocks in pulses of a recording at 3 500 000 samples a second, where a
// sample is a T-state.
std::vector<Found> Blocks(const Pulses& pulses) {
  TapeSignalDecoder decoder(3500000);
  std::vector<Found> found;
  auto take = [&] {
    const RecordedBlock block = decoder.Block();
    found.push_back({block.size, block.checksumHolds, Bytes(block.start.Peek(0, block.start.size()),
                                                           block.start.Peek(0, block.start.size()) + block.start.size())});
  };
  for (uint32_t pulse : pulses) {
    if (decoder.Pulse(pulse)) take();
  }
  if (decoder.End()) take();
  return found;
}

Pulses Scaled(const Pulses& pulses, double factor) {
  Pulses scaled;
  for (uint32_t pulse : pulses) scaled.push_back(static_cast<uint32_t>(pulse * factor + 0.5));
  return scaled;
}

TEST(TapeSignal, BlocksFoundByTheLoadersTimings) {
  const Bytes block = TapeBlock(0xFF, {1, 2, 3});
  const Found nominal = {5, true, block};
  const Found byte6f = {1, false, {0x6F}};
  const Pulses pilot = Repeat(2168, 256);
  struct Case {
    const char* what;
    Pulses pulses;
    std::vector<Found> blocks;
  } cases[] = {
      {"a block at the nominal timings", Join({BlockPulses(block), {3500000}}), {nominal}},
      {"256 pilot pulses are enough", Join({pilot, kSync, Bits("01101111"), {9999}}), {byte6f}},
      {"255 are not", Join({Repeat(2168, 255), kSync, Bits("01101111"), {9999}}), {}},
      {"pilot pulses of 1500 and 3000 T", Join({Repeat(1500, 128), Repeat(3000, 128), kSync, Bits("01101111")}),
       {byte6f}},
      {"a pulse of 1499 T breaks the pilot", Join({pilot, {1499}, Repeat(2168, 255), kSync, Bits("01101111")}), {}},
      {"so does one of 3001 T", Join({pilot, {3001}, Repeat(2168, 255), kSync, Bits("01101111")}), {}},
      {"sync pulses of 200 and 1100 T", Join({pilot, {200, 1100}, Bits("01101111")}), {byte6f}},
      {"a sync pulse of 199 T", Join({pilot, {199, 735}, Bits("01101111")}), {}},
      {"a sync pulse of 1101 T", Join({pilot, {667, 1101}, Bits("01101111")}), {}},
      // Pairs of 1000 and 2564 T are 0 bits, 2565 and 4000 T 1 bits.
      {"the bounds of a bit", Join({pilot, kSync, {500, 500, 2000, 2000, 1282, 1283, 1282, 1282}, Bits("1111")}),
       {byte6f}},
      {"a pair of 999 T ends the block", Join({pilot, kSync, Bits("01101111"), {499, 500}, Bits("11111111")}),
       {byte6f}},
      {"a pair of 4001 T ends the block", Join({pilot, kSync, Bits("01101111"), {2000, 2001}, Bits("11111111")}),
       {byte6f}},
      {"an unfinished last byte is dropped", Join({pilot, kSync, Bits("011011111010")}), {byte6f}},
      {"a block of no whole byte is no block", Join({pilot, kSync, Bits("0110111")}), {}},
      {"the recording ends between the pulses of a bit", Join({pilot, kSync, Bits("01101111"), {855}}), {byte6f}},
      // After a failed sync the second pulse counts as a pilot pulse again.
      {"a failed sync's second pulse is looked at again",
       Join({pilot, {5000, 2168}, Repeat(2168, 255), kSync, Bits("01101111")}), {byte6f}},
      {"a failed sync's second pulse that is no pilot pulse",
       Join({pilot, {5000, 5000}, Repeat(2168, 255), kSync, Bits("01101111")}), {}},
      // The pair that ends a block begins the next pilot.
      {"the pair that ends a block is looked at again",
       Join({pilot, kSync, Bits("01101111"), {2168, 2168}, Repeat(2168, 254), kSync, Bits("01101111")}),
       {byte6f, byte6f}},
      {"the pair's first pulse only",
       Join({pilot, kSync, Bits("01101111"), {5000, 2168}, Repeat(2168, 254), kSync, Bits("01101111")}), {byte6f}},
  };
  for (const Case& c : cases) EXPECT_EQ(Blocks(c.pulses), c.blocks) << c.what;

  // Everything after the pilot is timed by the pilot: the tape may run fast
  // or slow as long as its pilot stays within 1500 to 3000 T.
  for (double factor : {0.7, 0.9, 1.1, 1.38}) {
    EXPECT_EQ(Blocks(Scaled(Join({BlockPulses(block), {3500000}}), factor)), std::vector<Found>{nominal}) << factor;
  }
  EXPECT_EQ(Blocks(Scaled(BlockPulses(block), 0.69)), std::vector<Found>{}) << "pilot of 1496 T";
}

TEST(TapeSignal, ALongBlockKeepsItsStartItsLengthAndItsChecksum) {
  Bytes data(20000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + i / 777);
  const Bytes block = TapeBlock(0xFF, data);
  const std::vector<Found> found = Blocks(BlockPulses(block));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].size, block.size());
  EXPECT_TRUE(found[0].checksumHolds);
  EXPECT_EQ(found[0].start, Bytes(block.begin(), block.begin() + TapeScreenFinder::kBlockBytesLookedAt));
}

// --- Recordings -------------------------------------------------------------

// `size` bytes telling themselves apart by `marker` at 0.
Bytes Marked(uint8_t marker, size_t size = 6912) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + marker + i / 300);
  data[0] = marker;
  return data;
}

// A loader's tape: a program, then screens saved as code after their headers.
std::vector<Bytes> TapeOfScreens(std::initializer_list<uint8_t> markers) {
  std::vector<Bytes> blocks = {TapeHeader(0, "loader", 4, 10), TapeBlock(0xFF, {0, 10, 0, 0})};
  for (uint8_t marker : markers) {
    blocks.push_back(TapeHeader(3, "screen", 6912, 16384));
    blocks.push_back(TapeBlock(0xFF, Marked(marker)));
  }
  return blocks;
}

struct Walked {
  WalkResult result;
  std::vector<uint8_t> markers;  // first byte of each screen, in order
  bool operator==(const Walked&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Walked& w) {
  out << "result " << static_cast<int>(w.result) << " screens";
  for (uint8_t marker : w.markers) out << ' ' << int{marker};
  return out;
}

WalkResult WalkStream(ContainerKind kind, ByteStream& stream, ScreenVisitor visit) {
  uint8_t csw[kCswWorkAreaBytes];
  return kind == ContainerKind::kCsw ? WalkCswScreens(stream, MutableByteSpan(csw, sizeof csw), visit)
                                     : WalkWavScreens(stream, visit);
}

// Pieces of a file in memory, no more than a window at a time.
struct MemoryPieces {
  const Bytes* file;
  size_t largestRead = 0;
  static bool Read(void* context, uint64_t offset, uint8_t* into, size_t count) {
    auto* self = static_cast<MemoryPieces*>(context);
    EXPECT_LE(offset + count, self->file->size());
    memcpy(into, self->file->data() + offset, count);
    self->largestRead = std::max(self->largestRead, count);
    return true;
  }
};

// The recording read in memory, and in pieces through windows of a few
// sizes, which must find the same.
Walked Walk(ContainerKind kind, const Bytes& file) {
  auto walk = [&](ByteStream& stream) {
    Walked walked{WalkResult::kBroken, {}};
    walked.result = WalkStream(kind, stream, [&](const ContainerScreen& screen) {
      EXPECT_EQ(screen.number, static_cast<int>(walked.markers.size()) + 1);
      walked.markers.push_back(*screen.bytes.Peek(0, 1));
      return true;
    });
    return walked;
  };
  ByteStream inMemory(ByteSpan(file.data(), file.size()));
  const Walked whole = walk(inMemory);
  for (size_t windowSize : {64, 4099}) {
    MemoryPieces pieces{&file};
    std::vector<uint8_t> window(windowSize);
    ByteStream stream(PieceSource{file.size(), MemoryPieces::Read, &pieces},
                      MutableByteSpan(window.data(), window.size()));
    EXPECT_EQ(walk(stream), whole) << "in pieces of " << windowSize;
    EXPECT_LE(pieces.largestRead, windowSize);
  }
  return whole;
}

const Walked kNoPicture = {WalkResult::kBroken, {}};

Walked Screens(std::vector<uint8_t> markers) { return {WalkResult::kWalked, std::move(markers)}; }

Bytes Cut(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

TEST(Recordings, CswVersionsAndTheirHeaders) {
  const Pulses tape = SamplePulses(TapePulses(TapeOfScreens({1, 2})), {44100});
  const Bytes plain = CswFile(tape, {2, false});
  const Bytes packed = CswFile(tape, {2, true});
  auto with = [](Bytes file, size_t offset, uint8_t value) {
    file[offset] = value;
    return file;
  };
  // The zlib stream broken past the first screen: the pulses before stand.
  Bytes broken = packed;
  for (size_t i = broken.size() * 3 / 4; i < broken.size(); ++i) broken[i] ^= 0x55;
  struct Case {
    const char* what;
    Bytes file;
    Walked walked;
  } cases[] = {
      {"version 1", CswFile(tape, {1, false, 44100}), Screens({1, 2})},
      {"version 2, run-length", plain, Screens({1, 2})},
      {"version 2, zlib", packed, Screens({1, 2})},
      {"version 2 with a header extension", CswFile(tape, {2, true, 44100, Bytes(200, 0xEE)}), Screens({1, 2})},
      {"a sample rate above 65535", CswFile(SamplePulses(TapePulses(TapeOfScreens({3})), {250000}), {2, true, 250000}),
       Screens({3})},
      {"version 3", with(plain, 0x17, 3), kNoPicture},
      {"version 1, compression 2", with(CswFile(tape, {1, false}), 0x1B, 2), kNoPicture},
      {"version 2, compression 3", with(plain, 0x21, 3), kNoPicture},
      {"a sample rate of 0", CswFile(tape, {2, true, 0}), kNoPicture},
      {"another signature", with(plain, 0, 'c'), kNoPicture},
      {"a header cut short", Cut(plain, 0x30), kNoPicture},
      {"an extension past the end", Cut(with(plain, 0x23, 255), 0x40), kNoPicture},
      {"a zlib stream broken after the first screen", broken, Screens({1})},
      {"a zlib stream cut after the first screen", Cut(packed, packed.size() * 3 / 4), Screens({1})},
      {"a pulse length cut after its 0 byte", Cut(CswFile(Join({tape, {0}}), {2, false}), plain.size() + 3),
       Screens({1, 2})},
      {"no pulses", CswFile({}, {2, true}), Screens({})},
  };
  for (const Case& c : cases) EXPECT_EQ(Walk(ContainerKind::kCsw, c.file), c.walked) << c.what;
}

TEST(Recordings, WavSignalsAsRecordersMakeThem) {
  const std::vector<Bytes> blocks = TapeOfScreens({1, 2});
  auto wav = [&](const Sampling& sampling, const WavOptions& options) {
    WavOptions o = options;
    o.rate = sampling.rate;
    return WavFile(SamplePulses(TapePulses(blocks), sampling), o);
  };
  struct Case {
    const char* what;
    Sampling sampling;
    WavOptions options;
  } cases[] = {
      {"44.1 kHz, 16 bits", {44100}, {}},
      {"48 kHz, 8 bits", {48000}, {.bits = 8}},
      {"22.05 kHz, stereo, 16 bits", {22050}, {.channels = 2}},
      {"11.025 kHz, 8 bits, stereo", {11025}, {.bits = 8, .channels = 2}},
      {"extensible format", {44100}, {.extensible = true}},
      {"an offset and a quiet signal", {44100}, {.amplitude = 3000, .offset = -9000}},
      {"8 bits with an offset", {22050}, {.bits = 8, .amplitude = 9000, .offset = 8000}},
      {"a little noise", {44100}, {.noise = 1500}},
      {"a tape running 4% fast, drifting 3%", {44100, 1.04, -0.03}, {.noise = 500}},
      {"a tape running 5% slow", {32000, 0.95, 0.02}, {.bits = 8, .channels = 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(Walk(ContainerKind::kWav, wav(c.sampling, c.options)), Screens({1, 2})) << c.what;
}

// A block spoiled by a dropout counts as an empty tape block: the blocks
// around it are read, and it comes between a header and what follows.
TEST(Recordings, ADropoutSpoilsOneBlock) {
  const WavOptions options;
  const Bytes longCode = TapeBlock(0xFF, Marked(9, 9000));
  const std::vector<Bytes> blocks = {TapeBlock(0xFF, Marked(1)), TapeBlock(0xFF, Marked(2)), TapeBlock(0xFF, Marked(3)),
                                     TapeHeader(3, "all", 9000, 16384), TapeBlock(0xFF, {7, 7}), longCode,
                                     TapeHeader(3, "all", 9000, 16384), longCode};
  std::vector<size_t> firstPulses;  // of each block
  Pulses tStates;
  for (const Bytes& block : blocks) {
    firstPulses.push_back(tStates.size());
    const Pulses one = TapePulses({block});
    tStates.insert(tStates.end(), one.begin(), one.end());
  }
  const Pulses pulses = SamplePulses(tStates, {44100});
  const Bytes clean = WavFile(pulses, options);
  const size_t dataStart = clean.size() - WavSamples(pulses, options).size();
  // 60 samples of silence from the start of pulse `pulse` of block `block`.
  auto spoiled = [&](size_t block, size_t pulse) {
    size_t sample = options.leadIn;
    for (size_t i = 0; i < firstPulses[block] + pulse; ++i) sample += pulses[i];
    Bytes file = clean;
    std::fill_n(file.begin() + static_cast<long>(dataStart + 2 * sample), 2 * 60, 0);
    return file;
  };
  const size_t data = 3223 + 2;  // the first data pulse of a flag-0xFF block
  EXPECT_EQ(Walk(ContainerKind::kWav, clean), Screens({1, 2, 3, 9}));
  EXPECT_EQ(Walk(ContainerKind::kWav, spoiled(1, data + 40000)), Screens({1, 3, 9})) << "in a screen's data";
  // Were the spoiled block between the first header and its long block left
  // out, that long block would be a screen too.
  EXPECT_EQ(Walk(ContainerKind::kWav, spoiled(4, data + 20)), Screens({1, 2, 3, 9})) << "between header and data";
  EXPECT_EQ(Walk(ContainerKind::kWav, spoiled(0, 100)), Screens({1, 2, 3, 9})) << "early in a pilot: still read";
}

TEST(Recordings, WavChunks) {
  const WavOptions options;
  const Bytes format = RiffChunk("fmt ", WavFormatBody(options));
  const Bytes samples = WavSamples(SamplePulses(TapePulses(TapeOfScreens({1})), {44100}), options);
  const Bytes data = RiffChunk("data", samples);
  const Bytes note = RiffChunk("LIST", {'I', 'N', 'F', 'O', 'x'});  // odd: a pad byte follows
  auto format16 = [&](size_t offset, unsigned value) {
    Bytes body = WavFormatBody(options);
    body[offset] = static_cast<uint8_t>(value);
    body[offset + 1] = static_cast<uint8_t>(value >> 8);
    return RiffChunk("fmt ", body);
  };
  Bytes extensibleOther = WavFormatBody({.extensible = true});
  extensibleOther[24] = 3;  // a float sub-format
  Bytes notWave = RiffWave({format, data});
  notWave[8] = 'A';
  struct Case {
    const char* what;
    Bytes file;
    Walked walked;
  } cases[] = {
      {"chunks before, between and after, one of odd length", RiffWave({note, format, note, data, note}), Screens({1})},
      {"a second format chunk is stepped over", RiffWave({format, format16(0, 3), data}), Screens({1})},
      {"streamed: a data length of 0", RiffWave({format, RiffChunk("data", samples, 0)}), Screens({1})},
      {"streamed: a data length of 0xFFFFFFFF", RiffWave({format, RiffChunk("data", samples, 0xFFFFFFFF)}),
       Screens({1})},
      {"cut inside the screen's block", Cut(RiffWave({format, data}), 60 + samples.size() / 2), Screens({})},
      {"the format after the data", RiffWave({data, format}), kNoPicture},
      {"no format", RiffWave({note, data}), kNoPicture},
      {"no data", RiffWave({format, note}), kNoPicture},
      {"a chunk before the data running past the end", RiffWave({format, RiffChunk("LIST", {1, 2}, 1000), data}),
       kNoPicture},
      {"a format body of 14 bytes", RiffWave({RiffChunk("fmt ", Cut(WavFormatBody(options), 14)), data}),
       kNoPicture},
      {"an extensible body of 24 bytes", RiffWave({RiffChunk("fmt ", Cut(WavFormatBody({.extensible = true}), 24)), data}),
       kNoPicture},
      {"an extensible sub-format that is not PCM", RiffWave({RiffChunk("fmt ", extensibleOther), data}), kNoPicture},
      {"format 3", RiffWave({format16(0, 3), data}), kNoPicture},
      {"no channels", RiffWave({format16(2, 0), data}), kNoPicture},
      {"a sample rate of 0", RiffWave({format16(4, 0), data}), kNoPicture},
      {"24 bits", RiffWave({format16(14, 24), data}), kNoPicture},
      {"a block alignment of 4 for one channel", RiffWave({format16(12, 4), data}), kNoPicture},
      {"not WAVE", notWave, kNoPicture},
  };
  for (const Case& c : cases) EXPECT_EQ(Walk(ContainerKind::kWav, c.file), c.walked) << c.what;
}

TEST(Recordings, HostileSignalsGiveNothingInLinearTime) {
  Bytes noise(8 << 20);
  uint32_t state = 1;
  for (uint8_t& byte : noise) byte = static_cast<uint8_t>((state = state * 1664525 + 1013904223) >> 24);
  Bytes noiseWav = RiffWave({RiffChunk("fmt ", WavFormatBody({.bits = 8})), RiffChunk("data", noise)});
  Bytes silence = RiffWave({RiffChunk("fmt ", WavFormatBody({})), RiffChunk("data", Bytes(8 << 20, 0))});
  const Bytes huge = Cut(RiffWave({RiffChunk("fmt ", WavFormatBody({})), RiffChunk("data", Bytes(960, 0), 0x7FFFFFF0)}),
                         1024);
  // A pilot tone that never ends, and pulses that would fill a block forever.
  const Bytes endlessPilot = CswFile(Repeat(49, 4 << 20), {2, true, 44100});
  const Bytes endlessBits = CswFile(SamplePulses(Join({Repeat(2168, 300), kSync, Bits(std::string(1 << 20, '1'))}),
                                                 {44100}), {2, true, 44100});
  struct Case {
    const char* what;
    ContainerKind kind;
    const Bytes& file;
    Walked walked;
  } cases[] = {
      {"noise", ContainerKind::kWav, noiseWav, Screens({})},
      {"silence", ContainerKind::kWav, silence, Screens({})},
      {"a 2 GB data chunk in a 1 KB file", ContainerKind::kWav, huge, Screens({})},
      {"endless pilot", ContainerKind::kCsw, endlessPilot, Screens({})},
      {"an endless block", ContainerKind::kCsw, endlessBits, Screens({})},
      {"noise as CSW pulses", ContainerKind::kCsw, CswFile(Pulses(noise.begin(), noise.end()), {1, false}),
       Screens({})},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Walk(c.kind, c.file), c.walked) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.what;
  }
}

// The in-process reading: korvel_extra's steps find recordings by signature
// and name; in pieces the same pictures come out, labelled as a tape's.
TEST(Recordings, ReadAsContainersInMemoryAndInPieces) {
  const Pulses pulses = SamplePulses(TapePulses(TapeOfScreens({1, 2})), {22050});
  const Bytes csw = CswFile(pulses, {2, true, 22050});
  const Bytes wav = WavFile(pulses, {.rate = 22050, .bits = 8});
  struct Case {
    const char* name;
    const Bytes& file;
    const char* formName;
  } cases[] = {
      {"game.csw", csw, "CSW tape recording"},
      {"GAME.BIN", csw, "CSW tape recording"},
      {"game.wav", wav, "WAV tape recording"},
      {"GAME.WAV", wav, "WAV tape recording"},
  };
  using Labels = std::vector<std::string>;
  const FoundItemVisitor collect = [](FoundItem& item, void* labels) {
    static_cast<Labels*>(labels)->push_back(item.label + std::string(":") + item.formName);
    ReleasePicture(item.picture);
    return true;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(LoadBytes(c.file, c.name, kKorvelExtra));
    Labels inMemory, inPieces;
    const FileReading whole = ReadEveryPicture(c.file.data(), c.file.size(), c.name, collect, &inMemory);
    EXPECT_STREQ(whole.formName, c.formName);
    EXPECT_EQ(inMemory, (Labels{"1:standard screen", "2:standard screen"}));
    const ContainerKind kind = RecordingKindOf(ByteSpan(c.file.data(), 64), c.name);
    MemoryPieces pieces{&c.file};
    const FileReading read = ReadEveryRecordingPicture({c.file.size(), MemoryPieces::Read, &pieces}, kind, collect,
                                                       &inPieces);
    EXPECT_STREQ(read.formName, c.formName);
    EXPECT_EQ(inPieces, inMemory);
  }
  EXPECT_EQ(RecordingKindOf(ByteSpan(csw.data(), 64), "x.wav"), ContainerKind::kCsw) << "the signature first";
  EXPECT_EQ(RecordingKindOf(ByteSpan(wav.data(), 64), "x.tap"), ContainerKind::kNone);
  EXPECT_FALSE(LoadBytes(WavFile({}, {}), "empty.wav", kKorvelExtra));
}

#ifdef KORVEL_HOST

// Above 16 MiB the host reads a recording in pieces, up to 1 GiB.
TEST(Recordings, TheHostReadsLongRecordingsInPieces) {
  TemporaryFolder folder;
  const Pulses pulses = SamplePulses(TapePulses(TapeOfScreens({1, 2})), {44100});
  Bytes samples = WavSamples(pulses, {});
  samples.resize((17u << 20), 0);  // silence after the tape, past 16 MiB
  const std::string wav =
      folder.Write("long.WAV", RiffWave({RiffChunk("fmt ", WavFormatBody({})), RiffChunk("data", samples)}));
  const std::string out = folder.path() + "/out";
  auto result = RunKorvel("convert " + ShellQuote(wav) + " -o " + ShellQuote(out));
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_TRUE(std::filesystem::exists(out + "/long.WAV.2.png"));
  const PngImage png = ReadPng(out + "/long.WAV.1.png");
  const PicturePtr expected = LoadBytes(Marked(1), "screen.scr", kKorvelHobeta);
  EXPECT_TRUE(png.width == 256 && std::equal(png.rgb.begin(), png.rgb.end(), expected->pixels));
  auto identify = RunKorvel("identify " + ShellQuote(wav));
  EXPECT_NE(identify.output.find("long.WAV: WAV tape recording, 2 pictures\n"), std::string::npos) << identify.output;
  // The drawing choices hold for it as for any file.
  result = RunKorvel("convert --border small --scale 2 " + ShellQuote(wav) + " -o " + ShellQuote(out + "/drawn"));
  EXPECT_EQ(result.status, 0) << result.output;
  const PngImage drawn = ReadPng(out + "/drawn/long.WAV.1.png");
  EXPECT_TRUE(drawn.width == 576 && drawn.height == 448) << drawn.width << "x" << drawn.height;

  // Larger than 1 GiB: refused unread with a line (sparse files, so nothing
  // is written); other large files are no ZX pictures, as before.
  const std::string cswSignature = "Compressed Square Wave\x1A";
  const std::string big = folder.Write("big.bin", Bytes(cswSignature.begin(), cswSignature.end()));
  const std::string bigWav = folder.Write("big.wav", {});
  const std::string bigOther = folder.Write("big.tap", {});
  std::filesystem::resize_file(big, (1u << 30) + 1);
  std::filesystem::resize_file(bigWav, (1u << 30) + 1);
  std::filesystem::resize_file(bigOther, 17u << 20);
  for (const std::string& file : {big, bigWav}) {
    auto refused = RunKorvel("identify " + ShellQuote(file));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("larger than 1 GiB"), std::string::npos) << refused.output;
  }
  EXPECT_NE(RunKorvel("identify " + ShellQuote(bigOther)).output.find("not a ZX picture"), std::string::npos);
}

#endif  // KORVEL_HOST

}  // namespace
}  // namespace korvel
