// The inflate of the WebAssembly build: the module's host inflates, through
// one synchronous import that korvel.mjs supplies (node's zlib in node, a
// small inflate library in browsers). The stream's state lives on the
// script's side, known by the address of its Inflater here.

#include "platform/inflate.h"
#include "platform/platform.h"

namespace {

// korvel.inflate(stream, input, inputSize, output, outputSize, counts):
// inflates what it can from `input` into `output` and stores the bytes taken
// and made in counts[0] and counts[1]; returns 0 (going on), 1 (ended, its
// check holding), 2 (broken) or 3 (out of memory). With `counts` null it
// forgets the stream.
extern "C" __attribute__((import_module("korvel"), import_name("inflate"))) uint32_t KorvelInflate(
    const void* stream, const uint8_t* input, size_t inputSize, uint8_t* output, size_t outputSize,
    uint32_t* counts);

}  // namespace

namespace korvel::platform {

struct Inflater {
  uint8_t unused;  // only its address matters
};

Inflater* BeginInflate() { return static_cast<Inflater*>(AllocateZeroed(sizeof(Inflater))); }

InflateStatus InflateSome(Inflater* inflater, const uint8_t* input, size_t inputSize, size_t* consumed,
                          uint8_t* output, size_t outputSize, size_t* produced) {
  uint32_t counts[2] = {0, 0};
  const uint32_t status = KorvelInflate(inflater, input, inputSize, output, outputSize, counts);
  *consumed = 0;
  *produced = 0;
  // The script is trusted no further than the buffers it was given.
  if (counts[0] > inputSize || counts[1] > outputSize || status > 3) return InflateStatus::kBroken;
  *consumed = counts[0];
  *produced = counts[1];
  switch (status) {
    case 0: return InflateStatus::kGoingOn;
    case 1: return InflateStatus::kEnded;
    case 3: return InflateStatus::kOutOfMemory;
    default: return InflateStatus::kBroken;
  }
}

void EndInflate(Inflater* inflater) {
  if (inflater == nullptr) return;
  KorvelInflate(inflater, nullptr, 0, nullptr, 0, nullptr);
  Release(inflater);
}

}  // namespace korvel::platform

// The module's own test entry: InflateExactly over the script's inflate, so
// that tests can drive the import end to end before a container needs it.
extern "C" __attribute__((export_name("korvel_test_inflate_exactly"))) uint32_t KorvelTestInflateExactly(
    const uint8_t* input, size_t inputSize, uint8_t* output, size_t outputSize) {
  return static_cast<uint32_t>(korvel::platform::InflateExactly(input, inputSize, output, outputSize));
}
