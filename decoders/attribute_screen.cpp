#include "decoders/attribute_screen.h"

namespace korvel {

DecodeResult DecodeAttributeScreen(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
