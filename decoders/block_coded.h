#pragma once
// The block-coded screen (Hobeta type '8'): 768 blocks of 8x8 pixels, each
// stored as three raw bit planes or as a short colour list plus a
// variable-length colour index per pixel; eight full-intensity colours.

#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

// A new 256x192 picture; null when the stream runs past the end of `data` or
// the picture cannot be allocated.
Picture* DecodeBlockCodedScreen(ByteSpan data);
// The same, telling a stream that runs short from a failed allocation.
DecodeResult ReadBlockCodedScreen(ByteSpan data);

}  // namespace korvel
