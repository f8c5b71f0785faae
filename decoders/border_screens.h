#pragma once
// Screens with their border, 384x304, the screen drawn at (64, 64): the BSC
// screen (a standard screen, 11136 bytes) and the BMC4 screen (8x4
// multicolour, 11904 bytes). Both keep the border in the same layout.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeBscScreen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);
DecodeResult DecodeBmc4Screen(ByteSpan file, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
