#pragma once
// TR-DOS disk images: 256-byte sectors, 16 to a track, the catalogue in the
// first 2048 bytes (up to 128 entries of 16 bytes).

#include "containers/container.h"

namespace korvel {

// Calls `visit` for each entry of the catalogue, in order, as a Hobeta file;
// deleted entries (first byte 1) are left out, and an entry whose sectors
// lie past the end of the image comes with pastEnd set (images are often cut
// after the last used track). kBroken, before any visit, when the image ends
// inside its catalogue.
WalkResult WalkTrdEntries(ByteSpan image, DiskEntryVisitor visit);

// The DiskEntry made from the first 14 bytes of a catalogue entry (name,
// type, start, length, sector count) and the entry's sectors, which start at
// `dataOffset` in `image`. Shared with the SCL reader.
DiskEntry MakeDiskEntry(int index, const uint8_t* entry, ByteSpan image, size_t dataOffset);

}  // namespace korvel
