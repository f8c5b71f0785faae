// Win32 implementation of the platform layer: files and byte strings, on the
// kernel32 calls a Windows host image viewer expects a plug-in to use.
// The heap lives in win32_heap.cpp, so that test builds can swap it.

#include <windows.h>

#include "platform/platform.h"

namespace korvel::platform {

uint32_t ReadWholeFile(const char* path, uint8_t* buffer, uint32_t minSize, uint32_t maxSize) {
  // Read sharing only: a file another program is reading still opens, one
  // that is being written does not.
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  uint32_t result = 0;
  // The high part is asked for too, so that a file of 4 GiB and more is not
  // mistaken for its low 32 bits.
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  const bool sizeKnown = !(low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR);
  if (sizeKnown && high == 0 && low >= minSize && low <= maxSize) {
    DWORD got = 0;
    if (ReadFile(file, buffer, low, &got, nullptr) && got == low) result = low;
  }
  CloseHandle(file);
  return result;
}

void CopyTextBounded(char* target, const char* source, int targetSize) {
  // lstrcpynA cuts and terminates by itself; what it does with a count of 0
  // or less is not something to lean on, so that case writes nothing.
  if (targetSize <= 0) return;
  lstrcpynA(target, source, targetSize);
}

bool TextEquals(const char* a, const char* b) { return lstrcmpA(a, b) == 0; }

size_t TextLength(const char* text) { return static_cast<size_t>(lstrlenA(text)); }

}  // namespace korvel::platform
