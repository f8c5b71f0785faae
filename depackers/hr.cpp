#include "depackers/hr.h"

namespace korvel {

namespace {

constexpr size_t kTailBytes = 6;
constexpr size_t kFirstWordOffset = 6;
constexpr uint8_t kInitialFarKey = 0xBF;

// Flag bits, most significant first, from little-endian 16-bit words. The
// next word is fetched as soon as the 16th bit of the current one has been
// taken, before any data byte that follows.
class HrBitReader {
 public:
  HrBitReader(ByteReader& bytes, uint16_t firstWord) : bytes_(bytes), word_(firstWord) {}

  unsigned Bit() {
    index_ = (index_ + 1) & 15;
    const unsigned bit = (word_ >> (15 - index_)) & 1;
    if (index_ == 15) word_ = bytes_.Word();
    return bit;
  }

  unsigned Bits(unsigned count) {
    unsigned value = 0;
    while (count-- > 0) value = value << 1 | Bit();
    return value;
  }

 private:
  ByteReader& bytes_;
  uint16_t word_;
  unsigned index_ = 15;
};

class HrDepacker {
 public:
  HrDepacker(ByteSpan packed, MutableByteSpan output)
      : packed_(packed), input_(packed, kFirstWordOffset), bits_(input_, input_.Word()), output_(output) {}

  bool Run();

 private:
  bool Put(uint8_t byte) {
    if (written_ >= output_.size()) return false;
    output_.data()[written_++] = byte;
    return true;
  }

  // Copies `count` bytes from `distance` behind the cursor, byte by byte, so
  // a distance below the count repeats bytes. Distance 0 reads the byte about
  // to be written, as the output area holds it.
  bool CopyBack(unsigned distance, unsigned count) {
    if (count == 0) return true;
    if (distance > written_ || count > output_.size() - written_) return false;
    uint8_t* out = output_.data();
    for (; count > 0; --count, ++written_) out[written_] = out[written_ - distance];
    return true;
  }

  // The byte `distance` back, a byte from the input, and again the byte
  // `distance` back of the new position.
  bool PatternCopy(unsigned distance) {
    return CopyBack(distance, 1) && Put(input_.Byte()) && CopyBack(distance, 1);
  }

  bool LowForm(uint8_t e, unsigned length) {
    if (e < 224) return CopyBack(256 - e, length);
    // Key escape: either turn the far key, or a pattern copy.
    const uint8_t y = static_cast<uint8_t>(((e << 1) | (e >> 7)) ^ (length & 0xFF));
    if (y == 255) {
      farKey_ = static_cast<uint8_t>((farKey_ >> 1) | (farKey_ << 7));
      return true;
    }
    return PatternCopy((15 - y) & 0xFF);
  }

  // Shifts flag bits into the key for as long as its top bit was 1.
  bool FarOffset(unsigned length) {
    unsigned x = farKey_;
    bool topBitSet;
    do {
      topBitSet = (x & 0x80) != 0;
      x = ((x << 1) | bits_.Bit()) & 0xFF;
    } while (topBitSet);
    const uint8_t e = input_.Byte();
    if (x == 255) return LowForm(e, length);
    return CopyBack((65536 - (256 * x + e)) & 0xFFFF, length);
  }

  bool OffsetForm(unsigned length);
  unsigned LengthCode();

  ByteSpan packed_;
  ByteReader input_;
  HrBitReader bits_;
  MutableByteSpan output_;
  size_t written_ = 0;
  uint8_t farKey_ = kInitialFarKey;
};

// q from 1 to 16: groups of two bits, each 11 adding 3, at most five groups.
unsigned HrDepacker::LengthCode() {
  unsigned acc = 1;
  for (;;) {
    const unsigned v = bits_.Bits(2);
    if (v != 3 || acc + 3 == 16) return acc + v;
    acc += 3;
  }
}

bool HrDepacker::OffsetForm(unsigned length) {
  if (length == 1) return CopyBack(8 - bits_.Bits(3), 1);
  const unsigned t = bits_.Bits(2);
  if (length == 2) {
    switch (t) {
      case 0: return CopyBack(768 - input_.Byte(), 2);
      case 1: return CopyBack(512 - input_.Byte(), 2);
      case 2: return LowForm(input_.Byte(), 2);
      default: return CopyBack(32 - bits_.Bits(5), 2);
    }
  }
  switch (t) {
    case 0: return CopyBack(512 - input_.Byte(), length);
    case 1: return LowForm(input_.Byte(), length);
    case 2: return CopyBack(32 - bits_.Bits(5), length);
    default: return FarOffset(length);
  }
}

bool HrDepacker::Run() {
  if (!Put(input_.Byte())) return false;
  for (;;) {
    if (input_.failed()) return false;
    if (bits_.Bit() != 0) {
      if (!Put(input_.Byte())) return false;
      continue;
    }
    const unsigned q = LengthCode();
    unsigned length = q < 4 ? q : q - 1;
    if (q == 4) {
      if (bits_.Bit() != 0) {
        if (!PatternCopy(16 - bits_.Bits(4))) return false;
        continue;
      }
      if (bits_.Bit() != 0) {
        const unsigned run = 2 * (bits_.Bits(4) + 6);
        for (unsigned n = 0; n < run; ++n) {
          if (!Put(input_.Byte())) return false;
        }
        continue;
      }
      const unsigned x = bits_.Bits(7);
      if (x == 15) {
        const uint8_t* tail = packed_.Peek(0, kTailBytes);
        if (tail == nullptr) return false;
        for (size_t n = 0; n < kTailBytes; ++n) {
          if (!Put(tail[n])) return false;
        }
        return !input_.failed();
      }
      length = x >= 16 ? x : 256 * x + input_.Byte();
    }
    if (!OffsetForm(length)) return false;
  }
}

}  // namespace

bool DepackHr(ByteSpan packed, MutableByteSpan output) { return HrDepacker(packed, output).Run(); }

}  // namespace korvel
