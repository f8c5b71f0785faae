#include "plugin/load.h"

#include <cstring>

#include "platform/platform.h"
#include "plugin/recognition.h"

namespace korvel {

namespace {

// The area is zero-filled at every load, so bytes past the end of the file
// read as 0 and depacker outputs start cleared: loads are deterministic.
struct LoadArea {
  uint8_t bytes[kLargestLoadArea];
};

}  // namespace

Picture* LoadPictureFile(const char* fileName, const DeliverableDescription& deliverable) {
  LoadArea area;
  memset(area.bytes, 0, deliverable.layout.size);
  const uint32_t size = platform::ReadWholeFile(fileName, area.bytes, kMinFileBytes, kReadBufferBytes);
  if (size == 0) return nullptr;
  return RecognisePicture(area.bytes, size, fileName, deliverable);
}

Picture* LoadPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                          const DeliverableDescription& deliverable) {
  if (size < kMinFileBytes || size > kReadBufferBytes) return nullptr;
  LoadArea area;
  memset(area.bytes, 0, deliverable.layout.size);
  memcpy(area.bytes, bytes, size);
  return RecognisePicture(area.bytes, static_cast<uint32_t>(size), fileName, deliverable);
}

}  // namespace korvel
