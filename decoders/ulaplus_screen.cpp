#include "decoders/ulaplus_screen.h"

namespace korvel {

DecodeResult DecodeUlaplusScreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
