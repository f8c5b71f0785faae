#pragma once
// The 6912-byte standard screen (bitmap in display-file order plus 8x8
// attribute cells) and the 6144-byte bitmap-only screen.

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

// A new 256x192 picture from the first 6912 bytes of `data`; null when `data`
// is shorter or the picture cannot be allocated.
Picture* DecodeStandardScreen(ByteSpan data, const Drawing& drawing = kDefaultDrawing);

// With `hasAttributes` nonzero, DecodeStandardScreen. With it zero, only the
// 6144 bitmap bytes are read and every attribute is taken as 7 (white ink on
// black paper).
Picture* DecodeScreenOrBitmap(ByteSpan data, uint8_t hasAttributes, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
