#pragma once
// TD0 disk images: a 12-byte header (`TD`; `td`, advanced compression, is
// not read), an optional comment, then track records, each followed by its
// sector records and their data, stored as they are, as repeated pairs or as
// runs of patterns.

#include "containers/trdos_image.h"

namespace korvel {

// Puts the image's sectors into `image`, logical track 2c + h of a two-sided
// image and c of a one-sided one. The walk ends at the record that ends the
// image or where a record runs past the end; the sectors before stand. False
// when the file does not begin with `TD` and its header.
bool ReadTd0Sectors(ByteSpan file, TrdosImage& image);

}  // namespace korvel
