#pragma once
// FDI disk images: `FDI`, the cylinders and sides, the offset of the data
// area, then a header per track listing its sectors and where their data lie.

#include "containers/trdos_image.h"

namespace korvel {

// Puts the image's sectors into `image`, the k-th track header being logical
// track k. A track header that runs past the end ends the list. False when
// the file does not begin with `FDI` and its header.
bool ReadFdiSectors(ByteSpan file, TrdosImage& image);

}  // namespace korvel
