#include "plugin/byte_stream.h"

#include <cstring>

namespace korvel {

ByteStream::ByteStream(ByteSpan file) : bytes_(file.Peek(0, file.size())), held_(file.size()), size_(file.size()) {}

ByteStream::ByteStream(const PieceSource& source, MutableByteSpan window)
    : bytes_(window.data()), held_(0), size_(source.size), source_(source), window_(window) {}

void ByteStream::Refill(size_t count) {
  if (source_.read == nullptr) return;  // in memory: everything is held
  const size_t kept = held_ - at_;
  memmove(window_.data(), bytes_ + at_, kept);
  windowStart_ += at_;
  at_ = 0;
  held_ = kept;
  const uint64_t unread = size_ - (windowStart_ + held_);
  const size_t room = window_.size() - held_;
  const size_t want = unread < room ? static_cast<size_t>(unread) : room;
  if (want == 0 || count <= held_) return;
  if (!source_.read(source_.context, windowStart_ + held_, window_.data() + held_, want)) {
    size_ = windowStart_ + held_;  // a failed read ends the file here
    failed_ = true;
    return;
  }
  held_ += want;
}

const uint8_t* ByteStream::TakeAfterRefill(size_t count) {
  Refill(count);
  if (count > held_ - at_) {
    failed_ = true;
    return nullptr;
  }
  const uint8_t* bytes = bytes_ + at_;
  at_ += count;
  return bytes;
}

ByteSpan ByteStream::Some(size_t count) {
  if (at_ == held_) Refill(1);
  const size_t given = count < held_ - at_ ? count : held_ - at_;
  const ByteSpan some(bytes_ + at_, given);
  at_ += given;
  return some;
}

bool ByteStream::Skip(uint64_t count) {
  if (count > Left()) {
    failed_ = true;
    return false;
  }
  if (count <= held_ - at_) {
    at_ += static_cast<size_t>(count);
  } else {  // past the window: what it holds is dropped
    windowStart_ = position() + count;
    at_ = 0;
    held_ = 0;
  }
  return true;
}

}  // namespace korvel
