#pragma once
// Text picture: a text file beginning "ZX-Paintbrush": bitmap lines of '0'
// and '1', attribute lines of hex bytes, optionally a ULAplus palette line.
// Up to 4096x4096.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeTextPicture(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
