#pragma once
// Every read of file data, and of depacked data, goes through these two
// types. A ByteSpan is a bounded view of bytes; a ByteReader walks one from
// the front. A read past the end never touches memory outside the view: it
// yields 0 and marks the reader failed, and the caller gives up the load.

#include <cstddef>
#include <cstdint>

namespace korvel {

class ByteSpan {
 public:
  constexpr ByteSpan() = default;
  constexpr ByteSpan(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  constexpr size_t size() const { return size_; }

  // `count` bytes at `offset`, or null when they do not all lie inside.
  constexpr const uint8_t* Peek(size_t offset, size_t count) const {
    return offset <= size_ && count <= size_ - offset ? bytes_ + offset : nullptr;
  }

  // The bytes from `offset` to the end; empty when offset lies past the end.
  constexpr ByteSpan From(size_t offset) const {
    return offset <= size_ ? ByteSpan(bytes_ + offset, size_ - offset) : ByteSpan();
  }

 private:
  const uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
};

// A writable view, for depacker output areas.
class MutableByteSpan {
 public:
  constexpr MutableByteSpan() = default;
  constexpr MutableByteSpan(uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  constexpr size_t size() const { return size_; }
  constexpr uint8_t* data() const { return bytes_; }
  constexpr ByteSpan AsBytes() const { return ByteSpan(bytes_, size_); }

 private:
  uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
};

class ByteReader {
 public:
  explicit constexpr ByteReader(ByteSpan span, size_t position = 0)
      : span_(span), position_(position), failed_(position > span.size()) {}

  // The next byte, or 0 (and failed) past the end.
  constexpr uint8_t Byte() {
    const uint8_t* byte = span_.Peek(position_, 1);
    if (byte == nullptr) {
      failed_ = true;
      return 0;
    }
    ++position_;
    return *byte;
  }

  // The next 16-bit little-endian word.
  constexpr uint16_t Word() {
    const uint8_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }

  // The next `count` bytes as a block, or null (and failed) when they do not
  // all lie inside; the position then stays where it was.
  constexpr const uint8_t* Block(size_t count) {
    const uint8_t* block = span_.Peek(position_, count);
    if (block == nullptr) {
      failed_ = true;
      return nullptr;
    }
    position_ += count;
    return block;
  }

  constexpr size_t position() const { return position_; }
  constexpr bool failed() const { return failed_; }

 private:
  ByteSpan span_;
  size_t position_;
  bool failed_;
};

}  // namespace korvel
