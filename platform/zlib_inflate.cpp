// The inflate of the native builds: zlib, its state on the process heap.

#include <zlib.h>

#include <climits>

#include "platform/inflate.h"
#include "platform/platform.h"

namespace korvel::platform {

struct Inflater {
  z_stream stream;
};

namespace {

voidpf AllocateForZlib(voidpf, uInt items, uInt size) {
  return AllocateZeroed(static_cast<size_t>(items) * size);
}

void ReleaseForZlib(voidpf, voidpf block) { Release(block); }

// zlib counts in uInt: a larger buffer is handed over a piece at a time.
uInt Piece(size_t size) { return size > UINT_MAX ? UINT_MAX : static_cast<uInt>(size); }

}  // namespace

Inflater* BeginInflate() {
  auto* inflater = static_cast<Inflater*>(AllocateZeroed(sizeof(Inflater)));
  if (inflater == nullptr) return nullptr;
  inflater->stream.zalloc = AllocateForZlib;
  inflater->stream.zfree = ReleaseForZlib;
  if (inflateInit(&inflater->stream) != Z_OK) {
    Release(inflater);
    return nullptr;
  }
  return inflater;
}

InflateStatus InflateSome(Inflater* inflater, const uint8_t* input, size_t inputSize, size_t* consumed,
                          uint8_t* output, size_t outputSize, size_t* produced) {
  z_stream& stream = inflater->stream;
  stream.next_in = const_cast<Bytef*>(input);
  stream.avail_in = Piece(inputSize);
  stream.next_out = output;
  stream.avail_out = Piece(outputSize);
  const uInt inputGiven = stream.avail_in;
  const uInt outputGiven = stream.avail_out;
  const int status = inflate(&stream, Z_NO_FLUSH);
  *consumed = inputGiven - stream.avail_in;
  *produced = outputGiven - stream.avail_out;
  switch (status) {
    case Z_OK:
    case Z_BUF_ERROR: return InflateStatus::kGoingOn;  // Z_BUF_ERROR: no progress was possible
    case Z_STREAM_END: return InflateStatus::kEnded;
    case Z_MEM_ERROR: return InflateStatus::kOutOfMemory;
    default: return InflateStatus::kBroken;  // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
  }
}

void EndInflate(Inflater* inflater) {
  if (inflater == nullptr) return;
  inflateEnd(&inflater->stream);
  Release(inflater);
}

}  // namespace korvel::platform
