#include "decoders/next_layer2.h"

namespace korvel {

DecodeResult DecodeNextLayer2Picture(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
