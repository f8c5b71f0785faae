#include "tests/support/lcmp5_writer.h"

#include <algorithm>
#include <stdexcept>

namespace korvel::testing {

namespace {

void Require(bool condition, const char* what) {
  if (!condition) throw std::invalid_argument(std::string("lcmp5 writer: ") + what);
}

constexpr unsigned kMaxDisplacement = 5888;
constexpr unsigned kNearLimit = 768;
constexpr size_t kScreenBytes = 6912;

}  // namespace

uint16_t Lcmp5StartIndex(uint8_t mode) { return static_cast<uint16_t>((mode & 3) * 2048); }

uint16_t Lcmp5Bound(uint8_t mode) { return static_cast<uint16_t>(((mode ^ 0x18) & 0xFC) * 256); }

uint16_t Lcmp5OffsetOf(uint8_t mode, uint16_t i) {
  if (i < Lcmp5Bound(mode)) {
    const unsigned third = (i / 2048) % 4;
    const unsigned column = (i / 64) % 32;
    const unsigned characterRow = (i / 8) % 8;
    const unsigned pixelLine = i % 8;
    return static_cast<uint16_t>(third * 2048 + pixelLine * 256 + characterRow * 32 + column);
  }
  return static_cast<uint16_t>(i + mode * 256);
}

std::vector<uint16_t> Lcmp5StreamOffsets(uint8_t mode) {
  std::vector<uint16_t> offsets;
  for (uint32_t i = Lcmp5StartIndex(mode); i < 65536; ++i) {
    const uint16_t offset = Lcmp5OffsetOf(mode, static_cast<uint16_t>(i));
    if (offset >= kScreenBytes) break;
    offsets.push_back(offset);
  }
  return offsets;
}

Lcmp5StreamWriter::Lcmp5StreamWriter(uint8_t firstByte) : bytes_{firstByte} {}

void Lcmp5StreamWriter::Bit(unsigned bit) {
  if (position_ == 0) {
    // The reader fetches a flag byte when it needs the first of its bits.
    flagByte_ = bytes_.size();
    bytes_.push_back(0);
  }
  if (bit != 0) bytes_[flagByte_] = static_cast<uint8_t>(bytes_[flagByte_] | 0x80 >> position_);
  position_ = (position_ + 1) % 8;
}

void Lcmp5StreamWriter::Bits(const std::string& bits) {
  for (char c : bits) {
    if (c == '0' || c == '1') Bit(c == '1' ? 1 : 0);
  }
}

void Lcmp5StreamWriter::Byte(uint8_t byte) { bytes_.push_back(byte); }

void Lcmp5StreamWriter::PrefixCode(unsigned v) {
  Require(v >= 233 && v <= 255, "prefix code out of range");
  const auto digit = [](unsigned bit) { return static_cast<char>('0' + (bit & 1)); };
  if (v == 255) {
    Bits("1");
  } else if (v >= 253) {
    Bits({'0', digit(v - 253), '1'});
  } else if (v >= 249) {
    const unsigned w = v - 249;
    Bits({'0', digit(w >> 1), '0', digit(w), '1'});
  } else {
    const unsigned w = v - 233;
    Bits({'0', digit(w >> 3), '0', digit(w >> 2), '0', digit(w >> 1), digit(w)});
  }
}

void Lcmp5StreamWriter::Literal(uint8_t byte) {
  Bit(1);
  Byte(byte);
}

void Lcmp5StreamWriter::LengthValue(unsigned r, bool escape) {
  Require(r <= 255, "length value out of range");
  Bit(0);
  if (!escape && r >= 249 && r <= 254) {
    PrefixCode(r + 1);
  } else if (!escape && r >= 233 && r <= 248) {
    PrefixCode(r);
  } else {
    PrefixCode(249);
    Byte(static_cast<uint8_t>(r + 1));
  }
}

void Lcmp5StreamWriter::Offset(unsigned h, bool backwards, uint8_t low) {
  PrefixCode(h);
  Bit(backwards ? 1 : 0);
  Byte(low);
}

bool Lcmp5StreamWriter::LengthValueFor(unsigned count, unsigned displacement, unsigned& r) {
  if (count < 1 || count > 256) return false;
  // count = (256 - r) mod 256, one more when far; a count of 0 means 256.
  const unsigned extra = displacement > kNearLimit ? 1 : 0;
  r = (256 + extra - count) % 256;
  return r != 255;
}

void Lcmp5StreamWriter::Match(unsigned count, unsigned displacement, bool backwards) {
  Require(displacement >= 1 && displacement <= kMaxDisplacement, "displacement out of range");
  unsigned r = 0;
  Require(LengthValueFor(count, displacement, r), "count not encodable at this displacement");
  LengthValue(r);
  const unsigned code = 65536 - displacement;
  Offset(code >> 8, backwards, static_cast<uint8_t>(code & 0xFF));
}

void Lcmp5StreamWriter::End() { LengthValue(255, true); }

Bytes Lcmp5Data(const Bytes& stream, uint8_t mode, uint8_t blockLength) {
  Bytes data = {'L', 'C', 'M', 'P', '5', 0, 0, blockLength};
  for (unsigned k = 0; k < blockLength; ++k) data.push_back(static_cast<uint8_t>(0xA0 + k % 16));
  data.push_back(mode);
  data.insert(data.end(), stream.begin(), stream.end());
  return data;
}

Bytes PackLcmp5Stream(const Bytes& screen, uint8_t mode, size_t streamBytes) {
  Require(screen.size() == kScreenBytes, "a screen is 6912 bytes");
  const std::vector<uint16_t> offsets = Lcmp5StreamOffsets(mode);
  Bytes sequence;
  for (size_t k = 0; k < offsets.size() && k < streamBytes; ++k) sequence.push_back(screen[offsets[k]]);
  Require(!sequence.empty(), "the mode leaves nothing to pack");

  Lcmp5StreamWriter writer(sequence[0]);
  const size_t n = sequence.size();
  size_t p = 1;
  while (p < n) {
    unsigned bestCount = 0, bestDisplacement = 0;
    bool bestBackwards = false;
    const unsigned limit = static_cast<unsigned>(std::min<size_t>(256, n - p));
    const unsigned reach = static_cast<unsigned>(std::min<size_t>(kMaxDisplacement, p));
    for (unsigned d = 1; d <= reach; ++d) {
      const size_t source = p - d;
      unsigned forward = 0;
      while (forward < limit && sequence[source + forward] == sequence[p + forward]) ++forward;
      unsigned backward = 0;
      while (backward < limit && backward <= source && sequence[source - backward] == sequence[p + backward]) {
        ++backward;
      }
      const unsigned shortest = d > kNearLimit ? 3 : 2;
      for (const auto& [count, isBackward] : {std::pair{forward, false}, std::pair{backward, true}}) {
        if (count >= shortest && count > bestCount) {
          bestCount = count;
          bestDisplacement = d;
          bestBackwards = isBackward;
        }
      }
      if (bestCount == limit) break;
    }
    if (bestCount == 0) {
      writer.Literal(sequence[p++]);
      continue;
    }
    writer.Match(bestCount, bestDisplacement, bestBackwards);
    p += bestCount;
  }
  writer.End();
  return writer.bytes();
}

Bytes PackLcmp5Screen(const Bytes& screen, uint8_t mode, size_t streamBytes) {
  return Lcmp5Data(PackLcmp5Stream(screen, mode, streamBytes), mode);
}

}  // namespace korvel::testing
