#include "decoders/mlt_screen.h"

namespace korvel {

DecodeResult DecodeMltScreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
