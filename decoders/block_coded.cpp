#include "decoders/block_coded.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

// Bits are taken most significant first. Raw blocks take whole bytes from
// the same stream: from the byte after the last byte that bits came from,
// while the rest of that byte stays in use for the codes that follow.
//
// The reader keeps up to 64 bits ahead in a window, so that a code can be
// looked at before it is taken. Bytes in the window that no bit has been
// taken from yet are handed back when a raw block takes its bytes, and a
// read fails only when a bit is taken that the stream does not hold.
class BitReader {
 public:
  explicit BitReader(ByteSpan stream) : stream_(stream) {}

  // The next `count` (at most 32) bits without taking them; bits past the
  // end of the stream read 0.
  unsigned Peek(unsigned count) {
    if (available_ < count) Refill();
    return static_cast<unsigned>(window_ >> (64 - count));
  }

  void Skip(unsigned count) {
    if (available_ < count) Refill();
    if (available_ < count) {
      failed_ = true;
      window_ = 0;
      available_ = 0;
      return;
    }
    window_ <<= count;
    available_ -= count;
  }

  unsigned Bits(unsigned count) {
    const unsigned value = Peek(count);
    Skip(count);
    return value;
  }

  // `count` whole bytes at the byte cursor, or null (and failed).
  const uint8_t* Bytes(size_t count) {
    const size_t cursor = next_ - available_ / 8;  // hand back untouched bytes
    const uint8_t* bytes = stream_.Peek(cursor, count);
    if (bytes == nullptr) {
      failed_ = true;
      return nullptr;
    }
    const unsigned partial = available_ % 8;
    window_ = partial == 0 ? 0 : window_ & ~(~uint64_t{0} >> partial);
    available_ = partial;
    next_ = cursor + count;
    return bytes;
  }

  bool failed() const { return failed_; }

 private:
  void Refill() {
    // Whole bytes up to a full window, from one big-endian word where the
    // stream holds eight more bytes; the bits below them stay 0.
    if (const uint8_t* word = stream_.Peek(next_, 8); word != nullptr) {
      uint64_t ahead = 0;
      for (int i = 0; i < 8; ++i) ahead = ahead << 8 | word[i];
      const unsigned bytes = (64 - available_) / 8;
      if (bytes == 8) {
        window_ = ahead;
      } else {
        window_ |= ahead >> (64 - 8 * bytes) << (64 - 8 * bytes - available_);
      }
      available_ += 8 * bytes;
      next_ += bytes;
      return;
    }
    while (available_ <= 56) {
      const uint8_t* byte = stream_.Peek(next_, 1);
      if (byte == nullptr) return;
      window_ |= uint64_t{*byte} << (56 - available_);
      available_ += 8;
      ++next_;
    }
  }

  ByteSpan stream_;
  size_t next_ = 0;        // the first stream byte not yet in the window
  uint64_t window_ = 0;    // the bits ahead, the next one in bit 63
  unsigned available_ = 0; // how many bits of the window are valid
  bool failed_ = false;
};

struct ColourList {
  uint8_t entries[6];
};

// Stored in reverse: the first value read is the last entry.
void ReadColourList(BitReader& bits, ColourList& list, unsigned count) {
  for (unsigned i = count; i-- > 0;) list.entries[i] = static_cast<uint8_t>(bits.Bits(3));
}

// The colour index codes of each block code, looked up by the next three
// bits: the index and the number of bits its code takes.
//   code 3: 0 1            code 4: 0 10 11       code 5: 00 01 10 11
//   code 6: 00 01 10 110 111                     code 7: 00 01 100 101 110 111
struct IndexCode {
  uint8_t index;
  uint8_t bits;
};

constexpr IndexCode kIndexCodes[8][8] = {
    {}, {}, {},
    {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}},
    {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 2}, {1, 2}, {2, 2}, {2, 2}},
    {{0, 2}, {0, 2}, {1, 2}, {1, 2}, {2, 2}, {2, 2}, {3, 2}, {3, 2}},
    {{0, 2}, {0, 2}, {1, 2}, {1, 2}, {2, 2}, {2, 2}, {3, 3}, {4, 3}},
    {{0, 2}, {0, 2}, {1, 2}, {1, 2}, {2, 3}, {3, 3}, {4, 3}, {5, 3}},
};

// Several index codes per lookup: for each block code from 4 to 7 and each
// value of the next ten bits, the codes that lie whole in those bits (at
// most eight), how many bits they take, and their indexes as three bit
// planes, the first code in the highest bit.
constexpr unsigned kLookaheadBits = 10;

struct IndexRun {
  uint8_t bits = 0;
  uint8_t count = 0;
  uint8_t planes[3] = {};  // bit 0, 1 and 2 of each index
};

