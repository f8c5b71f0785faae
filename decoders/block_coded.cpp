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

  unsigned Bits(unsigned count) {
    unsigned value = 0;
    while (count-- > 0) value = value << 1 | Bit();
    return value;
  }

  ByteReader& bytes() { return bytes_; }
  bool failed() const { return bytes_.failed(); }

 private:
  ByteReader bytes_;
  unsigned position_ = 8;
  uint8_t current_ = 0;
};

// Colour values: bit 0 blue, bit 1 red, bit 2 green, each at full intensity.
void WriteColour(uint8_t* pixel, unsigned value) {
  pixel[0] = (value & 2) != 0 ? 255 : 0;
  pixel[1] = (value & 4) != 0 ? 255 : 0;
  pixel[2] = (value & 1) != 0 ? 255 : 0;
}

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
      for (unsigned r = 0; r < 8; ++r, planes += 3) {
        for (unsigned k = 0; k < 8; ++k) {
          const uint8_t mask = PixelMasks[k];
          const unsigned value = ((planes[0] & mask) != 0 ? 2 : 0) | ((planes[1] & mask) != 0 ? 4 : 0) |
                                 ((planes[2] & mask) != 0 ? 1 : 0);
          WriteColour(corner + 3 * (256 * r + k), value);
        }
      }
      continue;
    }
    if (code == 1) {
      code = previousCode;
    } else {
      ReadColourList(bits, list, code - 1);
    }
    for (unsigned p = 0; p < 64; ++p) {
      WriteColour(corner + 3 * (256 * (p / 8) + p % 8), list.entries[ReadIndex(bits, code)]);
    }
    previousCode = code;
  }
  if (bits.failed()) {
    ReleasePicture(picture);
    return nullptr;
  }
  return picture;
}

}  // namespace korvel
