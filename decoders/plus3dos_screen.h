#pragma once
// A standard screen behind a 128-byte +3DOS file header ("PLUS3DOS", 0x1A).
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodePlus3dosScreen(ByteSpan file);

}  // namespace korvel
