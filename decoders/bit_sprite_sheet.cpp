#include "decoders/bit_sprite_sheet.h"

#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kCountOffset = 3;
constexpr size_t kTableOffset = 8;
constexpr size_t kEntryBytes = 4;

struct SpriteEntry {
  uint8_t widthCells;
  uint8_t heightCells;
  uint16_t streamOffset;  // bits 0-14
  bool hasAttributes;     // bit 15: every cell carries its own attribute byte
};

SpriteEntry ReadSpriteEntry(const uint8_t* entry) {
  const uint16_t field = static_cast<uint16_t>(entry[2] | entry[3] << 8);
  return {entry[0], entry[1], static_cast<uint16_t>(field & 0x7FFF), (field & 0x8000) != 0};
}

// One cell: a mask byte whose bit i says that line i takes a new delta byte;
// every line is the previous one XOR the last delta taken in the cell.
void DecodeCell(ByteReader& cells, bool hasAttributes, uint8_t* corner, size_t stride, const AttributeRuns* runs) {
  const uint8_t mask = cells.Byte();
  uint8_t lines[8];
  uint8_t running = 0;
  uint8_t delta = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if ((mask >> i & 1) != 0) delta = cells.Byte();
    running ^= delta;
    lines[i] = running;
  }
  const uint8_t attribute = hasAttributes ? cells.Byte() : 7;
  for (unsigned i = 0; i < 8; ++i) WriteAttributeByte(corner + stride * i, lines[i], attribute, runs);
}

}  // namespace

Picture* DecodeBitSpriteSheet(ByteSpan data, const Drawing& drawing) { return ReadBitSpriteSheet(data, drawing).picture; }

DecodeResult ReadBitSpriteSheet(ByteSpan data, const Drawing& drawing) {
  const uint8_t* count = data.Peek(kCountOffset, 1);
  if (count == nullptr) return NotThisForm();
  const uint8_t* table = data.Peek(kTableOffset, kEntryBytes * *count);
  if (table == nullptr) return NotThisForm();

  unsigned widestCells = 0;
  unsigned totalHeightCells = 0;
  for (unsigned s = 0; s < *count; ++s) {
    const SpriteEntry sprite = ReadSpriteEntry(table + kEntryBytes * s);
    if (sprite.widthCells > widestCells) widestCells = sprite.widthCells;
    totalHeightCells += sprite.heightCells;
  }
  if (totalHeightCells > kMaxSheetHeightCells) return NotThisForm();

  Picture* picture = CreatePicture(static_cast<uint16_t>(8 * widestCells), static_cast<uint16_t>(8 * totalHeightCells));
  if (picture == nullptr) return Decoded(nullptr);

  const size_t stride = RowBytes(*picture);
  size_t top = 0;
  bool overrun = false;
  for (unsigned s = 0; s < *count && !overrun; ++s) {
    const SpriteEntry sprite = ReadSpriteEntry(table + kEntryBytes * s);
    // A stream is checked only as its bytes are read: a sprite without cells
    // may point anywhere.
    ByteReader cells(data.From(sprite.streamOffset));
    for (unsigned r = 0; r < sprite.heightCells; ++r) {
      uint8_t* rowCorner = picture->pixels + stride * (top + 8 * r);
      for (unsigned c = 0; c < sprite.widthCells; ++c) {
        // A sheet's bit 7 is no FLASH.
        DecodeCell(cells, sprite.hasAttributes, rowCorner + 24 * c, stride, drawing.steadyRuns);
      }
    }
    overrun = cells.failed();
    top += 8 * size_t{sprite.heightCells};
  }
  if (overrun) {
    ReleasePicture(picture);
    return NotThisForm();
  }
  return Decoded(picture);
}

}  // namespace korvel
