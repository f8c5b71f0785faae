#pragma once
// Z80 snapshots, versions 1 to 3: 48K, 128K (the screen in bank 5 or 7) and
// Timex machines (standard, hi-colour or hi-res screen, by port 0xFF).

#include <optional>

#include "containers/container.h"

namespace korvel {

// Bytes of the work area Z80Screen needs: one 16 KB memory page.
inline constexpr size_t kZ80WorkAreaBytes = 16384;

// The screen the snapshot shows, expanded and gathered into `workArea` (at
// least kZ80WorkAreaBytes) or, for uncompressed version-1 memory, a span into
// the file. None when the header is not one of a Z80 snapshot, the screen's
// page is missing, or its data are cut short or do not expand to exactly
// its size.
std::optional<ContainerScreen> Z80Screen(ByteSpan file, MutableByteSpan workArea);

}  // namespace korvel
