#include "decoders/plus3dos_screen.h"

namespace korvel {

DecodeResult DecodePlus3dosScreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
