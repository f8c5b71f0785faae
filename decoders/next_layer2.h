#pragma once
// Next layer-2 picture (.nxi): 256x192, one palette index per pixel, with or
// without a 512-byte palette in front. 49152 or 49664 bytes.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeNextLayer2Picture(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
