#pragma once
// PZX tapes: blocks of a 4-byte tag, a 4-byte body length and the body, the
// first a `PZXT` header. Each `DATA` block of whole bytes carries one tape
// block (flag, data, checksum); pulses, pauses and the rest carry none.

#include "containers/container.h"

namespace korvel {

// Calls `visit` for each screen on the tape, picked as on a TAP tape. A
// block that runs past the end ends the tape. kBroken when the file does not
// begin with a `PZXT` block of major version 1.
WalkResult WalkPzxScreens(ByteSpan file, ScreenVisitor visit);

}  // namespace korvel
