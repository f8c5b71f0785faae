#pragma once
// SCA animation ("SCA"): the first frame, either a standard screen or an
// attribute frame over a repeated 8-byte fill pattern. 256x192.
// Each decoder takes the whole file and checks its layout itself: data of
// another layout, or too short, give NotThisForm().

#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

DecodeResult DecodeScaFirstFrame(ByteSpan file);

}  // namespace korvel
