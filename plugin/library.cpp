// The public C API (include/korvel/korvel.h): a file's every picture, read by
// the in-process reading, held in blocks of its own so that nothing points
// into the caller's bytes. Pictures are the decoders' own; form names and
// reasons are the core's constant texts.

#include "korvel/korvel.h"

#include <cstddef>
#include <cstring>

#include "platform/platform.h"
#include "plugin/frames.h"
#include "plugin/load.h"
#include "plugin/reading.h"

namespace {

using korvel::Picture;

constexpr size_t kNoPicture = static_cast<size_t>(-1);
constexpr char kNotRead[] = "not a ZX picture korvel reads";

struct Item {
  Picture* picture;      // owned; null for an entry that gives none
  const char* formName;  // the picture's form, or why the entry gives none
  char label[korvel::kContainerLabelBytes];
  bool warn;
  size_t pictureIndex;  // kNoPicture for an entry
};

// What a caller may ask of a reading beyond the defaults, from the public
// record that begins with its size.
struct ReadingOptions {
  korvel::DrawingChoices drawing;
  uint32_t scale = 1;
};

constexpr char kTooLargeToScale[] = "scaled picture over 65535 pixels a side or 1 GiB of RGB";

// Items grow by doubling; a failed allocation ends the reading.
struct Collector {
  Item* items;
  size_t count;
  size_t capacity;
  size_t pictures;
  bool outOfMemory;
  uint32_t scale;
};

bool Grow(Collector& collector) {
  const size_t capacity = collector.capacity == 0 ? 4 : collector.capacity * 2;
  auto* items = static_cast<Item*>(korvel::platform::AllocateZeroed(capacity * sizeof(Item)));
  if (items == nullptr) return false;
  if (collector.count != 0) memcpy(items, collector.items, collector.count * sizeof(Item));
  korvel::platform::Release(collector.items);
  collector.items = items;
  collector.capacity = capacity;
  return true;
}

bool CollectItem(korvel::FoundItem& found, void* context) {
  auto& collector = *static_cast<Collector*>(context);
  if (collector.count == collector.capacity && !Grow(collector)) {
    korvel::ReleasePicture(found.picture);
    collector.outOfMemory = true;
    return false;
  }
  Item& item = collector.items[collector.count++];
  item.picture = found.picture;
  item.formName = found.formName != nullptr ? found.formName : "";
  if (item.picture != nullptr && collector.scale > 1) {
    const korvel::ScaledFrames scaled = korvel::ScaleFrames(*item.picture, collector.scale);
    if (scaled.picture == nullptr && !scaled.tooLarge) {
      collector.count--;
      korvel::ReleasePicture(found.picture);
      collector.outOfMemory = true;
      return false;
    }
    korvel::ReleasePicture(item.picture);
    item.picture = scaled.picture;
    if (scaled.tooLarge) item.formName = kTooLargeToScale;
  }
  static_assert(sizeof item.label == sizeof found.label);
  memcpy(item.label, found.label, sizeof item.label);
  item.label[sizeof item.label - 1] = '\0';
  item.warn = found.warn;
  item.pictureIndex = item.picture != nullptr ? collector.pictures++ : kNoPicture;
  return true;
}

void ReleaseItems(Item* items, size_t count) {
  for (size_t i = 0; i < count; ++i) korvel::ReleasePicture(items[i].picture);
  korvel::platform::Release(items);
}

}  // namespace

struct korvel_file {
  const char* formName;  // null when nothing reads the file
  bool container;
  Item* items;
  size_t itemCount;
  size_t* pictureItems;  // the item of each picture
  size_t pictureCount;
};

