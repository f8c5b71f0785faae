#pragma once
// Timex screens. Hi-colour: a 6144-byte bitmap and 6144 attribute bytes, both
// in display-file order, one attribute per 8x1 cell (12288 bytes, 256x192).
// Hi-res: two bitmaps interleaved byte by byte across each row, then a colour
// byte (12289 bytes, 512x192).
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeTimexHiColourScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);
DecodeResult DecodeTimexHiResScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
