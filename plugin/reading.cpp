#include "plugin/reading.h"

#include "plugin/host_order.h"

namespace korvel {

FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, FoundItemVisitor visit,
                             void* context) {
  FileReading reading = {};
  Picture* picture = LoadPictureInHostOrder(bytes, size, fileName);
  if (picture == nullptr) return reading;
  reading.formName = "picture";
  reading.pictures = 1;
  FoundItem item = {picture, reading.formName, {}, false};
  visit(item, context);
  return reading;
}

}  // namespace korvel
