#pragma once
// SCA animation ("SCA"): frames that are standard screens or attribute
// frames over a repeated 8-byte fill pattern, each with its delay. 256x192.
// Only a drawing that asks for every frame gets more than the first.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeScaFirstFrame(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
