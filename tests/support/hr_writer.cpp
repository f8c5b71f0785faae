#include "tests/support/hr_writer.h"

#include <algorithm>
#include <stdexcept>

namespace korvel::testing {

namespace {

void Require(bool condition, const char* what) {
  if (!condition) throw std::invalid_argument(std::string("hr writer: ") + what);
}

constexpr size_t kTailBytes = 6;
constexpr unsigned kEscape = 4;
constexpr unsigned kLongestLength = 3839;

uint8_t RotateRight(uint8_t value) { return static_cast<uint8_t>(value >> 1 | value << 7); }

void PutWord(Bytes& bytes, unsigned value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

HrStreamWriter::HrStreamWriter(const Bytes& tail, uint8_t firstByte) : bytes_(tail) {
  Require(tail.size() == kTailBytes, "the tail is six bytes");
  PutWord(bytes_, 0);  // the first flag word, filled bit by bit
  bytes_.push_back(firstByte);
}

void HrStreamWriter::Bit(unsigned bit) {
  index_ = (index_ + 1) % 16;
  const unsigned position = 15 - index_;
  if (bit != 0) {
    uint8_t& byte = bytes_[wordSlot_ + position / 8];
    byte = static_cast<uint8_t>(byte | 1u << (position % 8));
  }
  if (index_ == 15) {
    // The reader fetches the next word as soon as it has taken this bit.
    wordSlot_ = bytes_.size();
    PutWord(bytes_, 0);
  }
}

void HrStreamWriter::Bits(const std::string& bits) {
  for (char c : bits) {
    if (c == '0' || c == '1') Bit(c == '1' ? 1 : 0);
  }
}

void HrStreamWriter::Value(unsigned value, unsigned count) {
  Require(count == 32 || value >> count == 0, "value does not fit its bits");
  while (count-- > 0) Bit(value >> count & 1);
}

void HrStreamWriter::Byte(uint8_t byte) { bytes_.push_back(byte); }

void HrStreamWriter::Literal(uint8_t byte) {
  Bit(1);
  Byte(byte);
}

void HrStreamWriter::LengthCode(unsigned q) {
  Require(q >= 1 && q <= 16, "length code out of range");
  Bit(0);
  unsigned acc = 1;
  while (q - acc >= 3 && acc + 3 != 16) {
    Value(3, 2);
    acc += 3;
  }
  Value(q - acc, 2);
}

void HrStreamWriter::SevenBitLength(unsigned x, uint8_t low) {
  Require(x < 128, "7-bit length out of range");
  LengthCode(kEscape);
  Value(0, 2);
  Value(x, 7);
  if (x < 15) Byte(low);
}

void HrStreamWriter::Length(unsigned length) {
  Require(length <= kLongestLength, "length out of range");
  if (length >= 1 && length <= 3) {
    LengthCode(length);
  } else if (length >= 4 && length <= 15) {
    LengthCode(length + 1);
  } else if (length >= 16 && length <= 127) {
    SevenBitLength(length);
  } else {
    SevenBitLength(length >> 8, static_cast<uint8_t>(length & 0xFF));
  }
}

unsigned HrStreamWriter::FarBitCount() const {
  unsigned leadingOnes = 0;
  while (leadingOnes < 8 && (farKey_ << leadingOnes & 0x80) != 0) ++leadingOnes;
  Require(leadingOnes < 8, "a key of all ones never ends its far bits");
  return leadingOnes + 1;
}

void HrStreamWriter::FarBits(uint8_t hi) {
  const unsigned count = FarBitCount();
  const unsigned free = (1u << count) - 1;
  const unsigned fixed = (unsigned{farKey_} << count) & 0xFF;
  Require((hi & ~free & 0xFF) == fixed, "the far key does not reach this high byte");
  Value(hi & free, count);
}

unsigned HrStreamWriter::FarReach() const {
  const unsigned fixed = (unsigned{farKey_} << FarBitCount()) & 0xFF;
  return std::min(65535u, 65536 - 256 * fixed);
}

void HrStreamWriter::NoteKeyRotation() { farKey_ = RotateRight(farKey_); }

void HrStreamWriter::Match(unsigned length, unsigned distance) {
  Require(distance >= 1, "distance 0 has no short form");
  Length(length);
  if (length == 1) {
    Require(distance <= 8, "a 1-byte copy reaches 8 bytes back");
    Value(8 - distance, 3);
    return;
  }
  if (length == 2) {
    Require(distance <= 768, "a 2-byte copy reaches 768 bytes back");
    if (distance <= 32) {
      Value(3, 2);
      Value(32 - distance, 5);
    } else if (distance <= 256) {
      Value(2, 2);
      Byte(static_cast<uint8_t>(256 - distance));
    } else if (distance <= 512) {
      Value(1, 2);
      Byte(static_cast<uint8_t>(512 - distance));
    } else {
      Value(0, 2);
      Byte(static_cast<uint8_t>(768 - distance));
    }
    return;
  }
  if (distance <= 32) {
    Value(2, 2);
    Value(32 - distance, 5);
  } else if (distance <= 256) {
    Value(1, 2);
    Byte(static_cast<uint8_t>(256 - distance));
  } else if (distance <= 512) {
    Value(0, 2);
    Byte(static_cast<uint8_t>(512 - distance));
  } else {
    Require(distance <= 65535, "distance out of range");
    const unsigned code = 65536 - distance;
    Value(3, 2);
    FarBits(static_cast<uint8_t>(code >> 8));
    Byte(static_cast<uint8_t>(code & 0xFF));
  }
}

void HrStreamWriter::PatternCopy(unsigned distance, uint8_t middle) {
  Require(distance >= 1 && distance <= 16, "pattern distance out of range");
  LengthCode(kEscape);
  Bit(1);
  Value(16 - distance, 4);
  Byte(middle);
}

void HrStreamWriter::LiteralRun(const uint8_t* bytes, size_t count) {
  Require(count % 2 == 0 && count >= 12 && count <= 42, "a literal run is 12 to 42 bytes, even");
  LengthCode(kEscape);
  Value(1, 2);
  Value(static_cast<unsigned>(count / 2 - 6), 4);
  bytes_.insert(bytes_.end(), bytes, bytes + count);
}

void HrStreamWriter::RotateKey() {
  LengthCode(2);
  Value(2, 2);
  Byte(254);
  NoteKeyRotation();
}

void HrStreamWriter::End() { SevenBitLength(15); }

// ---------------------------------------------------------------------------

namespace {

class LiteralQueue {
 public:
  explicit LiteralQueue(HrStreamWriter& writer) : writer_(writer) {}
  void Add(uint8_t byte) { pending_.push_back(byte); }

  // Long stretches go out as literal runs, the rest one by one, in order.
  void Flush() {
    size_t k = 0;
    while (pending_.size() - k >= 12) {
      const size_t run = std::min<size_t>(42, pending_.size() - k) & ~size_t{1};
      writer_.LiteralRun(pending_.data() + k, run);
      k += run;
    }
    for (; k < pending_.size(); ++k) writer_.Literal(pending_[k]);
    pending_.clear();
  }

 private:
  HrStreamWriter& writer_;
  Bytes pending_;
};

unsigned Hash3(const uint8_t* p) { return ((p[0] << 16 | p[1] << 8 | p[2]) * 2654435761u) >> 17; }

}  // namespace

Bytes PackHr(const Bytes& data, unsigned keyRotations) {
  Require(data.size() >= 7, "HR packs 7 bytes or more");
  const size_t end = data.size() - kTailBytes;
  HrStreamWriter writer(Bytes(data.end() - kTailBytes, data.end()), data[0]);
  for (unsigned k = 0; k < keyRotations; ++k) writer.RotateKey();
  LiteralQueue literals(writer);

  constexpr size_t kNone = SIZE_MAX;
  std::vector<size_t> head(size_t{1} << 15, kNone);
  std::vector<size_t> previous(end, kNone);
  size_t inserted = 0;
  const auto same = [&](size_t a, size_t b) { return data[a] == data[b]; };

  size_t p = 1;
  while (p < end) {
    for (; inserted < p; ++inserted) {
      if (inserted + 2 >= end) continue;
      const unsigned h = Hash3(&data[inserted]);
      previous[inserted] = head[h];
      head[h] = inserted;
    }
    const size_t reach = std::max<size_t>(512, writer.FarReach());
    const size_t limit = std::min<size_t>(kLongestLength, end - p);
    size_t bestLength = 0, bestDistance = 0;
    if (p + 2 < end) {
      size_t candidate = head[Hash3(&data[p])];
      for (int steps = 0; candidate != kNone && p - candidate <= reach && steps < 128; ++steps) {
        size_t length = 0;
        while (length < limit && same(candidate + length, p + length)) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = p - candidate;
        }
        if (length == limit) break;
        candidate = previous[candidate];
      }
    }
    if (bestLength >= 3) {
      literals.Flush();
      writer.Match(static_cast<unsigned>(bestLength), static_cast<unsigned>(bestDistance));
      p += bestLength;
      continue;
    }
    bool done = false;
    for (size_t d = 1; d <= 16 && d <= p && p + 2 < end && !done; ++d) {
      if (same(p - d, p) && same(p + 2 - d, p + 2)) {
        literals.Flush();
        writer.PatternCopy(static_cast<unsigned>(d), data[p + 1]);
        p += 3;
        done = true;
      }
    }
    for (size_t d = 1; d <= 768 && d <= p && p + 1 < end && !done; ++d) {
      if (same(p - d, p) && same(p + 1 - d, p + 1)) {
        literals.Flush();
        writer.Match(2, static_cast<unsigned>(d));
        p += 2;
        done = true;
      }
    }
    for (size_t d = 1; d <= 8 && d <= p && !done; ++d) {
      if (same(p - d, p)) {
        literals.Flush();
        writer.Match(1, static_cast<unsigned>(d));
        p += 1;
        done = true;
      }
    }
    if (!done) literals.Add(data[p++]);
  }
  literals.Flush();
  writer.End();
  return writer.bytes();
}

Bytes HrThreeColourData(const Bytes& block, uint16_t unpackedLength, int packedLength) {
  Bytes data(259, 0);
  data.push_back('H');
  data.push_back('R');
  PutWord(data, unpackedLength);
  PutWord(data, packedLength >= 0 ? static_cast<unsigned>(packedLength) : static_cast<unsigned>(block.size()));
  data.insert(data.end(), block.begin(), block.end());
  return data;
}

Bytes HrGigascreenData(const Bytes& block) {
  Bytes data = {'H', 'R', 0x00, 0x36};
  PutWord(data, static_cast<unsigned>(block.size()));
  data.insert(data.end(), block.begin(), block.end());
  return data;
}

}  // namespace korvel::testing
