#pragma once
// RZX recordings: `RZX!`, a version and flags, then blocks of an ID byte, a
// 4-byte length of the whole block and its body. A recording starts from the
// snapshot in its first snapshot block (ID 0x30), stored or zlib-compressed.

#include <optional>

#include "containers/container.h"

namespace korvel {

// The most a compressed snapshot may inflate to.
inline constexpr uint32_t kLargestRzxSnapshot = 16 * 1024 * 1024;

// The snapshot a recording starts from, still to be read as a file of its
// kind (and, when compressed, inflated first).
struct RzxSnapshot {
  ContainerKind kind;  // kZ80, kSzx or kSna
  bool compressed;     // `data` is a zlib stream that must inflate to exactly `length` bytes
  uint32_t length;     // at most kLargestRzxSnapshot when compressed
  ByteSpan data;       // to the end of the block
};

// The first snapshot block's snapshot. None when the file is no RZX, has no
// snapshot block before its blocks end, or the first one is cut short,
// names an external file, is of another kind, or is compressed to more
// than kLargestRzxSnapshot. Later snapshot blocks are not looked at.
std::optional<RzxSnapshot> FindRzxSnapshot(ByteSpan file);

}  // namespace korvel
