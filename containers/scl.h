#pragma once
// SCL disk images: `SINCLAIR`, an entry count, the entries (14 bytes each,
// as in a TR-DOS catalogue), then every entry's sectors in entry order.

#include "containers/container.h"

namespace korvel {

// Calls `visit` for each entry, in order, as a Hobeta file; an entry whose
// sectors lie past the end of the image comes with pastEnd set. Every entry
// is read, whatever its first byte: the count decides. kBroken, before any
// visit, without the signature or when the entry table is cut short.
WalkResult WalkSclEntries(ByteSpan image, DiskEntryVisitor visit);

}  // namespace korvel
