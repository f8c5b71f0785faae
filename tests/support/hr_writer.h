#pragma once
// Test-only HR writer. HrStreamWriter emits a packed block token by token,
// bit by bit, in the order the depacker reads it: flag bits fill 16-bit
// little-endian words, and the slot of the next word is placed right after
// the 16th bit of the current one is written, before any data byte that
// follows, as the reader fetches it. It follows the far-offset key as the
// depacker will, so far offsets get the right number of bits. On top of it, a
// greedy matcher packs whole pictures.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/hobeta_writer.h"

namespace korvel::testing {

class HrStreamWriter {
 public:
  // `tail`: the six bytes the end code appends. The block opens with them,
  // the first flag word and the first output byte.
  HrStreamWriter(const Bytes& tail, uint8_t firstByte);

  void Bit(unsigned bit);
  // Bits given as text, e.g. "11 00" (spaces ignored), in reading order.
  void Bits(const std::string& bits);
  // `count` bits of `value`, most significant first.
  void Value(unsigned value, unsigned count);
  void Byte(uint8_t byte);

  void Literal(uint8_t byte);
  // Flag 0 and the length code q (1 to 16).
  void LengthCode(unsigned q);
  // Flag 0 and the shortest code for length L: q for 1 to 3, q - 1 for 4 to
  // 15, the escaped 7-bit form (with its byte from 128 on) otherwise.
  void Length(unsigned length);
  // Flag 0, the escape, 0 0 and 7 bits x; the byte follows when x < 15.
  void SevenBitLength(unsigned x, uint8_t low = 0);

  // The far-offset bits that give high byte `hi` under the current key
  // (t = 3 is not included). Throws when the key cannot reach `hi`.
  void FarBits(uint8_t hi);
  // The number of far bits the current key asks for.
  unsigned FarBitCount() const;
  uint8_t farKey() const { return farKey_; }
  // Records a key escape that the caller wrote bit by bit.
  void NoteKeyRotation();

  // A whole copy-back of `length` bytes at distance `distance`, in the
  // shortest offset form the length allows; far distances need a key that
  // reaches them.
  void Match(unsigned length, unsigned distance);
  // The largest distance a far offset reaches under the current key.
  unsigned FarReach() const;
  // Escape: byte `distance` back (1 to 16), `middle` from the input, then
  // again the byte `distance` back.
  void PatternCopy(unsigned distance, uint8_t middle);
  // Escape: 12 to 42 bytes (an even count) copied from the input.
  void LiteralRun(const uint8_t* bytes, size_t count);
  // A length-2 copy in the low form whose byte 254 turns the far key.
  void RotateKey();
  // Escape: the end code.
  void End();

  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  size_t wordSlot_ = 6;
  unsigned index_ = 15;
  uint8_t farKey_ = 0xBF;
};

// Greedy packing of `data` (7 bytes or more): its last six bytes become the
// tail, the rest the stream. `keyRotations` key escapes right after the first
// byte widen the far offsets (6 reach every distance).
Bytes PackHr(const Bytes& data, unsigned keyRotations = 6);

// Hobeta data of an HR-packed three-colour screen: 259 bytes, "HR", the
// unpacked length, the packed length (default: the block's), the block.
Bytes HrThreeColourData(const Bytes& block, uint16_t unpackedLength = 18432, int packedLength = -1);
// Hobeta data of an HR-packed gigascreen: "HR", 13824, the packed length,
// the block.
Bytes HrGigascreenData(const Bytes& block);

}  // namespace korvel::testing
