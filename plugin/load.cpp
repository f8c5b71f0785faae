#include "plugin/load.h"

#include <cstring>

#include "platform/platform.h"
#include "plugin/recognition.h"
#include "plugin/recognition_steps.h"

namespace korvel {

namespace {

LoadedPicture OutOfMemoryIf(bool outOfMemory) {
  LoadedPicture none;
  none.outOfMemory = outOfMemory;
  return none;
}

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

LoadedPicture FromReading(const FormReading& reading) {
  if (reading.result.picture == nullptr) return OutOfMemoryIf(reading.result.outOfMemory);
  return {reading.result.picture, reading.formName};
}

// A deliverable with recognition steps reads from a zero-filled heap block
// of at least its load area's size: the steps see exactly the file, the
// Hobeta reading the file and zeros in its load area.
LoadedPicture ReadWithSteps(uint8_t* block, uint32_t size, const char* fileName,
                            const DeliverableDescription& deliverable, const Drawing& drawing = kDefaultDrawing) {
  FileToRead file = {ByteSpan(block, size), fileName, nullptr, &drawing};
  if (size >= kMinFileBytes && size <= kReadBufferBytes) file.loadArea = block;
  const StepsReading reading = RunRecognitionSteps(file, deliverable.steps, deliverable.stepCount);
  if (reading.result.picture == nullptr) return OutOfMemoryIf(reading.result.outOfMemory);
  return {reading.result.picture, reading.formName, reading.container};
}

size_t StepsBlockBytes(size_t fileSize, const DeliverableDescription& deliverable) {
  return fileSize > deliverable.layout.size ? fileSize : deliverable.layout.size;
}

}  // namespace

LoadedPicture LoadNamedPictureFile(const char* fileName, const DeliverableDescription& deliverable) {
  if (deliverable.steps != nullptr) {
    const platform::FileBlock block = platform::ReadWholeFileIntoHeap(
        fileName, deliverable.minFileBytes, deliverable.maxFileBytes, deliverable.layout.size);
    if (block.bytes == nullptr) return {};
    const LoadedPicture loaded = ReadWithSteps(block.bytes, block.size, fileName, deliverable);
    platform::Release(block.bytes);
    return loaded;
  }
  LoadArea area;
  const uint32_t size = platform::ReadWholeFile(fileName, area.bytes, kMinFileBytes, kReadBufferBytes);
  if (size == 0) return {};
  area.ClearPast(size, deliverable);
  return FromReading(ReadRawOrHobeta(area.bytes, size, fileName, deliverable));
}

LoadedPicture LoadNamedPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                                    const DeliverableDescription& deliverable, const Drawing& drawing) {
  if (deliverable.steps != nullptr) {
    if (size < deliverable.minFileBytes || size > deliverable.maxFileBytes) return {};
    auto* block = static_cast<uint8_t*>(platform::AllocateZeroed(StepsBlockBytes(size, deliverable)));
    if (block == nullptr) return OutOfMemoryIf(true);
    memcpy(block, bytes, size);
    const LoadedPicture loaded = ReadWithSteps(block, static_cast<uint32_t>(size), fileName, deliverable, drawing);
    platform::Release(block);
    return loaded;
  }
  if (size < kMinFileBytes || size > kReadBufferBytes) return {};
  LoadArea area;
  memcpy(area.bytes, bytes, size);
  area.ClearPast(static_cast<uint32_t>(size), deliverable);
  return FromReading(ReadRawOrHobeta(area.bytes, static_cast<uint32_t>(size), fileName, deliverable, drawing));
}

Picture* LoadPictureFile(const char* fileName, const DeliverableDescription& deliverable) {
  return LoadNamedPictureFile(fileName, deliverable).picture;
}

Picture* LoadPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                          const DeliverableDescription& deliverable) {
  return LoadNamedPictureBytes(bytes, size, fileName, deliverable).picture;
}

}  // namespace korvel
