#pragma once
// TAP tapes: a word L, then L bytes of one tape block (flag, data,
// checksum), again and again. TZX tapes carry the same blocks and share the
// rule that picks screens out of them.

#include "containers/container.h"

namespace korvel {

// Calls `visit` for each screen on the tape, in tape order. A block that runs
// past the end of the file ends the tape. Never kBroken.
WalkResult WalkTapScreens(ByteSpan file, ScreenVisitor visit);

// Picks screens from tape blocks fed in order. Every flag-0xFF block of 6914
// bytes is a screen (with or without a code header before it); a longer
// flag-0xFF block is one too when directly after a code header that loads
// more than 6912 bytes at 16384, its first 6912 data bytes being the screen.
class TapeScreenFinder {
 public:
  // The screen `block` (flag, data, checksum) holds, or an empty span.
  ByteSpan Next(ByteSpan block);

  // The same for a block of `size` bytes of which only the first lie in
  // `start`: all of them, or at least kBlockBytesLookedAt (a recording's
  // block is not kept whole).
  ByteSpan Next(ByteSpan start, size_t size);
  static constexpr size_t kBlockBytesLookedAt = 6914;

 private:
  bool afterLongCodeHeader_ = false;
};

}  // namespace korvel
