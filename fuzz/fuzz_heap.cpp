// The process heap of the fuzz targets, linked in place of korvel_heap:
// calloc and free, as on POSIX, except that a block larger than 2 MiB is
// refused as a heap out of memory would refuse it.
//
// A BIT sheet of a few hundred bytes can ask for a legitimate picture of up
// to 2040 x 65528 pixels (400 MB): decoding such sheets into fresh pages took
// most of each run, while they run the same loop as small sheets. With the
// cap a sheet's widest and tallest pictures are still reached apart (2040 x
// 336 and 8 x 65528 pixels), every other form's pictures stay whole (the
// largest seed picture is 350 KiB; only a macroscreen of more than 98 KiB of
// cells is refused), and the loads' out-of-memory paths get fuzzed too. The
// full-size sheet is loaded by the allocation and BIT sheet tests.

#include <cstdlib>

#include "platform/platform.h"

namespace korvel::platform {

constexpr size_t kLargestFuzzBlock = size_t{2} << 20;

void* AllocateZeroed(size_t bytes) {
  if (bytes > kLargestFuzzBlock) return nullptr;
  return calloc(bytes == 0 ? 1 : bytes, 1);
}

bool Release(void* block) {
  free(block);
  return true;
}

}  // namespace korvel::platform
