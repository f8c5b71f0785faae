#include "bench/bench_inputs.h"

#include <algorithm>
#include <random>

#include "depackers/lcmp5.h"
#include "samples/zx_canvas.h"
#include "tests/support/block_coded_writer.h"
#include "tests/support/hr_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/recording_writer.h"

namespace korvel::bench {

Bytes RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes bytes(count);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
  return bytes;
}

Bytes LandscapeScreen(int variant) { return samples::EncodeStandardScreen(samples::DrawLandscape(variant)); }

Bytes LandscapeMulticolour(int variant) {
  return samples::EncodeMulticolourScreen(samples::DrawLandscape(variant));
}

Bytes LandscapeThreeColour(bool linearRows) {
  const samples::Canvas canvas = samples::DrawLandscape();
  Bytes screen(3 * 6144, 0);
  // Colour number bits: 1 red, 2 green, 0 blue; bitmaps in red, green, blue order.
  const int channelBit[3] = {2, 4, 1};
  for (int y = 0; y < 192; ++y) {
    const size_t row = linearRows ? 32 * static_cast<size_t>(y) : samples::DisplayRowOffset(y);
    for (int x = 0; x < 256; ++x) {
      for (int channel = 0; channel < 3; ++channel) {
        if ((canvas.At(x, y) & channelBit[channel]) != 0) {
          screen[6144 * channel + row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
      }
    }
  }
  return screen;
}

Bytes PaddedTo(Bytes bytes, size_t size) {
  if (bytes.size() < size) bytes.resize(size, 0);
  return bytes;
}

// The stream writers and packers of the tests make the packed inputs.

Bytes BlockCodedLandscape() {
  const samples::Canvas canvas = samples::DrawLandscape();
  std::vector<uint8_t> colours(canvas.colour.size());
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = canvas.colour[i] & 7;
  return testing::EncodeBlockCodedScreen(colours);
}

// ---------------------------------------------------------------------------
// BIT sprite sheet.

Bytes BitSheetLandscape() {
  const Bytes screen = LandscapeScreen();
  constexpr int kSprites = 4, kWidth = 32, kHeight = 6;
  Bytes out(8 + 4 * kSprites, 0);
  out[0] = 'B';
  out[1] = 'I';
  out[2] = 'T';
  out[3] = kSprites;
  for (int s = 0; s < kSprites; ++s) {
    const size_t offset = out.size();
    out[8 + 4 * s] = kWidth;
    out[9 + 4 * s] = kHeight;
    out[10 + 4 * s] = static_cast<uint8_t>(offset);
    out[11 + 4 * s] = static_cast<uint8_t>(0x80 | offset >> 8);  // every cell carries an attribute
    for (int r = 0; r < kHeight; ++r) {
      const int cellRow = kHeight * s + r;
      for (int c = 0; c < kWidth; ++c) {
        const size_t maskAt = out.size();
        out.push_back(0);
        uint8_t running = 0, delta = 0;
        for (int line = 0; line < 8; ++line) {
          const uint8_t wanted = screen[samples::DisplayRowOffset(8 * cellRow + line) + c];
          if ((wanted ^ running) != delta) {
            delta = wanted ^ running;
            out[maskAt] |= static_cast<uint8_t>(1 << line);
            out.push_back(delta);
          }
          running = wanted;
        }
        out.push_back(screen[6144 + 32 * cellRow + c]);
      }
    }
  }
  // The field agrees with the Hobeta length (the data size) less 256.
  const size_t field = out.size() - 256;
  out[4] = static_cast<uint8_t>(field);
  out[5] = static_cast<uint8_t>(field >> 8);
  return out;
}

Bytes PackLcmp5(const Bytes& screen) { return testing::PackLcmp5Screen(screen); }

Bytes PackHr(const Bytes& data) { return testing::PackHr(data); }

std::vector<Bytes> GameTapeBlocks() {
  using namespace testing;
  const Bytes loader = {0x00, 10, 14, 0x00, 0xEF, '"', '"', 0xAA, ':', 0xEF, '"', '"', 0xAF, ':', 0xF9, 0xC0, '0', 0x0D};
  const Bytes code = RandomBytes(38000, 48);
  return {TapeHeader(0, "game", static_cast<uint16_t>(loader.size()), 10), TapeBlock(0xFF, loader),
          TapeHeader(3, "screen", 6912, 16384), TapeBlock(0xFF, LandscapeScreen()),
          TapeHeader(3, "code", static_cast<uint16_t>(code.size()), 24576), TapeBlock(0xFF, code)};
}

namespace {

// The game's pulses at 44.1 kHz, the last one (silence) stretched so that
// the recording lasts `seconds`; when the game takes longer, only its loader
// and its screen.
testing::Pulses GamePulses(double seconds) {
  const auto wanted = static_cast<uint64_t>(seconds * 44100);
  std::vector<Bytes> blocks = GameTapeBlocks();
  testing::Pulses pulses;
  uint64_t samples = 0;
  for (size_t kept = blocks.size(); kept >= 4; kept -= 2) {
    pulses = testing::SamplePulses(testing::TapePulses(std::vector<Bytes>(blocks.begin(), blocks.begin() + kept)),
                                   {44100});
    samples = 0;
    for (uint32_t pulse : pulses) samples += pulse;
    if (samples <= wanted) break;
  }
  if (wanted > samples) pulses.back() += static_cast<uint32_t>(wanted - samples);
  return pulses;
}

}  // namespace

Bytes GameWavRecording(double seconds) { return testing::WavFile(GamePulses(seconds), {.leadIn = 0}); }

Bytes GameCswRecording(double seconds) { return testing::CswFile(GamePulses(seconds), {.rate = 44100}); }

}  // namespace korvel::bench
