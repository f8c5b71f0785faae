// Inflating to a known size, over whichever stream the platform supplies.

#include "platform/inflate.h"

namespace korvel::platform {

InflateResult InflateExactly(const uint8_t* input, size_t inputSize, uint8_t* output, size_t outputSize) {
  Inflater* inflater = BeginInflate();
  if (inflater == nullptr) return InflateResult::kOutOfMemory;
  size_t taken = 0;
  size_t made = 0;
  InflateResult result = InflateResult::kNotInflated;
  for (;;) {
    // Once the output is full, one spare byte tells a stream that ends there
    // from one that would make more.
    uint8_t spare = 0;
    const bool full = made == outputSize;
    size_t consumed = 0;
    size_t produced = 0;
    const InflateStatus status = InflateSome(inflater, input + taken, inputSize - taken, &consumed,
                                             full ? &spare : output + made, full ? 1 : outputSize - made, &produced);
    taken += consumed;
    if (status == InflateStatus::kOutOfMemory) {
      result = InflateResult::kOutOfMemory;
      break;
    }
    if (full && produced != 0) break;  // more than outputSize bytes
    made += produced;
    if (status == InflateStatus::kEnded) {
      if (made == outputSize) result = InflateResult::kInflated;
      break;
    }
    if (status == InflateStatus::kBroken || (consumed == 0 && produced == 0)) break;
  }
  EndInflate(inflater);
  return result;
}

}  // namespace korvel::platform
