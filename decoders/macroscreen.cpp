#include "decoders/macroscreen.h"

namespace korvel {

DecodeResult DecodeMacroscreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
