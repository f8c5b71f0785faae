// POSIX process heap: calloc and free.

#include <cstdlib>

#include "platform/platform.h"

namespace korvel::platform {

void* AllocateZeroed(size_t bytes) { return calloc(bytes == 0 ? 1 : bytes, 1); }

bool Release(void* block) {
  free(block);
  return true;
}

}  // namespace korvel::platform
