#include "tests/support/block_coded_writer.h"

#include <algorithm>

namespace korvel::testing {

void BlockCodedWriter::Bits(unsigned value, unsigned count) {
  while (count-- > 0) {
    if (bitPosition_ == 8) {
      // A new byte opens only when a bit needs it, after any raw bytes.
      bitByte_ = bytes_.size();
      bytes_.push_back(0);
      bitPosition_ = 0;
    }
    if ((value >> count & 1) != 0) bytes_[bitByte_] |= static_cast<uint8_t>(0x80 >> bitPosition_);
    ++bitPosition_;
    ++bits_;
  }
}

void BlockCodedWriter::ColourList(const std::vector<uint8_t>& entries) {
  for (size_t i = entries.size(); i-- > 0;) Bits(entries[i], 3);
}

void BlockCodedWriter::Index(unsigned code, unsigned index) {
  switch (code) {
    case 2: return;
    case 3: return Bits(index, 1);
    case 4: return index == 0 ? Bits(0, 1) : Bits(0b10 | (index - 1), 2);
    case 5: return Bits(index, 2);
    case 6: return index < 3 ? Bits(index, 2) : Bits(0b110 | (index - 3), 3);
    default: return index < 2 ? Bits(index, 2) : Bits(index + 2, 3);
  }
}

void BlockCodedWriter::RawBytes(const std::array<uint8_t, 24>& planes) {
  bytes_.insert(bytes_.end(), planes.begin(), planes.end());
}

void BlockCodedWriter::RawBlock(const BlockColours& colours) {
  Code(0);
  RawBytes(BlockPlanes(colours));
}

void BlockCodedWriter::ListBlock(const std::vector<uint8_t>& list, const std::array<uint8_t, 64>& indexes) {
  const unsigned code = static_cast<unsigned>(list.size()) + 1;
  Code(code);
  ColourList(list);
  for (uint8_t index : indexes) Index(code, index);
}

void BlockCodedWriter::RepeatBlock(unsigned repeatedCode, const std::array<uint8_t, 64>& indexes) {
  Code(1);
  for (uint8_t index : indexes) Index(repeatedCode, index);
}

std::array<uint8_t, 24> BlockPlanes(const BlockColours& colours) {
  std::array<uint8_t, 24> planes = {};
  for (unsigned p = 0; p < 64; ++p) {
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (p % 8));
    uint8_t* row = &planes[3 * (p / 8)];
    if ((colours[p] & 2) != 0) row[0] |= bit;  // red plane
    if ((colours[p] & 4) != 0) row[1] |= bit;  // green plane
    if ((colours[p] & 1) != 0) row[2] |= bit;  // blue plane
  }
  return planes;
}

unsigned IndexBits(unsigned code, unsigned index) {
  switch (code) {
    case 2: return 0;
    case 3: return 1;
    case 4: return index == 0 ? 1 : 2;
    case 5: return 2;
    case 6: return index < 3 ? 2 : 3;
    default: return index < 2 ? 2 : 3;
  }
}

namespace {

constexpr size_t kRawBlockBits = 3 + 24 * 8;

// Indexes of `colours` in `list`, and the bits they take under `code`; false
// when a colour is missing from the list.
bool IndexesIn(const BlockColours& colours, const std::vector<uint8_t>& list, unsigned code,
               std::array<uint8_t, 64>& indexes, size_t& bits) {
  bits = 0;
  for (unsigned p = 0; p < 64; ++p) {
    const auto found = std::find(list.begin(), list.end(), colours[p]);
    if (found == list.end()) return false;
    indexes[p] = static_cast<uint8_t>(found - list.begin());
    bits += IndexBits(code, indexes[p]);
  }
  return true;
}

}  // namespace

Bytes EncodeBlockCodedScreen(const std::vector<uint8_t>& colours) {
  BlockCodedWriter writer;
  unsigned previousCode = 2;
  std::vector<uint8_t> previousList(6, 0);  // what the reader starts with
  for (unsigned block = 0; block < 768; ++block) {
    BlockColours pixels;
    for (unsigned p = 0; p < 64; ++p) {
      const unsigned x = 8 * (block % 32) + p % 8;
      const unsigned y = 8 * (block / 32) + p / 8;
      pixels[p] = colours[256 * y + x] & 7;
    }

    // The colours by how often they occur: the shortest indexes go first.
    unsigned count[8] = {};
    for (uint8_t colour : pixels) ++count[colour];
    std::vector<uint8_t> list;
    for (uint8_t colour = 0; colour < 8; ++colour) {
      if (count[colour] != 0) list.push_back(colour);
    }
    std::stable_sort(list.begin(), list.end(), [&](uint8_t a, uint8_t b) { return count[a] > count[b]; });

    size_t best = kRawBlockBits;
    enum { raw, fresh, repeat } choice = raw;
    std::array<uint8_t, 64> freshIndexes{}, repeatIndexes{};
    size_t bits = 0;
    if (list.size() <= 6) {
      const unsigned code = static_cast<unsigned>(list.size()) + 1;
      IndexesIn(pixels, list, code, freshIndexes, bits);
      if (3 + 3 * list.size() + bits < best) {
        best = 3 + 3 * list.size() + bits;
        choice = fresh;
      }
    }
    const std::vector<uint8_t> held(previousList.begin(), previousList.begin() + (previousCode - 1));
    if (IndexesIn(pixels, held, previousCode, repeatIndexes, bits) && 3 + bits <= best) choice = repeat;

    switch (choice) {
      case raw:
        writer.RawBlock(pixels);
        break;
      case fresh:
        writer.ListBlock(list, freshIndexes);
        previousCode = static_cast<unsigned>(list.size()) + 1;
        previousList = list;
        previousList.resize(6, 0);
        break;
      case repeat:
        writer.RepeatBlock(previousCode, repeatIndexes);
        break;
    }
  }
  return writer.bytes();
}

}  // namespace korvel::testing
