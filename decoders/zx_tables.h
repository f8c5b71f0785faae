#pragma once
// Constant tables shared by the screen decoders: the ZX palette, the pixel
// masks, the attribute rule and the display-file row order; and the tables
// and helpers that expand bitmap bytes into pixels eight at a time.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvel {

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;

  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// Selects pixel k of a bitmap byte, counted from the left: bit 7 is leftmost.
inline constexpr uint8_t PixelMasks[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// Index = colour number (bit 0 blue, bit 1 red, bit 2 green), + 8 for bright.
// A lit channel is 0xBF at normal level and 0xFF bright; an unlit one is 0x08
// and 0x20, but black stays 0 at both levels.
inline constexpr Rgb ZxPalette[16] = {
    {0x00, 0x00, 0x00}, {0x08, 0x08, 0xBF}, {0xBF, 0x08, 0x08}, {0xBF, 0x08, 0xBF},
    {0x08, 0xBF, 0x08}, {0x08, 0xBF, 0xBF}, {0xBF, 0xBF, 0x08}, {0xBF, 0xBF, 0xBF},
    {0x00, 0x00, 0x00}, {0x20, 0x20, 0xFF}, {0xFF, 0x20, 0x20}, {0xFF, 0x20, 0xFF},
    {0x20, 0xFF, 0x20}, {0x20, 0xFF, 0xFF}, {0xFF, 0xFF, 0x20}, {0xFF, 0xFF, 0xFF},
};

inline constexpr Rgb RgbWhite = {0xFF, 0xFF, 0xFF};
inline constexpr Rgb RgbBlack = {0x00, 0x00, 0x00};

// Attribute byte: ink in bits 0-2, paper in bits 3-5, bit 6 brightens both,
// bit 7 (flash) swaps them every 16 frames (the default table ignores it).
constexpr uint8_t InkIndex(uint8_t attribute) { return (attribute & 7) | ((attribute >> 3) & 8); }
constexpr uint8_t PaperIndex(uint8_t attribute) { return (attribute >> 3) & 15; }

// Byte offset of pixel row y (0-191) in a bitmap laid out like the display
// file: three blocks of 64 rows; inside a block the 8 lines of a character row
// lie 256 bytes apart and consecutive character rows 32 bytes apart.
constexpr size_t ScreenRowOffset(unsigned y) {
  return 32 * ((y & 0xC0) | ((y & 7) << 3) | ((y >> 3) & 7));
}

inline constexpr size_t kBitmapBytes = 6144;
inline constexpr size_t kStandardScreenBytes = 6912;
inline constexpr uint16_t kScreenWidth = 256;
inline constexpr uint16_t kScreenHeight = 192;
inline constexpr size_t kScreenPixelBytes = size_t{kScreenWidth} * kScreenHeight * 3;

// ---------------------------------------------------------------------------
// Table-driven expansion. Eight pixels take 24 bytes; a bitmap byte chooses,
// byte for byte, between eight paper pixels and eight ink pixels:
// paper ^ ((ink ^ paper) & mask), with the mask taken from a table. Whole
// words are written instead of single bytes, and the output is the same.

// Eight pixels: 24 bytes, red, green, blue each. Tables of them are aligned
// to 32 bytes, so that no load from one crosses a cache line.
struct alignas(32) PixelRun {
  uint8_t bytes[24];
};

// Word w (0 to 2) of the colour eight times over, as a little-endian word:
// r g b r g b r g, then b r g b r g b r, then g b r g b r g b.
constexpr uint64_t RunWord(Rgb colour, int w) {
  static_assert(std::endian::native == std::endian::little, "the words are built little-endian");
  const uint64_t p = colour.red | uint64_t{colour.green} << 8 | uint64_t{colour.blue} << 16;
  switch (w) {
    case 0: return p | p << 24 | p << 48;
    case 1: return p >> 16 | p << 8 | p << 32 | p << 56;
    default: return p >> 8 | p << 16 | p << 40;
  }
}

// The colour eight times over.
constexpr PixelRun RunOf(Rgb colour) {
  PixelRun run = {};
  for (int k = 0; k < 8; ++k) {
    run.bytes[3 * k] = colour.red;
    run.bytes[3 * k + 1] = colour.green;
    run.bytes[3 * k + 2] = colour.blue;
  }
  return run;
}

constexpr PixelRun XorOf(const PixelRun& a, const PixelRun& b) {
  PixelRun run = {};
  for (int i = 0; i < 24; ++i) run.bytes[i] = static_cast<uint8_t>(a.bytes[i] ^ b.bytes[i]);
  return run;
}

// kBitRuns[b]: the three bytes of pixel k are 0xFF where b & PixelMasks[k]
// is set and 0x00 where it is clear.
inline constexpr struct BitRunTable {
  PixelRun runs[256];
  constexpr BitRunTable() : runs() {
    for (int b = 0; b < 256; ++b) {
      for (int k = 0; k < 8; ++k) {
        const uint8_t byte = (b & PixelMasks[k]) != 0 ? 0xFF : 0x00;
        for (int c = 0; c < 3; ++c) runs[b].bytes[3 * k + c] = byte;
      }
    }
  }
} kBitRuns;

// For each attribute byte: paper eight times, and ink XOR paper eight times.
// The default table leaves the flash bit alone; a reading's own tables (for
// another palette or the second FLASH phase) have the same layout.
struct AttributeRuns {
  PixelRun paper;
  PixelRun inkXorPaper;
};

constexpr AttributeRuns RunsOf(Rgb ink, Rgb paper) {
  return {RunOf(paper), XorOf(RunOf(ink), RunOf(paper))};
}

inline constexpr struct AttributeRunTable {
  AttributeRuns runs[256];
  constexpr AttributeRunTable() : runs() {
    for (int a = 0; a < 256; ++a) {
      const uint8_t attribute = static_cast<uint8_t>(a);
      runs[a] = RunsOf(ZxPalette[InkIndex(attribute)], ZxPalette[PaperIndex(attribute)]);
    }
  }
} kAttributeRuns;

// Sixteen bytes as one value, so that the compiler uses whole vector loads
// and stores where the machine has them.
typedef uint8_t Bytes16 __attribute__((vector_size(16)));

inline Bytes16 Load16(const uint8_t* bytes) {
  Bytes16 value;
  memcpy(&value, bytes, sizeof value);
  return value;
}

inline void Store16(uint8_t* out, Bytes16 value) { memcpy(out, &value, sizeof value); }

inline uint64_t Load8(const uint8_t* bytes) {
  uint64_t value;
  memcpy(&value, bytes, sizeof value);
  return value;
}

inline void Store8(uint8_t* out, uint64_t value) { memcpy(out, &value, sizeof value); }

typedef uint64_t Words2 __attribute__((vector_size(16)));

// Two words side by side, the first in the low half; built in registers.
inline Bytes16 Join(uint64_t low, uint64_t high) { return reinterpret_cast<Bytes16>(Words2{low, high}); }

// The eight pixels of bitmap byte `bits` into `out` (24 bytes): paper where
// a bit is clear, ink where it is set.
inline void WriteRun(uint8_t* out, uint8_t bits, const PixelRun& paper, const PixelRun& inkXorPaper) {
  const uint8_t* mask = kBitRuns.runs[bits].bytes;
  Store16(out, Load16(paper.bytes) ^ (Load16(inkXorPaper.bytes) & Load16(mask)));
  Store8(out + 16, Load8(paper.bytes + 16) ^ (Load8(inkXorPaper.bytes + 16) & Load8(mask + 16)));
}

// Writes the eight pixels of one bitmap byte, leftmost first: ink where a bit
// is set, paper where it is clear. `out` receives 24 bytes.
inline void WriteInkPaperByte(uint8_t* out, uint8_t bits, Rgb ink, Rgb paper) {
  // Built in registers: constant colours fold away, and colours that stay
  // the same over a loop are built once.
  const uint8_t* mask = kBitRuns.runs[bits].bytes;
  const Bytes16 paperFirst = Join(RunWord(paper, 0), RunWord(paper, 1));
  const Bytes16 inkFirst = Join(RunWord(ink, 0), RunWord(ink, 1));
  Store16(out, paperFirst ^ ((inkFirst ^ paperFirst) & Load16(mask)));
  const uint64_t paperLast = RunWord(paper, 2);
  Store8(out + 16, paperLast ^ ((RunWord(ink, 2) ^ paperLast) & Load8(mask + 16)));
}

// The same, with ink and paper from a ZX attribute byte through `runs`.
inline void WriteAttributeByte(uint8_t* out, uint8_t bits, uint8_t attribute, const AttributeRuns* runs) {
  WriteRun(out, bits, runs[attribute].paper, runs[attribute].inkXorPaper);
}

// Two runs of eight pixels side by side, 48 bytes, as three vectors.
struct RunPair {
  Bytes16 part[3];
};

inline RunPair PairOf(const PixelRun& left, const PixelRun& right) {
  return {{Load16(left.bytes), Join(Load8(left.bytes + 16), Load8(right.bytes)), Load16(right.bytes + 8)}};
}

// Sixteen pixels from two bitmap bytes, with paper and ink-XOR-paper runs
// already side by side, in registers.
inline RunPair ExpandPair(const RunPair& mask, const RunPair& paper, const RunPair& inkXorPaper) {
  RunPair pixels;
  for (int i = 0; i < 3; ++i) pixels.part[i] = paper.part[i] ^ (inkXorPaper.part[i] & mask.part[i]);
  return pixels;
}

// The set bits of two bitmap bytes as sixteen pixels of 0xFF bytes.
inline RunPair MaskPair(const uint8_t* bits) { return PairOf(kBitRuns.runs[bits[0]], kBitRuns.runs[bits[1]]); }

inline RunPair ExpandPair(const uint8_t* bits, const RunPair& paper, const RunPair& inkXorPaper) {
  return ExpandPair(MaskPair(bits), paper, inkXorPaper);
}

inline void StorePair(uint8_t* out, const RunPair& pixels) {
  for (int i = 0; i < 3; ++i) Store16(out + 16 * i, pixels.part[i]);
}

// The same sixteen pixels stored: three 16-byte stores.
inline void WritePair(uint8_t* out, const uint8_t* bits, const RunPair& paper, const RunPair& inkXorPaper) {
  StorePair(out, ExpandPair(bits, paper, inkXorPaper));
}

// (x + y) / 2 for each byte, the remainder dropped: (x & y) + ((x ^ y) >> 1)
// needs no carry out of eight bits.
inline Bytes16 Average16(Bytes16 x, Bytes16 y) { return (x & y) + ((x ^ y) >> 1); }

inline RunPair AveragePair(const RunPair& x, const RunPair& y) {
  return {{Average16(x.part[0], y.part[0]), Average16(x.part[1], y.part[1]), Average16(x.part[2], y.part[2])}};
}

// A whole 256-pixel row (768 bytes) from 32 bitmap bytes and their 32
// attribute bytes, two at a time.
inline void WriteAttributeRow(uint8_t* out, const uint8_t* bits, const uint8_t* attributes,
                              const AttributeRuns* runs) {
  for (int c = 0; c < 32; c += 2, out += 48) {
    const AttributeRuns& left = runs[attributes[c]];
    const AttributeRuns& right = runs[attributes[c + 1]];
    WritePair(out, bits + c, PairOf(left.paper, right.paper), PairOf(left.inkXorPaper, right.inkXorPaper));
  }
}

// kRedRuns.runs[b]: 0xFF in the red byte of each pixel whose bit is set in b,
// every other byte 0; zero bytes lie before and between the runs. Read one
// or two bytes early, the same run gives the green or the blue bytes.
inline constexpr struct RedRunTable {
  uint8_t before[32];
  PixelRun runs[256];
  constexpr RedRunTable() : before(), runs() {
    for (uint8_t& byte : before) byte = 0;
    for (int b = 0; b < 256; ++b) {
      for (int i = 0; i < 24; ++i) runs[b].bytes[i] = i % 3 == 0 && (b & PixelMasks[i / 3]) != 0 ? 0xFF : 0x00;
    }
  }
} kRedRuns;

// Eight pixels of a three-colour screen from its three bitmap bytes: a set
// bit turns its channel fully on (255), a clear one leaves it 0.
inline void WriteChannelBytes(uint8_t* out, uint8_t red, uint8_t green, uint8_t blue) {
  const uint8_t* runs = kRedRuns.runs[0].bytes;
  const uint8_t* r = runs + sizeof(PixelRun) * red;
  const uint8_t* g = runs + sizeof(PixelRun) * green - 1;
  const uint8_t* b = runs + sizeof(PixelRun) * blue - 2;
  Store16(out, Load16(r) | Load16(g) | Load16(b));
  Store8(out + 16, Load8(r + 16) | Load8(g + 16) | Load8(b + 16));
}

// A whole 256-pixel row (768 bytes) from the row's 32 bytes in each channel
// bitmap. Eight bitmap bytes are read at once, as one little-endian word.
inline void WriteChannelRow(uint8_t* out, const uint8_t* red, const uint8_t* green, const uint8_t* blue) {
  static_assert(std::endian::native == std::endian::little, "byte i of a word is bitmap byte i");
  for (int c = 0; c < 32; c += 8) {
    const uint64_t r = Load8(red + c), g = Load8(green + c), b = Load8(blue + c);
    for (int i = 0; i < 64; i += 8, out += 24) {
      WriteChannelBytes(out, static_cast<uint8_t>(r >> i), static_cast<uint8_t>(g >> i), static_cast<uint8_t>(b >> i));
    }
  }
}

}  // namespace korvel
