#pragma once
// The few operating-system services the plug-ins use: reading a file whole,
// the zero-filled process heap, and three byte-string helpers. Each system
// has one implementation (posix.cpp, win32.cpp); nothing else in the
// plug-ins talks to the system.

#include <cstddef>
#include <cstdint>

namespace korvel::platform {

// Opens `path` for reading, and when its whole size lies in [minSize, maxSize]
// reads it with a single read into `buffer` (which holds maxSize bytes).
// Returns the number of bytes read, or 0 when the file cannot be opened, its
// size is outside the limits, or the read comes up short.
uint32_t ReadWholeFile(const char* path, uint8_t* buffer, uint32_t minSize, uint32_t maxSize);

// A file read whole into a block of the process heap.
struct FileBlock {
  uint8_t* bytes;  // give back with Release; null when nothing was read
  uint32_t size;   // the file's size
};

// Opens `path` and, when its whole size lies in [minSize, maxSize], reads it
// with a single read into a new zero-filled heap block of the larger of its
// size and `minBlockBytes` (so the block reads 0 past the end of the file).
// {null, 0} when the file cannot be opened, its size is outside the limits,
// the heap refuses the block, or the read comes up short.
FileBlock ReadWholeFileIntoHeap(const char* path, uint32_t minSize, uint32_t maxSize, size_t minBlockBytes);

// A zero-filled block from the process heap. A request of 0 bytes still gives
// a block. Null only when the heap cannot satisfy the request.
void* AllocateZeroed(size_t bytes);

// Gives a block back to the process heap. Returns the heap's success answer.
bool Release(void* block);

// Copies `source` into `target`, at most targetSize bytes with the terminating
// zero included: a longer text is cut and still terminated. Writes nothing
// when targetSize is 0 or less.
void CopyTextBounded(char* target, const char* source, int targetSize);

// Exact, case-sensitive comparison of two zero-terminated byte strings.
bool TextEquals(const char* a, const char* b);

// Length in bytes of a zero-terminated byte string.
size_t TextLength(const char* text);

}  // namespace korvel::platform
