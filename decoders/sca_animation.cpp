#include "decoders/sca_animation.h"

namespace korvel {

DecodeResult DecodeScaFirstFrame(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
