#include "decoders/timex_screens.h"

namespace korvel {

DecodeResult DecodeTimexHiColourScreen(ByteSpan) { return NotThisForm(); }

DecodeResult DecodeTimexHiResScreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
