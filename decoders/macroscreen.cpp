#include "decoders/macroscreen.h"

#include "decoders/blended_frames.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr uint8_t kWhiteOnBlack = 7;

bool IsSignature(const uint8_t* s) {
  return s != nullptr && (s[0] | 0x20) == 'c' && (s[1] | 0x20) == 'h' && (s[2] | 0x20) == 'r' && s[3] == '$';
}

}  // namespace

DecodeResult DecodeMacroscreen(ByteSpan file, const Drawing& drawing) {
  ByteReader header(file);
  const uint8_t* signature = header.Block(4);
  const unsigned columns = header.Byte();
  const unsigned rows = header.Byte();
  const unsigned cellBytes = header.Byte();
  if (header.failed() || !IsSignature(signature) || columns == 0 || rows == 0) return NotThisForm();
  if (cellBytes != 8 && cellBytes != 9 && cellBytes != 18) return NotThisForm();
  const uint8_t* cells = header.Block(size_t{columns} * rows * cellBytes);
  if (cells == nullptr) return NotThisForm();

  // A cell is 8 bitmap lines and, unless it is 8 bytes long, its attribute;
  // an 18-byte cell holds one such 9-byte cell for each frame.
  bool flashing = false;
  auto drawFrame = [&](Picture& picture, unsigned frame) {
    for (unsigned row = 0; row < rows; ++row) {
      for (unsigned column = 0; column < columns; ++column) {
        const uint8_t* cell = cells + (size_t{row} * columns + column) * cellBytes + 9 * frame;
        const uint8_t attribute = cellBytes == 8 ? kWhiteOnBlack : cell[8];
        flashing = flashing || (attribute & 0x80) != 0;
        uint8_t* out = picture.pixels + 8 * row * RowBytes(picture) + 24 * column;
        for (unsigned line = 0; line < 8; ++line, out += RowBytes(picture)) WriteAttributeByte(out, cell[line], attribute, drawing.runs);
      }
    }
  };
  const auto width = static_cast<uint16_t>(8 * columns);
  const auto height = static_cast<uint16_t>(8 * rows);
  if (cellBytes == 18) {
    // The two frames of a cell are blended byte by byte whatever the mode.
    Drawing blended = drawing;
    blended.gigascreen = GigascreenMode::kBlend;
    Picture* picture = BlendTwoFrames(width, height, drawFrame, blended);
    if (picture != nullptr) picture->mayFlash = flashing;
    return Decoded(picture);
  }
  Picture* picture = CreatePicture(width, height);
  if (picture != nullptr) {
    drawFrame(*picture, 0);
    picture->mayFlash = flashing;
  }
  return Decoded(picture);
}

}  // namespace korvel
