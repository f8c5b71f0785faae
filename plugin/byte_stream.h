#pragma once
// A file read once from the front, which may be larger than what is held of
// it: a tape recording, which the command-line host reads in pieces when it
// is larger than a file korvel_extra reads. The same stream serves a file in
// memory (the window is the whole file) and a file read through a small
// window that a PieceSource refills. Every read is bounds-checked as
// ByteReader's are: a read past the end yields nothing and marks the stream
// failed.

#include <cstddef>
#include <cstdint>

#include "plugin/byte_reader.h"

namespace korvel {

// Where the pieces of a file come from.
struct PieceSource {
  uint64_t size;  // the file's size
  // Reads the `count` bytes at `offset` (they lie inside the file) into
  // `into`; false when they cannot be read, which ends the file there.
  bool (*read)(void* context, uint64_t offset, uint8_t* into, size_t count);
  void* context;
};

class ByteStream {
 public:
  // A file in memory.
  explicit ByteStream(ByteSpan file);
  // A file read through `window`, which must hold the largest Take.
  ByteStream(const PieceSource& source, MutableByteSpan window);

  uint64_t size() const { return size_; }
  uint64_t position() const { return windowStart_ + at_; }
  uint64_t Left() const { return size_ - position(); }
  bool failed() const { return failed_; }

  // The next `count` bytes (at most the window's size), or null (and failed)
  // when they do not all lie inside the file; the position then stays.
  const uint8_t* Take(size_t count) {
    if (count <= held_ - at_) {
      const uint8_t* bytes = bytes_ + at_;
      at_ += count;
      return bytes;
    }
    return TakeAfterRefill(count);
  }

  // Up to `count` next bytes, at least one unless the file has ended: for
  // readers that take the bytes as they come.
  ByteSpan Some(size_t count);

  // Steps over `count` bytes; false (and failed) when they pass the end.
  bool Skip(uint64_t count);

 private:
  const uint8_t* TakeAfterRefill(size_t count);
  // Keeps the unread bytes and reads on after them, so that at least
  // `count` are held (fewer only at the end of the file).
  void Refill(size_t count);

  const uint8_t* bytes_;
  size_t held_;  // bytes of the window that hold the file from windowStart_
  size_t at_ = 0;
  uint64_t windowStart_ = 0;
  uint64_t size_;
  PieceSource source_ = {0, nullptr, nullptr};  // no `read`: the file is in memory
  MutableByteSpan window_;
  bool failed_ = false;
};

// A little-endian field of 1 to 4 bytes.
inline uint32_t LittleEndian(const uint8_t* bytes, size_t count) {
  uint32_t value = 0;
  for (size_t i = count; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

}  // namespace korvel
