#include "decoders/ifl_screen.h"

namespace korvel {

DecodeResult DecodeIflScreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
