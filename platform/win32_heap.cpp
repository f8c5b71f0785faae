// Win32 process heap: every block the plug-ins allocate comes zero-filled
// from the heap GetProcessHeap returns, and goes back to it, so a host can
// account for it like its own memory.

#include <windows.h>

#include "platform/platform.h"

namespace korvel::platform {

void* AllocateZeroed(size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }

bool Release(void* block) {
  // HeapFree of a null pointer succeeds; keep that explicit rather than rely
  // on every Windows version doing it.
  if (block == nullptr) return true;
  return HeapFree(GetProcessHeap(), 0, block) != FALSE;
}

}  // namespace korvel::platform
