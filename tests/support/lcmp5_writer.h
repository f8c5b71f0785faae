#pragma once
// Test-only LCMP5 writer. Lcmp5StreamWriter emits a stream token by token,
// bit by bit, in the order the depacker reads it: a flag byte is placed at
// the point where the reader needs its first bit, so data bytes (literals,
// escape bytes, low offset bytes) fall between flag bytes exactly as they
// would in a packed file. On top of it, a greedy matcher packs whole screens.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/hobeta_writer.h"

namespace korvel::testing {

// The output offset of stream index `i` under mode byte `mode`: within the
// stream's bitmap part it runs column by column down each third, beyond it
// linearly. Stated by fields here, apart from the depacker's own bit formula.
uint16_t Lcmp5OffsetOf(uint8_t mode, uint16_t i);
uint16_t Lcmp5StartIndex(uint8_t mode);
uint16_t Lcmp5Bound(uint8_t mode);

// The output offsets a stream under `mode` covers, in stream order, from its
// start index until the offsets leave the 6912-byte screen.
std::vector<uint16_t> Lcmp5StreamOffsets(uint8_t mode);

class Lcmp5StreamWriter {
 public:
  // The stream opens with its first output byte, taken without a flag.
  explicit Lcmp5StreamWriter(uint8_t firstByte);

  void Bit(unsigned bit);
  // Bits given as text, e.g. "0 0 1" (spaces ignored), in reading order.
  void Bits(const std::string& bits);
  void Byte(uint8_t byte);

  // The prefix code for v from 233 to 255.
  void PrefixCode(unsigned v);

  void Literal(uint8_t byte);
  // Flag 0 and the length value r (0 to 255); r is written through the
  // escape byte when it has no shorter code or when `escape` asks for it.
  void LengthValue(unsigned r, bool escape = false);
  // High part h (233 to 255), direction bit, low byte.
  void Offset(unsigned h, bool backwards, uint8_t low);
  // A whole back-reference: `count` bytes from `displacement` (1 to 5888)
  // positions back in stream order. Near displacements (up to 768) take
  // counts 2 to 256, far ones 1 and 3 to 256.
  void Match(unsigned count, unsigned displacement, bool backwards = false);
  // Flag 0, then the escaped length value 255.
  void End();

  const Bytes& bytes() const { return bytes_; }

  // The length value that gives `count` copies at `displacement`; false when
  // no value does (count 1 near, count 2 far).
  static bool LengthValueFor(unsigned count, unsigned displacement, unsigned& r);

 private:
  Bytes bytes_;
  size_t flagByte_ = 0;
  unsigned position_ = 0;
};

// Packed data from the signature on: "LCMP5", two unread bytes, N, N filler
// bytes, the mode byte, the stream.
Bytes Lcmp5Data(const Bytes& stream, uint8_t mode, uint8_t blockLength = 0);

// Greedy packing of a 6912-byte screen under `mode`: the stream holds the
// bytes Lcmp5StreamOffsets(mode) lists, at most `streamBytes` of them (all by
// default), with forward and backward matches. Returns the stream alone.
Bytes PackLcmp5Stream(const Bytes& screen, uint8_t mode, size_t streamBytes = SIZE_MAX);

// The same, as packed data from the signature on.
Bytes PackLcmp5Screen(const Bytes& screen, uint8_t mode = 0, size_t streamBytes = SIZE_MAX);

}  // namespace korvel::testing
