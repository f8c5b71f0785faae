#pragma once
// UDI disk images: `UDI!`, the cylinders and sides, then each track's raw
// MFM bytes and the bits that mark which of them are address marks. Sectors
// are found in the raw bytes by their ID and data fields.

#include "containers/trdos_image.h"

namespace korvel {

// Puts the image's sectors into `image`, the k-th track being logical track
// k. A track that is not MFM, or runs past the end, ends the list. False
// when the file does not begin with `UDI!` and its header (`udi!`, a
// compressed image, is not read).
bool ReadUdiSectors(ByteSpan file, TrdosImage& image);

}  // namespace korvel
