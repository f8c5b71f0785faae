#pragma once
// TZX tapes: `ZXTape!` 0x1A and a version (10 bytes), then blocks of an ID
// byte and a body. Blocks 0x10, 0x11 and 0x14 carry one tape block each, and
// so does a 0x19 block whose data are plain bytes; every other known block is
// stepped over by its length.

#include "containers/container.h"

namespace korvel {

// Calls `visit` for each screen on the tape, picked as on a TAP tape. An
// unknown block ID, or a block that runs past the end, ends the tape.
// kBroken when the file does not begin with the 10-byte TZX header.
WalkResult WalkTzxScreens(ByteSpan file, ScreenVisitor visit);

}  // namespace korvel
