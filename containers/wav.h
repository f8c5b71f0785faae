#pragma once
// WAV recordings: a RIFF file of chunks, the first `fmt ` (PCM or
// extensible PCM, 8 or 16 bits a sample) before the first `data`. Only the
// first channel is read; its samples become levels, each change of level an
// edge, and the samples from one edge to the next a pulse.

#include "containers/container.h"
#include "plugin/byte_stream.h"

namespace korvel {

// Calls `visit` for each screen of the recording, in order, read from the
// tape blocks of its pulses. kBroken when it is not a RIFF WAVE file, when
// its format is not one read here or comes after the data (or not at all),
// and when a chunk before the data runs past the end. A `data` chunk that
// runs past the end holds the whole frames the file has.
WalkResult WalkWavScreens(ByteStream& file, ScreenVisitor visit);

}  // namespace korvel
