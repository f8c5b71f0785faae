#pragma once
// A standard screen behind a 128-byte +3DOS file header ("PLUS3DOS", 0x1A).
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include <optional>

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodePlus3dosScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

// A file's +3DOS header: its file type (0 a program, 1 and 2 arrays, 3 code)
// and data length; none without the signature or with a wrong checksum.
struct Plus3dosHeader {
  uint8_t type;
  unsigned length;
};
std::optional<Plus3dosHeader> ReadPlus3dosHeader(ByteSpan file);

}  // namespace korvel
