#include "bench/bench_inputs.h"

#include <algorithm>
#include <random>

#include "depackers/lcmp5.h"
#include "samples/zx_canvas.h"

namespace korvel::bench {

Bytes RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes bytes(count);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
  return bytes;
}

Bytes LandscapeScreen(int variant) { return samples::EncodeStandardScreen(samples::DrawLandscape(variant)); }

Bytes LandscapeMulticolour(int variant) {
  return samples::EncodeMulticolourScreen(samples::DrawLandscape(variant));
}

Bytes LandscapeThreeColour(bool linearRows) {
  const samples::Canvas canvas = samples::DrawLandscape();
  Bytes screen(3 * 6144, 0);
  // Colour number bits: 1 red, 2 green, 0 blue; bitmaps in red, green, blue order.
  const int channelBit[3] = {2, 4, 1};
  for (int y = 0; y < 192; ++y) {
    const size_t row = linearRows ? 32 * static_cast<size_t>(y) : samples::DisplayRowOffset(y);
    for (int x = 0; x < 256; ++x) {
      for (int channel = 0; channel < 3; ++channel) {
        if ((canvas.At(x, y) & channelBit[channel]) != 0) {
          screen[6144 * channel + row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
      }
    }
  }
  return screen;
}

Bytes PaddedTo(Bytes bytes, size_t size) {
  if (bytes.size() < size) bytes.resize(size, 0);
  return bytes;
}

namespace {

// Bits most significant first into bytes that are placed in the stream when
// their first bit is written; whole bytes go straight to the stream. This is
// the order in which a reader that loads a byte only when it needs a bit of
// it meets them.
class ByteFlagWriter {
 public:
  explicit ByteFlagWriter(Bytes& out) : out_(out) {}
  void Bit(unsigned bit) {
    if (used_ == 8) {
      slot_ = out_.size();
      out_.push_back(0);
      used_ = 0;
    }
    if (bit != 0) out_[slot_] |= static_cast<uint8_t>(0x80 >> used_);
    ++used_;
  }
  void Bits(unsigned value, unsigned count) {
    while (count-- > 0) Bit((value >> count) & 1);
  }
  void Byte(uint8_t byte) { out_.push_back(byte); }

 private:
  Bytes& out_;
  size_t slot_ = 0;
  unsigned used_ = 8;
};

// ---------------------------------------------------------------------------
// Block-coded screen.

void WriteIndex(ByteFlagWriter& bits, unsigned code, unsigned index) {
  switch (code) {
    case 2: break;
    case 3: bits.Bit(index); break;
    case 4: bits.Bits(index == 0 ? 0 : 2 + (index - 1), index == 0 ? 1 : 2); break;
    case 5: bits.Bits(index, 2); break;
    case 6: index < 3 ? bits.Bits(index, 2) : bits.Bits(6 + (index - 3), 3); break;
    default: index < 2 ? bits.Bits(index, 2) : bits.Bits(index + 2, 3); break;  // 2t + b - 2 = index
  }
}

}  // namespace

Bytes BlockCodedLandscape() {
  const samples::Canvas canvas = samples::DrawLandscape();
  Bytes out;
  ByteFlagWriter bits(out);
  unsigned previousCode = 0;
  std::vector<uint8_t> previousList;
  for (int block = 0; block < 768; ++block) {
    const int x0 = 8 * (block % 32), y0 = 8 * (block / 32);
    uint8_t pixels[64];
    std::vector<uint8_t> list;
    for (int p = 0; p < 64; ++p) {
      pixels[p] = canvas.At(x0 + p % 8, y0 + p / 8) & 7;
      if (std::find(list.begin(), list.end(), pixels[p]) == list.end()) list.push_back(pixels[p]);
    }
    if (list.size() >= 7) {
      bits.Bits(0, 3);
      for (int r = 0; r < 8; ++r) {
        uint8_t planes[3] = {0, 0, 0};  // red, green, blue
        for (int k = 0; k < 8; ++k) {
          const uint8_t v = pixels[8 * r + k];
          const uint8_t mask = static_cast<uint8_t>(0x80 >> k);
          if (v & 2) planes[0] |= mask;
          if (v & 4) planes[1] |= mask;
          if (v & 1) planes[2] |= mask;
        }
        for (uint8_t plane : planes) bits.Byte(plane);
      }
      continue;
    }
    const bool repeat = previousCode >= 2 && std::all_of(list.begin(), list.end(), [&](uint8_t v) {
      return std::find(previousList.begin(), previousList.end(), v) != previousList.end();
    });
    unsigned code;
    if (repeat) {
      code = previousCode;
      list = previousList;
      bits.Bits(1, 3);
    } else {
      code = static_cast<unsigned>(list.size()) + 1;
      bits.Bits(code, 3);
      for (size_t i = list.size(); i-- > 0;) bits.Bits(list[i], 3);  // last entry first
    }
    for (int p = 0; p < 64; ++p) {
      const auto index = static_cast<unsigned>(std::find(list.begin(), list.end(), pixels[p]) - list.begin());
      WriteIndex(bits, code, index);
    }
    previousCode = code;
    previousList = list;
  }
  return out;
}

// ---------------------------------------------------------------------------
// BIT sprite sheet.

Bytes BitSheetLandscape() {
  const Bytes screen = LandscapeScreen();
  constexpr int kSprites = 4, kWidth = 32, kHeight = 6;
  Bytes out(8 + 4 * kSprites, 0);
  out[0] = 'B';
  out[1] = 'I';
  out[2] = 'T';
  out[3] = kSprites;
  for (int s = 0; s < kSprites; ++s) {
    const size_t offset = out.size();
    out[8 + 4 * s] = kWidth;
    out[9 + 4 * s] = kHeight;
    out[10 + 4 * s] = static_cast<uint8_t>(offset);
    out[11 + 4 * s] = static_cast<uint8_t>(0x80 | offset >> 8);  // every cell carries an attribute
    for (int r = 0; r < kHeight; ++r) {
      const int cellRow = kHeight * s + r;
      for (int c = 0; c < kWidth; ++c) {
        const size_t maskAt = out.size();
        out.push_back(0);
        uint8_t running = 0, delta = 0;
        for (int line = 0; line < 8; ++line) {
          const uint8_t wanted = screen[samples::DisplayRowOffset(8 * cellRow + line) + c];
          if ((wanted ^ running) != delta) {
            delta = wanted ^ running;
            out[maskAt] |= static_cast<uint8_t>(1 << line);
            out.push_back(delta);
          }
          running = wanted;
        }
        out.push_back(screen[6144 + 32 * cellRow + c]);
      }
    }
  }
  // The field agrees with the Hobeta length (the data size) less 256.
  const size_t field = out.size() - 256;
  out[4] = static_cast<uint8_t>(field);
  out[5] = static_cast<uint8_t>(field >> 8);
  return out;
}

// ---------------------------------------------------------------------------
// LCMP5: the stream runs in the depacker's own index order (mode 0: all
// three thirds, then the attributes).

namespace {

void Lcmp5Prefix(ByteFlagWriter& bits, unsigned v) {
  if (v == 255) return bits.Bit(1);
  if (v >= 253) return bits.Bits(0b001 | (v - 253) << 1, 3);
  if (v >= 249) {
    const unsigned w = v - 249;
    return bits.Bits((w >> 1) << 3 | (w & 1) << 1 | 1, 5);  // 0 c0 0 c1 1
  }
  const unsigned w = v - 233;
  bits.Bits((w >> 3 & 1) << 5 | (w >> 2 & 1) << 3 | (w & 3), 7);  // 0 c0 0 c1 0 c2 c3
}

// The length value r, with its escape byte where it needs one.
void Lcmp5Length(ByteFlagWriter& bits, unsigned r) {
  if (r >= 249 && r <= 254) return Lcmp5Prefix(bits, r + 1);
  if (r >= 233 && r <= 248) return Lcmp5Prefix(bits, r);
  Lcmp5Prefix(bits, 249);
  bits.Byte(static_cast<uint8_t>(r + 1));
}

}  // namespace

Bytes PackLcmp5(const Bytes& screen) {
  const Lcmp5AddressMap map = Lcmp5AddressMap::ForMode(0);
  constexpr size_t kCount = 6912;
  Bytes stream(kCount);
  for (size_t i = 0; i < kCount; ++i) stream[i] = screen[map.Offset(static_cast<uint16_t>(i))];

  Bytes out = {'L', 'C', 'M', 'P', '5', 0, 0, 0, 0x00};  // no skipped block, mode 0
  ByteFlagWriter bits(out);
  bits.Byte(stream[0]);
  size_t i = 1;
  while (i < kCount) {
    size_t bestLength = 0, bestDistance = 0;
    for (size_t d = 1; d <= std::min<size_t>(i, 5888); ++d) {
      size_t n = 0;
      const size_t limit = std::min<size_t>(256, kCount - i);
      while (n < limit && stream[i + n] == stream[i - d + n]) ++n;
      if (n > bestLength && n >= (d > 768 ? 3u : 2u)) {
        bestLength = n;
        bestDistance = d;
        if (n == limit) break;
      }
    }
    if (bestLength == 0) {
      bits.Bit(1);
      bits.Byte(stream[i++]);
      continue;
    }
    bits.Bit(0);
    // count = (256 - r) mod 256, one more for a far displacement; 0 is 256.
    const unsigned effective = static_cast<unsigned>(bestDistance > 768 ? bestLength - 1 : bestLength);
    Lcmp5Length(bits, (256 - effective) & 0xFF);
    const unsigned q = static_cast<unsigned>((bestDistance + 255) / 256);
    Lcmp5Prefix(bits, 256 - q);
    bits.Bit(0);  // forwards
    bits.Byte(static_cast<uint8_t>(q * 256 - bestDistance));
    i += bestLength;
  }
  bits.Bit(0);
  Lcmp5Prefix(bits, 249);
  bits.Byte(0);  // end code
  return out;
}

// ---------------------------------------------------------------------------
// HR: flag bits in little-endian 16-bit words, each word placed in the
// stream as soon as the last bit of the one before it is written.

namespace {

class WordFlagWriter {
 public:
  WordFlagWriter(Bytes& out, size_t firstSlot) : out_(out), slot_(firstSlot) {}
  void Bit(unsigned bit) {
    if (bit != 0) {
      const unsigned mask = 0x8000u >> used_;
      out_[slot_] |= static_cast<uint8_t>(mask);
      out_[slot_ + 1] |= static_cast<uint8_t>(mask >> 8);
    }
    if (++used_ == 16) {
      slot_ = out_.size();
      out_.push_back(0);
      out_.push_back(0);
      used_ = 0;
    }
  }
  void Bits(unsigned value, unsigned count) {
    while (count-- > 0) Bit((value >> count) & 1);
  }
  void Byte(uint8_t byte) { out_.push_back(byte); }

 private:
  Bytes& out_;
  size_t slot_;
  unsigned used_ = 0;
};

void HrLengthCode(WordFlagWriter& bits, unsigned q) {
  unsigned acc = 1;
  while (q - acc >= 3 && acc + 3 != 16) {
    bits.Bits(3, 2);
    acc += 3;
  }
  bits.Bits(q - acc, 2);
}

void HrMatch(WordFlagWriter& bits, size_t length, size_t distance) {
  bits.Bit(0);
  if (length <= 3) {
    HrLengthCode(bits, static_cast<unsigned>(length));
  } else if (length <= 15) {
    HrLengthCode(bits, static_cast<unsigned>(length + 1));
  } else {
    HrLengthCode(bits, 4);
    bits.Bits(0, 2);
    if (length <= 127) {
      bits.Bits(static_cast<unsigned>(length), 7);
    } else {
      bits.Bits(static_cast<unsigned>(length >> 8), 7);
      bits.Byte(static_cast<uint8_t>(length));
    }
  }
  // Each offset form: its 2-bit selector, then a byte or a 5-bit field.
  const auto d = static_cast<unsigned>(distance);
  auto withByte = [&](unsigned form, unsigned e) {
    bits.Bits(form, 2);
    bits.Byte(static_cast<uint8_t>(e));
  };
  auto withFiveBits = [&](unsigned form, unsigned x) {
    bits.Bits(form, 2);
    bits.Bits(x, 5);
  };
  if (length == 2) {
    if (d > 512) return withByte(0, 768 - d);
    if (d > 256) return withByte(1, 512 - d);
    if (d > 32) return withByte(2, 256 - d);
    return withFiveBits(3, 32 - d);
  }
  if (d <= 32) return withFiveBits(2, 32 - d);
  if (d <= 256) return withByte(1, 256 - d);
  if (d <= 512) return withByte(0, 512 - d);
  // Far form with the starting key: two more bits give the high byte
  // (253 up to 768 back, 252 up to 1024).
  bits.Bits(3, 2);
  if (d <= 768) return withByte(1, 768 - d);
  withByte(0, 1024 - d);
}

}  // namespace

Bytes PackHr(const Bytes& data) {
  const size_t end = data.size() - 6;  // the last six bytes travel apart
  Bytes out(data.end() - 6, data.end());
  out.push_back(0);
  out.push_back(0);
  WordFlagWriter bits(out, 6);
  bits.Byte(data[0]);
  size_t i = 1;
  while (i < end) {
    size_t bestLength = 0, bestDistance = 0;
    const size_t limit = std::min<size_t>(3839, end - i);
    for (size_t d = 1; d <= std::min<size_t>(i, 1024); ++d) {
      size_t n = 0;
      while (n < limit && data[i + n] == data[i - d + n]) ++n;
      const bool usable = n >= 3 || (n == 2 && d <= 768);
      if (usable && n > bestLength) {
        bestLength = n;
        bestDistance = d;
        if (n == limit) break;
      }
    }
    if (bestLength == 0) {
      bits.Bit(1);
      bits.Byte(data[i++]);
      continue;
    }
    HrMatch(bits, bestLength, bestDistance);
    i += bestLength;
  }
  bits.Bit(0);
  HrLengthCode(bits, 4);
  bits.Bits(0, 2);
  bits.Bits(15, 7);  // end code
  return out;
}

}  // namespace korvel::bench
