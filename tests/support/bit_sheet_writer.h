#pragma once
// Test-only writer of BIT sprite sheets: the "BIT" header, the sprite table
// and the cell streams with their line masks, delta bytes and attributes.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvel::testing {

using Bytes = std::vector<uint8_t>;

// One 8x8 cell as it is meant to look: a bitmap byte per line, top first.
struct BitCell {
  std::array<uint8_t, 8> lines = {};
  uint8_t attribute = 7;  // written only for sprites that carry attributes
};

// The stored form of one cell: a mask byte, a delta byte for each line whose
// value cannot be had by applying the last delta again, and the attribute
// byte when `withAttribute` is set.
Bytes EncodeBitCell(const BitCell& cell, bool withAttribute);

// A cell stated byte by byte, for streams no encoder would write.
Bytes RawBitCell(uint8_t mask, const std::vector<uint8_t>& deltas, std::optional<uint8_t> attribute = {});

class BitSheetWriter {
 public:
  // A sprite of `cells` (cell row by cell row, left to right), its stream
  // placed after the table and the streams added before it.
  void AddSprite(uint8_t widthCells, uint8_t heightCells, const std::vector<BitCell>& cells, bool withAttributes);

  // A table entry as it stands: `offsetField` is the stream offset from the
  // start of the data in bits 0-14 and the attribute flag in bit 15.
  void AddEntry(uint8_t widthCells, uint8_t heightCells, uint16_t offsetField);

  // Bytes placed at `offset` from the start of the data (growing it as
  // needed), for entries added with AddEntry.
  void Place(size_t offset, const Bytes& bytes);

  // The sheet's data: "BIT", the sprite count, the word Hobeta length - 256,
  // the table and the streams. The data are at least `minimumSize` bytes and
  // never less than 256, so that the length word fits.
  Bytes Finish(size_t minimumSize = 256) const;

  // The data of Finish, Hobeta-wrapped so that a reader takes it as a sheet.
  Bytes FinishWrapped(size_t minimumSize = 256) const;

  // Offset from the start of the data at which the table ends.
  size_t TableEnd() const { return 8 + 4 * entries_.size(); }

 private:
  struct Entry {
    uint8_t widthCells;
    uint8_t heightCells;
    uint16_t offsetField;
    std::optional<Bytes> stream;  // set: placed after the table at Finish
  };
  std::vector<Entry> entries_;
  std::vector<std::pair<size_t, Bytes>> placed_;
};

}  // namespace korvel::testing