inline constexpr struct IndexRunTable {
  IndexRun runs[4][1 << kLookaheadBits];
  constexpr IndexRunTable() : runs() {
    for (unsigned code = 4; code < 8; ++code) {
      for (unsigned value = 0; value < (1u << kLookaheadBits); ++value) {
        IndexRun& run = runs[code - 4][value];
        while (run.count < 8) {
          // The next three bits, zero-filled past the ten: a code shorter
          // than the bits left is decided by them alone.
          const unsigned left = kLookaheadBits - run.bits;
          const unsigned next = (left >= 3 ? value >> (left - 3) : value << (3 - left)) & 7;
          const IndexCode& entry = kIndexCodes[code][next];
          if (entry.bits > left) break;
          for (unsigned plane = 0; plane < 3; ++plane) {
            run.planes[plane] = static_cast<uint8_t>(run.planes[plane] << 1 | (entry.index >> plane & 1));
          }
          run.bits = static_cast<uint8_t>(run.bits + entry.bits);
          ++run.count;
        }
      }
    }
  }
} kIndexRuns;

// The index of each of a block's 64 pixels as three bit planes, pixel 0
// (top left) in bit 63 and each line of eight in one byte.
struct IndexPlanes {
  uint64_t bit[3] = {};

  void Append(unsigned count, unsigned plane0, unsigned plane1, unsigned plane2) {
    bit[0] = bit[0] << count | plane0;
    bit[1] = bit[1] << count | plane1;
    bit[2] = bit[2] << count | plane2;
  }
};

IndexPlanes ReadIndexes(BitReader& bits, unsigned code) {
  IndexPlanes planes;
  for (unsigned pixels = 0; pixels < 64;) {
    const IndexRun& run = kIndexRuns.runs[code - 4][bits.Peek(kLookaheadBits)];
    if (run.count <= 64 - pixels) {
      bits.Skip(run.bits);
      planes.Append(run.count, run.planes[0], run.planes[1], run.planes[2]);
      pixels += run.count;
    } else {
      // The block ends inside this run: its last codes one at a time.
      const IndexCode& entry = kIndexCodes[code][bits.Peek(3)];
      bits.Skip(entry.bits);
      planes.Append(1, entry.index & 1, entry.index >> 1 & 1, entry.index >> 2 & 1);
      ++pixels;
    }
    if (bits.failed()) break;
  }
  return planes;
}

// The pixels of index `i`, as a 64-bit mask.
uint64_t PixelsOfIndex(const IndexPlanes& planes, unsigned i) {
  uint64_t pixels = ~uint64_t{0};
  for (unsigned b = 0; b < 3; ++b) pixels &= (i >> b & 1) != 0 ? planes.bit[b] : ~planes.bit[b];
  return pixels;
}

}  // namespace

constexpr size_t kRowBytes = 3 * size_t{kScreenWidth};

Picture* DecodeBlockCodedScreen(ByteSpan data) { return ReadBlockCodedScreen(data).picture; }

DecodeResult ReadBlockCodedScreen(ByteSpan data) {
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return Decoded(nullptr);

  BitReader bits(data);
  // A repeat before any list-coded block repeats a one-colour block of black,
  // reading no index bits.
  unsigned previousCode = 2;
  ColourList list = {};
  for (unsigned block = 0; block < 768 && !bits.failed(); ++block) {
    uint8_t* corner = picture->pixels + 3 * (256 * 8 * (block / 32) + 8 * (block % 32));
    unsigned code = bits.Bits(3);
    if (code == 0) {
      const uint8_t* planes = bits.Bytes(24);
      if (planes == nullptr) break;
      // The planes are red, green, blue bitmap bytes: eight pixels at a time.
      for (unsigned r = 0; r < 8; ++r, planes += 3) {
        WriteChannelBytes(corner + kRowBytes * r, planes[0], planes[1], planes[2]);
      }
      continue;
    }
    if (code == 1) {
      code = previousCode;
    } else {
      ReadColourList(bits, list, code - 1);
    }
    previousCode = code;
    // Code 2 gives every pixel index 0, code 3 one bit each, codes 4 to 7
    // the variable-length codes; then each channel's plane is gathered from
    // the pixels of the indexes whose colour lights it (bit 0 blue, bit 1
    // red, bit 2 green) and the lines are written from tables.
    IndexPlanes planes;
    if (code == 3) {
      const uint64_t high = bits.Bits(32);
      planes.bit[0] = high << 32 | bits.Bits(32);
    } else if (code >= 4) {
      planes = ReadIndexes(bits, code);
    }
    uint64_t red = 0, green = 0, blue = 0;
    for (unsigned i = 0; i < code - 1; ++i) {
      const uint64_t pixels = PixelsOfIndex(planes, i);
      const unsigned colour = list.entries[i];
      red |= (colour & 2) != 0 ? pixels : 0;
      green |= (colour & 4) != 0 ? pixels : 0;
      blue |= (colour & 1) != 0 ? pixels : 0;
    }
    for (unsigned r = 0; r < 8; ++r) {
      const unsigned shift = 56 - 8 * r;
      WriteChannelBytes(corner + kRowBytes * r, static_cast<uint8_t>(red >> shift),
                        static_cast<uint8_t>(green >> shift), static_cast<uint8_t>(blue >> shift));
    }
  }
  if (bits.failed()) {
    ReleasePicture(picture);
    return NotThisForm();
  }
  return Decoded(picture);
}

}  // namespace korvel
