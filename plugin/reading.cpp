#include "plugin/reading.h"

#include <cstring>

#include "plugin/container_pictures.h"
#include "plugin/host_order.h"
#include "plugin/recognition_steps.h"

namespace korvel {

namespace {

// Hands a container's item on as a found item.
struct ItemHandler {
  FileReading& reading;
  FoundItemVisitor visit;
  void* context;

  bool operator()(const ContainerItem& c) const {
    FoundItem item = {c.result.picture, c.formName, {}, c.warn};
    static_assert(sizeof item.label == sizeof c.label);
    memcpy(item.label, c.label, sizeof item.label);
    reading.pictures += item.picture != nullptr ? 1 : 0;
    return visit(item, context);
  }
};

// korvel_extra's step for a recording of `kind` (its test and its name).
const RecognitionStep* RecordingStep(ContainerKind kind) {
  for (size_t i = 0; i < kKorvelExtra.stepCount; ++i) {
    if (kKorvelExtra.steps[i].container == kind) return &kKorvelExtra.steps[i];
  }
  return nullptr;
}

}  // namespace

ContainerKind RecordingKindOf(ByteSpan start, const char* fileName) {
  const FileToRead file = {start, fileName, nullptr};
  for (size_t i = 0; i < kKorvelExtra.stepCount; ++i) {
    const RecognitionStep& step = kKorvelExtra.steps[i];
    const bool recording = step.container == ContainerKind::kCsw || step.container == ContainerKind::kWav;
    if (recording && StepTestHolds(step.test, file)) return step.container;
  }
  return ContainerKind::kNone;
}

FileReading ReadEveryRecordingPicture(const PieceSource& source, ContainerKind kind, FoundItemVisitor visit,
                                      void* context) {
  FileReading reading = {};
  const RecognitionStep* step = RecordingStep(kind);
  if (step == nullptr) return reading;
  const bool enoughMemory = ReadRecordingItems(kind, source, ItemHandler{reading, visit, context});
  reading.outOfMemory = !enoughMemory;
  if (reading.pictures != 0 || !enoughMemory) {
    reading.formName = step->name;
    reading.container = true;
  }
  return reading;
}

Picture* LoadFirstPictureFrames(const uint8_t* bytes, size_t size, const char* fileName) {
  return LoadPictureInHostOrder(bytes, size, fileName);
}

FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, const DrawingChoices& /*choices*/,
                             FoundItemVisitor visit, void* context) {
  return ReadEveryPicture(bytes, size, fileName, visit, context);
}

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
  const bool enoughMemory =
      ReadContainerItems(loaded.container, ByteSpan(bytes, size), ItemHandler{reading, visit, context});
  reading.outOfMemory = !enoughMemory;
  return reading;
}

}  // namespace korvel
