#pragma once
// Inputs for the benchmarks: busy pictures drawn by the sample canvas, random
// bytes, and small encoders for the packed and coded formats, so that every
// decoder and depacker runs on data shaped like real files.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::bench {

using Bytes = std::vector<uint8_t>;

// `count` pseudo-random bytes; the same seed gives the same bytes.
Bytes RandomBytes(size_t count, uint32_t seed);

// The landscape (frame `variant`) as a 6912-byte standard screen and as a
// 12288-byte multicolour screen.
Bytes LandscapeScreen(int variant = 0);
Bytes LandscapeMulticolour(int variant = 0);

// The landscape in eight full-intensity colours as three channel bitmaps,
// red, green, blue; rows in display-file order or in plain order.
Bytes LandscapeThreeColour(bool linearRows);

// The landscape as a block-coded stream: one-colour blocks, colour lists and
// repeats where the block allows, raw planes where it has 7 or 8 colours.
Bytes BlockCodedLandscape();

// The landscape cut into four sprites of 32x6 cells, with attributes, as a
// BIT sheet (from the "BIT" signature on).
Bytes BitSheetLandscape();

// A 6912-byte screen packed by a greedy LCMP5 packer (signature included).
Bytes PackLcmp5(const Bytes& screen);

// `data` packed by a greedy HR packer: the packed block that the depacker is
// handed (six final bytes, first flag word, first byte, stream).
Bytes PackHr(const Bytes& data);

// A 48K game as it is saved to tape: a BASIC loader, the landscape as its
// loading screen and 38 000 bytes of code, each block after its header.
std::vector<Bytes> GameTapeBlocks();

// Those blocks as a recording of `seconds` of tape (silence after the
// blocks; a recording shorter than the game holds its loader and screen
// only): a WAV file of 16-bit samples at 44.1 kHz, one channel, and a
// zlib-packed CSW file of the same pulses.
Bytes GameWavRecording(double seconds);
Bytes GameCswRecording(double seconds);

// Zero bytes appended up to `size`, so that a reader handed the whole buffer
// sees what a cleared read buffer holds past the end of a file.
Bytes PaddedTo(Bytes bytes, size_t size);

}  // namespace korvel::bench
