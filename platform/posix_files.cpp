// POSIX implementation of the platform layer: files and byte strings.
// The heap lives in posix_heap.cpp, so that test builds can swap it.

#include "platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvel::platform {

uint32_t ReadWholeFile(const char* path, uint8_t* buffer, uint32_t minSize, uint32_t maxSize) {
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  uint32_t result = 0;
  struct stat status;
  // The whole size is held against the limits, not just its low 32 bits.
  if (fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size >= minSize &&
      status.st_size <= maxSize) {
    const size_t wanted = static_cast<size_t>(status.st_size);
    size_t got = 0;
    while (got < wanted) {
      const ssize_t n = read(file, buffer + got, wanted - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got == wanted) result = static_cast<uint32_t>(wanted);
  }
  close(file);
  return result;
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
