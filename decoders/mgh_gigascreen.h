#pragma once
// MGH multicolour gigascreen: a 256-byte header ("MGH", version 1, the
// attribute cell height 1, 2, 4 or 8), two bitmaps and the two frames'
// attributes; shown as the average of the two frames. 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeMghGigascreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
