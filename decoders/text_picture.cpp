#include "decoders/text_picture.h"

namespace korvel {

DecodeResult DecodeTextPicture(ByteSpan) { return NotThisForm(); }

}  // namespace korvel
