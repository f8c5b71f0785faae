#include "depackers/lcmp5.h"

#include <cstring>

namespace korvel {

namespace {

// Flag bits, most significant first, from flag bytes taken from the same
// cursor as the data bytes, at the moment their first bit is needed.
class Lcmp5BitReader {
 public:
  explicit Lcmp5BitReader(ByteReader& bytes) : bytes_(bytes) {}

  unsigned Bit() {
    if (position_ == 0) flags_ = bytes_.Byte();
    const unsigned bit = (flags_ >> (7 - position_)) & 1;
    position_ = (position_ + 1) & 7;
    return bit;
  }

 private:
  ByteReader& bytes_;
  unsigned position_ = 0;
  uint8_t flags_ = 0;
};

// A value from 233 to 255: 1 | 0 c0 1 | 0 c0 0 c1 1 | 0 c0 0 c1 0 c2 c3.
unsigned Lcmp5PrefixCode(Lcmp5BitReader& bits) {
  if (bits.Bit() != 0) return 255;
  const unsigned c0 = bits.Bit();
  if (bits.Bit() != 0) return 253 + c0;
  const unsigned c1 = bits.Bit();
  if (bits.Bit() != 0) return 249 + 2 * c0 + c1;
  const unsigned c2 = bits.Bit();
  const unsigned c3 = bits.Bit();
  return 233 + 8 * c0 + 4 * c1 + 2 * c2 + c3;
}

constexpr unsigned kEndCode = 255;

// The length value r; 249 escapes to a byte X giving r = X - 1.
unsigned ReadLengthValue(Lcmp5BitReader& bits, ByteReader& bytes) {
  const unsigned v = Lcmp5PrefixCode(bits);
  if (v == 249) return (bytes.Byte() - 1u) & 0xFF;
  return v >= 250 ? v - 1 : v;
}

class Lcmp5Output {
 public:
  Lcmp5Output(MutableByteSpan output, Lcmp5AddressMap map) : output_(output), map_(map) {}

  // Null when index i maps outside the output.
  uint8_t* At(uint16_t i) const {
    const uint16_t offset = map_.Offset(i);
    return offset < output_.size() ? output_.data() + offset : nullptr;
  }

 private:
  MutableByteSpan output_;
  Lcmp5AddressMap map_;
};

}  // namespace

bool DepackLcmp5(ByteSpan packed, MutableByteSpan output, Lcmp5Variant variant) {
  if (output.size() < kLcmp5OutputBytes) return false;
  output = MutableByteSpan(output.data(), kLcmp5OutputBytes);
  if (variant.presetAttributes) memset(output.data() + 6144, 7, 768);

  ByteReader header(packed, 7);
  const size_t blockLength = header.Byte();
  const size_t modeOffset = variant.modeOffsetWraps ? (8 + blockLength) & 0xFF : 8 + blockLength;
  ByteReader bytes(packed, modeOffset);
  const uint8_t mode = bytes.Byte();
  if (header.failed() || bytes.failed()) return false;

  const Lcmp5AddressMap map = Lcmp5AddressMap::ForMode(mode);
  const Lcmp5Output out(output, map);
  Lcmp5BitReader bits(bytes);
  uint16_t i = map.startIndex;

  uint8_t* first = out.At(i++);
  if (first == nullptr) return false;
  *first = bytes.Byte();
  for (;;) {
    if (bytes.failed()) return false;
    if (bits.Bit() != 0) {
      const uint8_t literal = bytes.Byte();
      uint8_t* target = out.At(i++);
      if (target == nullptr) return false;
      *target = literal;
      continue;
    }
    const unsigned r = ReadLengthValue(bits, bytes);
    if (r == kEndCode) return !bytes.failed();
    const unsigned h = Lcmp5PrefixCode(bits);
    const bool backwards = bits.Bit() != 0;
    const unsigned low = bytes.Byte();
    if (bytes.failed()) return false;
    const unsigned displacement = (65536 - (h * 256 + low)) & 0xFFFF;
    unsigned count = (256 - r) & 0xFF;
    if (displacement > 768) count = (count + 1) & 0xFF;
    if (count == 0) count = 256;

    uint16_t s = static_cast<uint16_t>(i - displacement);
    while (count-- > 0) {
      const uint8_t* source = out.At(s);
      uint8_t* target = out.At(i++);
      if (source == nullptr || target == nullptr) return false;
      *target = *source;
      s = static_cast<uint16_t>(backwards ? s - 1 : s + 1);
    }
  }
}

}  // namespace korvel
