#include "decoders/mgh_gigascreen.h"

namespace korvel {

DecodeResult DecodeMghGigascreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
