// Win32 implementation of the platform layer: files and byte strings, on the
// kernel32 calls a Windows host image viewer expects a plug-in to use.
// The heap lives in win32_heap.cpp, so that test builds can swap it.

#include <windows.h>

#include "platform/platform.h"

namespace korvel::platform {

namespace {

// The size of the open file when it lies in [minSize, maxSize]; false
// otherwise. The high part is asked for too, so that a file of 4 GiB and more
// is not mistaken for its low 32 bits.
bool SizeWithin(HANDLE file, uint32_t minSize, uint32_t maxSize, DWORD* size) {
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = low;
  return high == 0 && low >= minSize && low <= maxSize;
}

// Read sharing only: a file another program is reading still opens, one
// that is being written does not.
HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool ReadExactly(HANDLE file, uint8_t* buffer, DWORD wanted) {
  DWORD got = 0;
  return ReadFile(file, buffer, wanted, &got, nullptr) && got == wanted;
}

}  // namespace

uint32_t ReadWholeFile(const char* path, uint8_t* buffer, uint32_t minSize, uint32_t maxSize) {
  const HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return 0;
  uint32_t result = 0;
  DWORD size = 0;
  if (SizeWithin(file, minSize, maxSize, &size) && ReadExactly(file, buffer, size)) result = size;
  CloseHandle(file);
  return result;
}

FileBlock ReadWholeFileIntoHeap(const char* path, uint32_t minSize, uint32_t maxSize, size_t minBlockBytes) {
  const HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return {nullptr, 0};
  FileBlock block = {nullptr, 0};
  DWORD size = 0;
  if (SizeWithin(file, minSize, maxSize, &size)) {
    auto* bytes = static_cast<uint8_t*>(AllocateZeroed(size > minBlockBytes ? size : minBlockBytes));
    if (bytes != nullptr && ReadExactly(file, bytes, size)) {
      block = {bytes, size};
    } else if (bytes != nullptr) {
      Release(bytes);
    }
  }
  CloseHandle(file);
  return block;
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
