#pragma once
// Attribute screen (.atr, .53c): 768 attributes in 8x8 cells over a
// checkerboard of ink and paper. 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeAttributeScreen(ByteSpan file);

}  // namespace korvel
