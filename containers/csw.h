#pragma once
// CSW recordings: `Compressed Square Wave` 0x1A, a version and a header,
// then the pulses run-length coded (a byte above 0 is a pulse of that many
// samples; a 0 byte is followed by a 4-byte length), in version 2 possibly
// inside a zlib stream, which is inflated a piece at a time.

#include "containers/container.h"
#include "plugin/byte_stream.h"

namespace korvel {

// Where the pulses of a zlib stream are inflated, a piece at a time.
inline constexpr size_t kCswWorkAreaBytes = 16384;

// Calls `visit` for each screen of the recording, in order, read from the
// tape blocks of its pulses. kBroken for a header that is cut short or of
// another version, compression or a sample rate of 0; kOutOfMemory when
// the inflate's state could not be allocated. A zlib stream that breaks or
// runs out ends the pulses there.
WalkResult WalkCswScreens(ByteStream& file, MutableByteSpan work, ScreenVisitor visit);

}  // namespace korvel
