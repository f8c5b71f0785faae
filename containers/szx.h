#pragma once
// SZX snapshots: `ZXST`, a version, the machine, then blocks of a 4-byte ID,
// a 4-byte body length and the body. Memory pages are `RAMP` blocks, stored
// or zlib-compressed; the paging ports come in `SPCR` and `SCLD`, a ULAplus
// palette in `PLTT`.

#include <optional>

#include "containers/container.h"

namespace korvel {

// Bytes of the work area SzxScreen needs: one 16 KB page and room for a
// palette after a screen in it.
inline constexpr size_t kSzxWorkAreaBytes = 16384;

// The screen the snapshot shows, gathered into `workArea` (at least
// kSzxWorkAreaBytes): only the shown page is inflated. None when the file
// is not an SZX snapshot or the shown page is missing (absent, or its data
// do not make 16384 bytes); then *outOfMemory tells whether the inflate
// could not get its memory.
std::optional<ContainerScreen> SzxScreen(ByteSpan file, MutableByteSpan workArea, bool* outOfMemory);

}  // namespace korvel
