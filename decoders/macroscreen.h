#pragma once
// chr$ macroscreen: "chr$" (letters in any case), the width and height in
// character cells, the bytes per cell (8, 9 or 18), then the cells row by row.
// Up to 2040x2040.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeMacroscreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
