#pragma once
// Test-only writer of block-coded screen streams. Codes, colour lists and
// index bits go into one bit stream, most significant bit first; a raw
// block's 24 bytes go straight after the last byte that bits have been put
// in, while the rest of that byte stays free for the codes that follow. The
// writer thus lays bytes out in exactly the order a reader takes them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::testing {

using Bytes = std::vector<uint8_t>;

// Colour values of a block-coded screen: bit 0 blue, bit 1 red, bit 2 green.
using BlockColours = std::array<uint8_t, 64>;  // pixel p at row p / 8, column p % 8

class BlockCodedWriter {
 public:
  // `count` bits of `value`, its most significant first.
  void Bits(unsigned value, unsigned count);

  // The 3-bit block code.
  void Code(unsigned code) { Bits(code, 3); }

  // A colour list as the decoder will hold it: `entries[0]` is index 0. The
  // entries are written last one first, as the decoder stores them reversed.
  void ColourList(const std::vector<uint8_t>& entries);

  // One pixel's colour index in the variable-length code of `code` (2 to 7).
  void Index(unsigned code, unsigned index);

  // 24 whole bytes: red, green and blue plane bytes of each pixel row.
  void RawBytes(const std::array<uint8_t, 24>& planes);

  // Whole blocks: code 0 with planes made from `colours`; a list-coded block
  // (code = list size + 1) whose pixels pick list entries by `indexes`; a
  // repeat (code 1) with fresh indexes for the code it repeats.
  void RawBlock(const BlockColours& colours);
  void ListBlock(const std::vector<uint8_t>& list, const std::array<uint8_t, 64>& indexes);
  void RepeatBlock(unsigned repeatedCode, const std::array<uint8_t, 64>& indexes);

  const Bytes& bytes() const { return bytes_; }
  size_t bitCount() const { return bits_; }

 private:
  Bytes bytes_;
  size_t bitByte_ = 0;      // index of the byte bits are going into
  unsigned bitPosition_ = 8;  // bits of it already used; 8: none open
  size_t bits_ = 0;
};

// The 24 plane bytes of a block of these colours.
std::array<uint8_t, 24> BlockPlanes(const BlockColours& colours);

// Number of bits the index code of `code` takes for `index`.
unsigned IndexBits(unsigned code, unsigned index);

// An encoder of whole pictures: `colours` holds 256 x 192 colour values
// (0-7), rows from the top. Each block is written in the shortest form that
// holds it: one colour, a repeat of the last list, a list ordered by how
// often each colour occurs, or raw planes.
Bytes EncodeBlockCodedScreen(const std::vector<uint8_t>& colours);

}  // namespace korvel::testing