namespace {

korvel_file* OpenMemory(const uint8_t* bytes, size_t size, const char* name, const ReadingOptions& options) {
  if (bytes == nullptr && size != 0) return nullptr;
  auto* file = static_cast<korvel_file*>(korvel::platform::AllocateZeroed(sizeof(korvel_file)));
  if (file == nullptr) return nullptr;
  if (size > korvel::kMaxExtraFileBytes) return file;  // no rule set reads a file that large
  static const uint8_t kNothing = 0;
  Collector collector = {};
  collector.scale = options.scale;
  const korvel::FileReading reading = korvel::ReadEveryPicture(bytes != nullptr ? bytes : &kNothing, size,
                                                               name != nullptr ? name : "", options.drawing,
                                                               CollectItem, &collector);
  size_t* pictureItems = nullptr;
  if (!reading.outOfMemory && !collector.outOfMemory) {
    pictureItems = static_cast<size_t*>(korvel::platform::AllocateZeroed(collector.pictures * sizeof(size_t)));
  }
  if (pictureItems == nullptr) {
    ReleaseItems(collector.items, collector.count);
    korvel::platform::Release(file);
    return nullptr;
  }
  for (size_t i = 0; i < collector.count; ++i) {
    if (collector.items[i].pictureIndex != kNoPicture) pictureItems[collector.items[i].pictureIndex] = i;
  }
  file->formName = reading.formName;
  file->container = reading.container;
  file->items = collector.items;
  file->itemCount = collector.count;
  file->pictureItems = pictureItems;
  file->pictureCount = collector.pictures;
  return file;
}

const Item* ItemAt(const korvel_file* file, size_t item) {
  return file != nullptr && item < file->itemCount ? &file->items[item] : nullptr;
}

const Item* PictureItem(const korvel_file* file, size_t picture) {
  return file != nullptr && picture < file->pictureCount ? &file->items[file->pictureItems[picture]] : nullptr;
}

const Picture* FrameOf(const korvel_file* file, size_t picture, size_t frame) {
  const Item* item = PictureItem(file, picture);
  const Picture* found = item != nullptr ? item->picture : nullptr;
  for (; found != nullptr && frame != 0; --frame) found = found->nextFrame;
  return found;
}

uint32_t GreatestCommonDivisor(uint32_t a, uint32_t b) {
  while (b != 0) {
    const uint32_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

}  // namespace

extern "C" {

korvel_file* korvel_open_memory(const uint8_t* bytes, size_t size, const char* name) {
  return OpenMemory(bytes, size, name, ReadingOptions{});
}

korvel_file* korvel_open_memory_with(const uint8_t* bytes, size_t size, const char* name,
                                     const korvel_options* options) {
  ReadingOptions reading;
  if (!korvel::ChoicesFromOptions(options, reading.drawing, reading.scale)) return nullptr;
  return OpenMemory(bytes, size, name, reading);
}

void korvel_close(korvel_file* file) {
  if (file == nullptr) return;
  ReleaseItems(file->items, file->itemCount);
  korvel::platform::Release(file->pictureItems);
  korvel::platform::Release(file);
}

const char* korvel_file_form(const korvel_file* file) { return file != nullptr ? file->formName : nullptr; }

const char* korvel_file_reason(const korvel_file* file) {
  return file != nullptr && file->formName == nullptr ? kNotRead : nullptr;
}

int korvel_file_is_container(const korvel_file* file) { return file != nullptr && file->container ? 1 : 0; }

size_t korvel_picture_count(const korvel_file* file) { return file != nullptr ? file->pictureCount : 0; }

uint32_t korvel_picture_width(const korvel_file* file, size_t picture) {
  const Item* item = PictureItem(file, picture);
  return item != nullptr ? item->picture->width : 0;
}

uint32_t korvel_picture_height(const korvel_file* file, size_t picture) {
  const Item* item = PictureItem(file, picture);
  return item != nullptr ? item->picture->height : 0;
}

const uint8_t* korvel_picture_rgb(const korvel_file* file, size_t picture) {
  const Item* item = PictureItem(file, picture);
  return item != nullptr ? item->picture->pixels : nullptr;
}

const char* korvel_picture_label(const korvel_file* file, size_t picture) {
  const Item* item = PictureItem(file, picture);
  return item != nullptr ? item->label : nullptr;
}

const char* korvel_picture_form(const korvel_file* file, size_t picture) {
  const Item* item = PictureItem(file, picture);
  return item != nullptr ? item->formName : nullptr;
}

size_t korvel_picture_frame_count(const korvel_file* file, size_t picture) {
  size_t frames = 0;
  for (const Picture* frame = FrameOf(file, picture, 0); frame != nullptr; frame = frame->nextFrame) ++frames;
  return frames;
}

const uint8_t* korvel_picture_frame_rgb(const korvel_file* file, size_t picture, size_t frame) {
  const Picture* found = FrameOf(file, picture, frame);
  return found != nullptr ? found->pixels : nullptr;
}

int korvel_picture_frame_delay(const korvel_file* file, size_t picture, size_t frame, uint32_t* numerator,
                               uint32_t* denominator) {
  const Picture* found = FrameOf(file, picture, frame);
  if (found == nullptr || found->delay == 0 || numerator == nullptr || denominator == nullptr) return 0;
  const uint32_t common = GreatestCommonDivisor(found->delay, korvel::kFramesPerSecond);
  *numerator = found->delay / common;
  *denominator = korvel::kFramesPerSecond / common;
  return 1;
}

size_t korvel_item_count(const korvel_file* file) { return file != nullptr ? file->itemCount : 0; }

size_t korvel_item_picture(const korvel_file* file, size_t item) {
  const Item* found = ItemAt(file, item);
  return found != nullptr ? found->pictureIndex : kNoPicture;
}

const char* korvel_item_label(const korvel_file* file, size_t item) {
  const Item* found = ItemAt(file, item);
  return found != nullptr ? found->label : nullptr;
}

const char* korvel_item_reason(const korvel_file* file, size_t item) {
  const Item* found = ItemAt(file, item);
  return found != nullptr && found->picture == nullptr ? found->formName : nullptr;
}

int korvel_item_warns(const korvel_file* file, size_t item) {
  const Item* found = ItemAt(file, item);
  return found != nullptr && found->warn ? 1 : 0;
}

const char* korvel_version(void) { return KORVEL_VERSION; }

}  // extern "C"
