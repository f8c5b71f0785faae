#pragma once
// The one inflate korvel uses, for the zlib streams (a 2-byte header, deflate
// data, an Adler-32 check) that some snapshots and tape recordings hold. The
// stream itself is the system's: zlib in the native builds (linked statically
// into the Windows DLLs), and in the WebAssembly build the synchronous inflate
// that the page's script supplies. korvel has no inflate of its own.

#include <cstddef>
#include <cstdint>

namespace korvel::platform {

// One stream being inflated; opaque.
struct Inflater;

enum class InflateStatus : uint8_t {
  kGoingOn,      // the stream has not ended: more input, or more output room, is needed
  kEnded,        // the stream ended here and its check holds; bytes after it are not looked at
  kBroken,       // not a zlib stream, or a damaged one
  kOutOfMemory,  // the inflate's own state could not be allocated
};

// A new stream, or null for want of memory.
Inflater* BeginInflate();

// Inflates from `input` into `output` until the input is used up, the output
// is full, or the stream ends or breaks. Sets *consumed and *produced to the
// bytes taken and made in this call (both 0 when nothing could move).
InflateStatus InflateSome(Inflater* inflater, const uint8_t* input, size_t inputSize, size_t* consumed,
                          uint8_t* output, size_t outputSize, size_t* produced);

// Gives the stream's state back. Null is accepted.
void EndInflate(Inflater* inflater);

enum class InflateResult : uint8_t { kInflated, kNotInflated, kOutOfMemory };

// Whether the zlib stream at the start of `input` ends within it having made
// exactly `outputSize` bytes, which fill `output`. Never makes more than
// `outputSize` bytes, so a stream that would make more costs no more memory
// than the output. A stream that breaks, makes too few or too many bytes, or
// has not ended when the input runs out is kNotInflated (the output then
// holds whatever was made).
InflateResult InflateExactly(const uint8_t* input, size_t inputSize, uint8_t* output, size_t outputSize);

}  // namespace korvel::platform
