#pragma once
// IFL multicolour screen: 6144-byte bitmap in display-file order, then 3072
// attribute bytes, one per 8x2 cell, in plain order. 9216 bytes, 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeIflScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
