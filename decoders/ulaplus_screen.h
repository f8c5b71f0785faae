#pragma once
// ULAplus screen: a standard screen followed by a 64-entry palette. 6976
// bytes, 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeUlaplusScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
