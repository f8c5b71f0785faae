#include "decoders/text_picture.h"

#include <cstring>

#include "decoders/zx_colour_levels.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kMaxSide = 4096;
constexpr size_t kMaxCells = kMaxSide / 8;

struct Line {
  const uint8_t* text = nullptr;
  size_t length = 0;

  bool Empty() const { return length == 0; }
  bool Is(const char* s) const { return length == strlen(s) && memcmp(text, s, length) == 0; }
};

// Walks the text line by line. A line ends in LF or CR LF, or at the end of
// the text.
class Lines {
 public:
  explicit Lines(ByteSpan text, size_t position = 0) : text_(text), position_(position) {}

  bool Next(Line& line) {
    if (position_ >= text_.size()) return false;
    const size_t rest = text_.size() - position_;
    const uint8_t* start = text_.Peek(position_, rest);
    const auto* end = static_cast<const uint8_t*>(memchr(start, '\n', rest));
    line.text = start;
    line.length = end != nullptr ? static_cast<size_t>(end - start) : rest;
    position_ += line.length + (end != nullptr ? 1 : 0);
    if (end != nullptr && line.length > 0 && start[line.length - 1] == '\r') --line.length;
    return true;
  }

  // The empty lines that may end the text, and nothing else.
  bool OnlyEmptyLinesLeft() {
    Line line;
    while (Next(line)) {
      if (!line.Empty()) return false;
    }
    return true;
  }

  size_t position() const { return position_; }

 private:
  ByteSpan text_;
  size_t position_;
};

bool IsBitmapLine(const Line& line) {
  for (size_t i = 0; i < line.length; ++i) {
    if (line.text[i] != '0' && line.text[i] != '1') return false;
  }
  return true;
}

// Eight '0'/'1' characters as a bitmap byte, the first one leftmost.
uint8_t BitmapByte(const uint8_t* chars) {
  uint8_t bits = 0;
  for (int k = 0; k < 8; ++k) bits = static_cast<uint8_t>(bits << 1 | (chars[k] - '0'));
  return bits;
}

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

// `count` two-digit hex bytes separated by single spaces, and nothing else.
bool ReadHexLine(const Line& line, size_t count, uint8_t* out) {
  if (line.length != 3 * count - 1) return false;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* chars = line.text + 3 * i;
    const int high = HexDigit(chars[0]);
    const int low = HexDigit(chars[1]);
    if (high < 0 || low < 0 || (i + 1 < count && chars[2] != ' ')) return false;
    out[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

struct Layout {
  size_t width = 0;
  size_t height = 0;
  size_t cellHeight = 0;
  size_t bitmapStart = 0;     // offset of the first bitmap line
  size_t attributeStart = 0;  // offset of the first attribute line
  bool hasPalette = false;
  uint8_t palette[64] = {};
};

// Checks the whole text, line by line, so that drawing cannot fail.
bool ReadLayout(ByteSpan file, Layout& layout) {
  Lines lines(file);
  Line line;
  if (!lines.Next(line) || !(line.Is("ZX-Paintbrush image") || line.Is("ZX-Paintbrush extended image"))) return false;
  if (!lines.Next(line) || !line.Empty()) return false;

  layout.bitmapStart = lines.position();
  while (true) {
    if (!lines.Next(line)) return false;  // the attributes are missing
    if (line.Empty()) break;
    if (layout.height == 0) layout.width = line.length;
    if (line.length != layout.width || !IsBitmapLine(line) || ++layout.height > kMaxSide) return false;
  }
  if (layout.width < 8 || layout.width % 8 != 0 || layout.width > kMaxSide) return false;

  layout.attributeStart = lines.position();
  size_t attributeLines = 0;
  bool more = true;
  uint8_t attributes[kMaxCells];
  while ((more = lines.Next(line)) && !line.Empty()) {
    if (!ReadHexLine(line, layout.width / 8, attributes)) return false;
    ++attributeLines;
  }
  if (attributeLines == 0 || layout.height % attributeLines != 0) return false;
  layout.cellHeight = layout.height / attributeLines;
  if (layout.cellHeight != 1 && layout.cellHeight != 2 && layout.cellHeight != 4 && layout.cellHeight != 8) return false;

  // After the empty line: the palette line, or only empty lines to the end.
  if (more && lines.Next(line) && !line.Empty()) {
    if (!ReadHexLine(line, 64, layout.palette)) return false;
    layout.hasPalette = true;
  }
  return lines.OnlyEmptyLinesLeft();
}

}  // namespace

DecodeResult DecodeTextPicture(ByteSpan file, const Drawing& drawing) {
  Layout layout;
  if (!ReadLayout(file, layout)) return NotThisForm();
  Picture* picture = CreatePicture(static_cast<uint16_t>(layout.width), static_cast<uint16_t>(layout.height));
  if (picture == nullptr) return Decoded(nullptr);

  const UlaplusPalette palette = UlaplusPalette::FromBytes(layout.palette);
  const size_t cells = layout.width / 8;
  Lines bitmapLines(file, layout.bitmapStart);
  Lines attributeLines(file, layout.attributeStart);
  uint8_t attributes[kMaxCells];
  Line line;
  for (size_t y = 0; y < layout.height; ++y) {
    if (y % layout.cellHeight == 0) {
      attributeLines.Next(line);
      ReadHexLine(line, cells, attributes);
    }
    bitmapLines.Next(line);
    uint8_t* out = picture->pixels + y * RowBytes(*picture);
    for (size_t c = 0; c < cells; ++c, out += 24) {
      const uint8_t bits = BitmapByte(line.text + 8 * c);
      if (layout.hasPalette) {
        WriteInkPaperByte(out, bits, palette.Ink(attributes[c]), palette.Paper(attributes[c]));
      } else {
        WriteAttributeByte(out, bits, attributes[c], drawing.runs);
        picture->mayFlash = picture->mayFlash || (attributes[c] & 0x80) != 0;
      }
    }
  }
  // With a palette line its colours are ULAplus ones.
  if (layout.hasPalette) picture->border = BorderTaken::kNone;
  return Decoded(picture);
}

}  // namespace korvel
