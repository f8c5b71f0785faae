#pragma once
// HR: an LZ77 packer with flag bits in 16-bit words, a short length code,
// offset forms chosen by the length, escapes for literal runs and a
// three-byte pattern, and a key that widens far offsets as the stream asks.

#include "plugin/byte_reader.h"

namespace korvel {

// `packed` starts at the packed block (the six final bytes, then the first
// flag word) and runs to the end of the read buffer. The output is written
// strictly forwards from the first byte of `output`. Returns false when the
// stream would write past `output`, copy from before its first byte, or read
// past `packed`.
bool DepackHr(ByteSpan packed, MutableByteSpan output);

}  // namespace korvel
