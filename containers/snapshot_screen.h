#pragma once
// Which screen a snapshot shows, the same for every snapshot format: a 128K
// machine shows RAM bank 5, or bank 7 when bit 3 of the last value written to
// port 0x7FFD is set; a Timex machine lays its screen out in the 16 KB at
// 0x4000 as the last value written to port 0xFF says.

#include <cstdint>

#include "containers/container.h"

namespace korvel {

inline constexpr size_t kSnapshotPageBytes = 16384;

// The RAM bank a 128K machine shows.
constexpr uint8_t ShownBank(uint8_t port7ffd) { return (port7ffd & 0x08) != 0 ? 7 : 5; }

// The screen of a Timex machine, gathered in `page` (the 16 KB at 0x4000,
// kSnapshotPageBytes long), which then holds the layout the raw files of
// that kind have: port 0xFF bits 0-2 of 1 are the second screen at 0x6000, 2
// hi-colour, 6 hi-res (coloured by bits 3-5), anything else the first screen.
ContainerScreen TimexScreen(MutableByteSpan page, uint8_t portFf);

}  // namespace korvel
