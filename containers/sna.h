#pragma once
// SNA snapshots: a 27-byte header and the memory from 0x4000, 48K (49179
// bytes) or 128K (131103 or 147487 bytes, the banks and the paging port).

#include <optional>

#include "containers/container.h"

namespace korvel {

// The screen the snapshot shows (bank 5, or bank 7 when the 128K paging
// port says so), a span into the file; none for another file size or a bank
// that lies past the end.
std::optional<ContainerScreen> SnaScreen(ByteSpan file);

}  // namespace korvel
