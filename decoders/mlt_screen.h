#pragma once
// MLT multicolour screen: 6144-byte bitmap in display-file order, then 8x1
// attribute cells in plain row order (32 bytes per pixel row). 12288 bytes, 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeMltScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
