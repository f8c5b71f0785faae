// POSIX implementation of the platform layer: files and byte strings.
// The heap lives in posix_heap.cpp, so that test builds can swap it.

#include "platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvel::platform {

namespace {

// The size of the open regular file `file` when it lies in [minSize, maxSize];
// -1 otherwise. The whole size is held against the limits, not its low 32 bits.
long long SizeWithin(int file, uint32_t minSize, uint32_t maxSize) {
  struct stat status;
  if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  if (status.st_size < minSize || status.st_size > maxSize) return -1;
  return static_cast<long long>(status.st_size);
}

bool ReadExactly(int file, uint8_t* buffer, size_t wanted) {
  size_t got = 0;
  while (got < wanted) {
    const ssize_t n = read(file, buffer + got, wanted - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got == wanted;
}

}  // namespace

uint32_t ReadWholeFile(const char* path, uint8_t* buffer, uint32_t minSize, uint32_t maxSize) {
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  uint32_t result = 0;
  const long long size = SizeWithin(file, minSize, maxSize);
  if (size >= 0 && ReadExactly(file, buffer, static_cast<size_t>(size))) result = static_cast<uint32_t>(size);
  close(file);
  return result;
}

FileBlock ReadWholeFileIntoHeap(const char* path, uint32_t minSize, uint32_t maxSize, size_t minBlockBytes) {
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return {nullptr, 0};
  FileBlock block = {nullptr, 0};
  const long long size = SizeWithin(file, minSize, maxSize);
  if (size >= 0) {
    const size_t wanted = static_cast<size_t>(size);
    auto* bytes = static_cast<uint8_t*>(AllocateZeroed(wanted > minBlockBytes ? wanted : minBlockBytes));
    if (bytes != nullptr && ReadExactly(file, bytes, wanted)) {
      block = {bytes, static_cast<uint32_t>(size)};
    } else if (bytes != nullptr) {
      Release(bytes);
    }
  }
  close(file);
  return block;
}

void CopyTextBounded(char* target, const char* source, int targetSize) {
  if (targetSize <= 0) return;
  const size_t room = static_cast<size_t>(targetSize) - 1;
  const size_t length = strnlen(source, room);
  memcpy(target, source, length);
  target[length] = '\0';
}

bool TextEquals(const char* a, const char* b) { return strcmp(a, b) == 0; }

size_t TextLength(const char* text) { return strlen(text); }

}  // namespace korvel::platform
