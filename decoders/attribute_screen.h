#pragma once
// Attribute screen (.atr, .53c): 768 attributes in 8x8 cells over a
// checkerboard of ink and paper. 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeAttributeScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

// A 256x192 picture of 768 attributes (8x8 cells, plain order) over a bitmap
// whose line n of every cell is pattern[n]. Null when it cannot be allocated.
Picture* DrawAttributesOverPattern(const uint8_t* attributes, const uint8_t (&pattern)[8], const AttributeRuns* runs);

}  // namespace korvel
