#include "plugin/content_signature.h"

#include "plugin/deliverable.h"
#include "plugin/recognition.h"
#include "plugin/recognition_steps.h"

namespace korvel {

namespace {

// The signatures are korvel_extra's own signature steps, so that the two
// never disagree.
bool BeginsWithExtraSignature(ByteSpan file) {
  for (size_t i = 0; i < kKorvelExtra.stepCount; ++i) {
    const StepTest& test = kKorvelExtra.steps[i].test;
    const bool signature = test.kind == StepTestKind::kSignature || test.kind == StepTestKind::kSignatureAnyCase;
    if (signature && StartsWith(file, test.text, test.kind == StepTestKind::kSignatureAnyCase)) return true;
  }
  return false;
}

bool BeginsHobetaHeader(ByteSpan file) {
  const uint8_t* header = file.Peek(0, kHobetaHeaderBytes);
  if (header == nullptr) return false;
  const uint16_t checksum = static_cast<uint16_t>(header[15] | header[16] << 8);
  const size_t sectorCount = header[14];
  return HobetaChecksum(header) == checksum && file.size() >= kHobetaHeaderBytes + sectorCount * 256;
}

}  // namespace

bool HasZxContentSignature(ByteSpan file) { return BeginsWithExtraSignature(file) || BeginsHobetaHeader(file); }

}  // namespace korvel
