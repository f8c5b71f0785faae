#include "decoders/border_screens.h"

namespace korvel {

DecodeResult DecodeBscScreen(ByteSpan) { return NotThisForm(); }

DecodeResult DecodeBmc4Screen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
