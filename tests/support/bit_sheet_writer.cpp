#include "tests/support/bit_sheet_writer.h"

#include <algorithm>

#include "tests/support/hobeta_writer.h"

namespace korvel::testing {

Bytes EncodeBitCell(const BitCell& cell, bool withAttribute) {
  // Line i is line i - 1 XOR the delta in force; a line whose needed delta
  // equals the last one taken needs no byte.
  Bytes stored(1, 0);
  uint8_t previousLine = 0;
  uint8_t delta = 0;
  for (unsigned i = 0; i < 8; ++i) {
    const uint8_t needed = cell.lines[i] ^ previousLine;
    if (needed != delta) {
      stored[0] |= static_cast<uint8_t>(1u << i);
      stored.push_back(needed);
      delta = needed;
    }
    previousLine = cell.lines[i];
  }
  if (withAttribute) stored.push_back(cell.attribute);
  return stored;
}

Bytes RawBitCell(uint8_t mask, const std::vector<uint8_t>& deltas, std::optional<uint8_t> attribute) {
  Bytes stored = {mask};
  for (uint8_t delta : deltas) stored.push_back(delta);
  if (attribute) stored.push_back(*attribute);
  return stored;
}

void BitSheetWriter::AddSprite(uint8_t widthCells, uint8_t heightCells, const std::vector<BitCell>& cells,
                               bool withAttributes) {
  Bytes stream;
  for (const BitCell& cell : cells) {
    const Bytes stored = EncodeBitCell(cell, withAttributes);
    stream.insert(stream.end(), stored.begin(), stored.end());
  }
  entries_.push_back({widthCells, heightCells, static_cast<uint16_t>(withAttributes ? 0x8000 : 0), stream});
}

void BitSheetWriter::AddEntry(uint8_t widthCells, uint8_t heightCells, uint16_t offsetField) {
  entries_.push_back({widthCells, heightCells, offsetField, std::nullopt});
}

void BitSheetWriter::Place(size_t offset, const Bytes& bytes) { placed_.emplace_back(offset, bytes); }

Bytes BitSheetWriter::Finish(size_t minimumSize) const {
  Bytes data(TableEnd(), 0);
  data[0] = 'B';
  data[1] = 'I';
  data[2] = 'T';
  data[3] = static_cast<uint8_t>(entries_.size());
  for (size_t s = 0; s < entries_.size(); ++s) {
    const Entry& entry = entries_[s];
    uint16_t field = entry.offsetField;
    if (entry.stream) {
      field = static_cast<uint16_t>(field | data.size());
      data.insert(data.end(), entry.stream->begin(), entry.stream->end());
    }
    uint8_t* row = &data[8 + 4 * s];
    row[0] = entry.widthCells;
    row[1] = entry.heightCells;
    row[2] = static_cast<uint8_t>(field);
    row[3] = static_cast<uint8_t>(field >> 8);
  }
  for (const auto& [offset, bytes] : placed_) {
    if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size(), 0);
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  if (data.size() < minimumSize) data.resize(minimumSize, 0);
  if (data.size() < 256) data.resize(256, 0);
  const size_t lengthWord = data.size() - 256;
  data[4] = static_cast<uint8_t>(lengthWord);
  data[5] = static_cast<uint8_t>(lengthWord >> 8);
  return data;
}

Bytes BitSheetWriter::FinishWrapped(size_t minimumSize) const {
  HobetaFields fields;
  fields.type = 'C';
  return WrapHobeta(Finish(minimumSize), fields);
}

}  // namespace korvel::testing
