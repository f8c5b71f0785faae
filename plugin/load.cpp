#include "plugin/load.h"

#include <cstring>

#include "platform/platform.h"
#include "plugin/recognition.h"

namespace korvel {

namespace {

// Bytes past the end of the file read as 0, and depacker outputs start
// cleared, so loads are deterministic. Only the part of the area that the
// file does not fill is cleared: for a screen-sized file that is most of the
// read buffer's tail and the work area, not the 6912 bytes the read replaces.
struct LoadArea {
  uint8_t bytes[kLargestLoadArea];

  void ClearPast(uint32_t fileSize, const DeliverableDescription& deliverable) {
    memset(bytes + fileSize, 0, deliverable.layout.size - fileSize);
  }
};

}  // namespace

Picture* LoadPictureFile(const char* fileName, const DeliverableDescription& deliverable) {
  LoadArea area;
  const uint32_t size = platform::ReadWholeFile(fileName, area.bytes, kMinFileBytes, kReadBufferBytes);
  if (size == 0) return nullptr;
  area.ClearPast(size, deliverable);
  return RecognisePicture(area.bytes, size, fileName, deliverable);
}

Picture* LoadPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                          const DeliverableDescription& deliverable) {
  if (size < kMinFileBytes || size > kReadBufferBytes) return nullptr;
  LoadArea area;
  memcpy(area.bytes, bytes, size);
  area.ClearPast(static_cast<uint32_t>(size), deliverable);
  return RecognisePicture(area.bytes, static_cast<uint32_t>(size), fileName, deliverable);
}

}  // namespace korvel
