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

unsigned ReadIndex(BitReader& bits, unsigned code) {
  const IndexCode& entry = kIndexCodes[code][bits.Peek(3)];
  bits.Skip(entry.bits);
  return entry.index;
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
    // Colour values: bit 0 blue, bit 1 red, bit 2 green, each at full
    // intensity. Each line of eight pixels is gathered into one bitmap byte
    // per channel, then written from tables. With one index bit per pixel,
    // or none, the 8 bits of a line are its bitmap.
    if (code <= 3) {
      const unsigned zero = list.entries[0], one = code == 3 ? list.entries[1] : zero;
      for (unsigned r = 0; r < 8; ++r) {
        const unsigned line = code == 3 ? bits.Bits(8) : 0;
        auto channel = [&](unsigned bit) {
          return static_cast<uint8_t>(((one >> bit & 1) != 0 ? line : 0) | ((zero >> bit & 1) != 0 ? ~line : 0));
        };
        WriteChannelBytes(corner + kRowBytes * r, channel(1), channel(2), channel(0));
      }
      continue;
    }
    for (unsigned r = 0; r < 8; ++r) {
      unsigned red = 0, green = 0, blue = 0;
      for (unsigned k = 0; k < 8; ++k) {
        const unsigned value = list.entries[ReadIndex(bits, code)];
        red = red << 1 | (value >> 1 & 1);
        green = green << 1 | (value >> 2 & 1);
        blue = blue << 1 | (value & 1);
      }
      WriteChannelBytes(corner + kRowBytes * r, static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                        static_cast<uint8_t>(blue));
    }
  }
  if (bits.failed()) {
    ReleasePicture(picture);
    return NotThisForm();
  }
  return Decoded(picture);
}

}  // namespace korvel
