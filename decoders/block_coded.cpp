#include "decoders/block_coded.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

// Bits are taken most significant first; a byte is loaded only when a bit of
// it is needed. Raw blocks take whole bytes from the same cursor, after the
// last byte that bits came from, while the rest of the current byte stays in
// use for the codes that follow.
class BitReader {
 public:
  explicit BitReader(ByteSpan stream) : bytes_(stream) {}

  unsigned Bit() {
    if (position_ == 8) {
      current_ = bytes_.Byte();
      position_ = 0;
    }
    return (current_ >> (7 - position_++)) & 1;
  }

  // As many bits of the current byte at once as the count asks for.
  unsigned Bits(unsigned count) {
    unsigned value = 0;
    while (count > 0) {
      if (position_ == 8) {
        current_ = bytes_.Byte();
        position_ = 0;
      }
      const unsigned take = count < 8 - position_ ? count : 8 - position_;
      value = value << take | ((current_ >> (8 - position_ - take)) & ((1u << take) - 1));
      position_ += take;
      count -= take;
    }
    return value;
  }

  ByteReader& bytes() { return bytes_; }
  bool failed() const { return bytes_.failed(); }

 private:
  ByteReader bytes_;
  unsigned position_ = 8;
  uint8_t current_ = 0;
};

struct ColourList {
  uint8_t entries[6];
};

// Stored in reverse: the first value read is the last entry.
void ReadColourList(BitReader& bits, ColourList& list, unsigned count) {
  for (unsigned i = count; i-- > 0;) list.entries[i] = static_cast<uint8_t>(bits.Bits(3));
}

unsigned ReadIndex(BitReader& bits, unsigned code) {
  switch (code) {
    case 2: return 0;
    case 3: return bits.Bit();
    case 4: return bits.Bit() == 0 ? 0 : 1 + bits.Bit();
    case 5: return bits.Bits(2);
    case 6: {
      const unsigned t = bits.Bits(2);
      return t == 3 ? 3 + bits.Bit() : t;
    }
    default: {  // 7
      const unsigned t = bits.Bits(2);
      return t >= 2 ? 2 * t + bits.Bit() - 2 : t;
    }
  }
}

}  // namespace

constexpr size_t kRowBytes = 3 * size_t{kScreenWidth};

Picture* DecodeBlockCodedScreen(ByteSpan data) {
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  BitReader bits(data);
  // A repeat before any list-coded block repeats a one-colour block of black,
  // reading no index bits.
  unsigned previousCode = 2;
  ColourList list = {};
  for (unsigned block = 0; block < 768 && !bits.failed(); ++block) {
    uint8_t* corner = picture->pixels + 3 * (256 * 8 * (block / 32) + 8 * (block % 32));
    unsigned code = bits.Bits(3);
    if (code == 0) {
      const uint8_t* planes = bits.bytes().Block(24);
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
    return nullptr;
  }
  return picture;
}

}  // namespace korvel
