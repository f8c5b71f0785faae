#include "plugin/reading.h"

#include <cstring>

#include "platform/platform.h"
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

namespace {

// Every picture of a recording read in pieces, drawn with `drawing`.
FileReading WalkEveryRecordingPicture(const PieceSource& source, ContainerKind kind, const Drawing& drawing,
                                      FoundItemVisitor visit, void* context) {
  FileReading reading = {};
  const RecognitionStep* step = RecordingStep(kind);
  if (step == nullptr) return reading;
  const bool enoughMemory = ReadRecordingItems(kind, source, ItemHandler{reading, visit, context}, drawing);
  reading.outOfMemory = !enoughMemory;
  if (reading.pictures != 0 || !enoughMemory) {
    reading.formName = step->name;
    reading.container = true;
  }
  return reading;
}

}  // namespace

FileReading ReadEveryRecordingPicture(const PieceSource& source, ContainerKind kind, FoundItemVisitor visit,
                                      void* context) {
  return WalkEveryRecordingPicture(source, kind, kDefaultDrawing, visit, context);
}

namespace {

// Every picture of the file drawn with `drawing`.
FileReading WalkEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, const Drawing& drawing,
                             FoundItemVisitor visit, void* context) {
  FileReading reading = {};
  const LoadedPicture loaded = LoadNamedPictureInHostOrder(bytes, size, fileName, drawing);
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
      ReadContainerItems(loaded.container, ByteSpan(bytes, size), ItemHandler{reading, visit, context}, drawing);
  reading.outOfMemory = !enoughMemory;
  return reading;
}

// A walk's items, kept until the walks are joined; grows by doubling.
struct WalkedItems {
  FoundItem* items = nullptr;
  size_t count = 0;
  size_t capacity = 0;
  bool outOfMemory = false;

  void Release() {
    for (size_t i = 0; i < count; ++i) ReleasePicture(items[i].picture);
    platform::Release(items);
    *this = {};
  }
  Picture* Take(size_t i) {
    if (i >= count) return nullptr;
    Picture* picture = items[i].picture;
    items[i].picture = nullptr;
    return picture;
  }
};

bool KeepItem(FoundItem& item, void* context) {
  auto& walked = *static_cast<WalkedItems*>(context);
  if (walked.count == walked.capacity) {
    const size_t capacity = walked.capacity == 0 ? 8 : 2 * walked.capacity;
    auto* items = static_cast<FoundItem*>(platform::AllocateZeroed(capacity * sizeof(FoundItem)));
    if (items == nullptr) {
      ReleasePicture(item.picture);
      walked.outOfMemory = true;
      return false;
    }
    if (walked.count != 0) memcpy(items, walked.items, walked.count * sizeof(FoundItem));
    platform::Release(walked.items);
    walked.items = items;
    walked.capacity = capacity;
  }
  walked.items[walked.count++] = item;
  return true;
}


}  // namespace

Picture* LoadFirstPictureFrames(const uint8_t* bytes, size_t size, const char* fileName) {
  const DrawingChoices choices;  // the drawings point into it
  const WalkDrawings walks = PrepareDrawings(choices, nullptr);
  Picture* first = LoadNamedPictureInHostOrder(bytes, size, fileName, walks.first).picture;
  if (first != nullptr && first->mayFlash) {
    JoinFrames(*first, LoadNamedPictureInHostOrder(bytes, size, fileName, walks.flashed).picture, nullptr);
  }
  return first;
}

namespace {

// Reads with `walk(drawing, visit, context)` as `choices` say: the walks of
// every drawing, their items joined into frames, then bordered.
template <class Walk>
FileReading ReadAndJoin(const DrawingChoices& choices, Walk walk, FoundItemVisitor visit, void* context) {
  FileReading reading = {};
  DrawingTables* tables = nullptr;
  if (NeedsTables(choices)) {
    tables = static_cast<DrawingTables*>(platform::AllocateZeroed(sizeof(DrawingTables)));
    if (tables == nullptr) {
      reading.outOfMemory = true;
      return reading;
    }
  }
  const WalkDrawings walks = PrepareDrawings(choices, tables);
  WalkedItems shown, flashed, secondScreen;
  reading = walk(walks.first, KeepItem, &shown);
  bool enoughMemory = !reading.outOfMemory && !shown.outOfMemory;
  // Walked again with another drawing, the file gives its items in the same order.
  auto walkAgain = [&](const Drawing& drawing, WalkedItems& walked) {
    const FileReading again = walk(drawing, KeepItem, &walked);
    return !again.outOfMemory && !walked.outOfMemory;
  };
  // Walked again only for what can change: most files have no FLASH.
  bool mayFlash = false, twoScreens = false;
  for (size_t i = 0; i < shown.count; ++i) {
    if (const Picture* picture = shown.items[i].picture) {
      mayFlash = mayFlash || picture->mayFlash;
      twoScreens = twoScreens || picture->twoScreens;
    }
  }
  if (enoughMemory && mayFlash) enoughMemory = walkAgain(walks.flashed, flashed);
  if (enoughMemory && walks.flicker && twoScreens) enoughMemory = walkAgain(walks.secondScreen, secondScreen);
  bool visiting = true;  // the items after a visitor's stop are released unseen
  for (size_t i = 0; i < shown.count; ++i) {
    FoundItem& item = shown.items[i];
    if (item.picture != nullptr && enoughMemory) {
      JoinFrames(*item.picture, flashed.Take(i), secondScreen.Take(i));
      item.picture = WithBorder(item.picture, choices);
      enoughMemory = item.picture != nullptr;
    }
    if (!enoughMemory || !visiting) break;
    visiting = visit(item, context);  // the visitor owns the picture from here
    item.picture = nullptr;
  }
  if (!enoughMemory) reading.outOfMemory = true;
  shown.Release();
  flashed.Release();
  secondScreen.Release();
  platform::Release(tables);
  return reading;
}

}  // namespace

FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, const DrawingChoices& choices,
                             FoundItemVisitor visit, void* context) {
  return ReadAndJoin(
      choices,
      [&](const Drawing& drawing, FoundItemVisitor walkVisit, void* walkContext) {
        return WalkEveryPicture(bytes, size, fileName, drawing, walkVisit, walkContext);
      },
      visit, context);
}

FileReading ReadEveryRecordingPicture(const PieceSource& source, ContainerKind kind, const DrawingChoices& choices,
                                      FoundItemVisitor visit, void* context) {
  return ReadAndJoin(
      choices,
      [&](const Drawing& drawing, FoundItemVisitor walkVisit, void* walkContext) {
        return WalkEveryRecordingPicture(source, kind, drawing, walkVisit, walkContext);
      },
      visit, context);
}

FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, FoundItemVisitor visit,
                             void* context) {
  return WalkEveryPicture(bytes, size, fileName, kDefaultDrawing, visit, context);
}

}  // namespace korvel
