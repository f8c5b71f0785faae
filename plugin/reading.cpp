#include "plugin/reading.h"

#include <cstring>

#include "plugin/container_pictures.h"
#include "plugin/host_order.h"

namespace korvel {

FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, FoundItemVisitor visit,
                             void* context) {
  FileReading reading = {};
  const LoadedPicture loaded = LoadNamedPictureInHostOrder(bytes, size, fileName);
  if (loaded.picture == nullptr) {
    reading.outOfMemory = loaded.outOfMemory;
    return reading;
  }
  reading.formName = loaded.formName;
  if (loaded.container == ContainerKind::kNone) {
    reading.pictures = 1;
    FoundItem item = {loaded.picture, loaded.formName, {}, false};
    visit(item, context);
    return reading;
  }
  // The load gave the container's first picture; the walk gives them all.
  ReleasePicture(loaded.picture);
  reading.container = true;
  const bool enoughMemory = ReadContainerItems(loaded.container, ByteSpan(bytes, size), [&](const ContainerItem& c) {
    FoundItem item = {c.result.picture, c.formName, {}, c.warn};
    static_assert(sizeof item.label == sizeof c.label);
    memcpy(item.label, c.label, sizeof item.label);
    reading.pictures += item.picture != nullptr ? 1 : 0;
    return visit(item, context);
  });
  reading.outOfMemory = !enoughMemory;
  return reading;
}

}  // namespace korvel
