// The public C API (include/korvel/korvel.h): a file's every picture, read by
// the in-process reading, held in blocks of its own so that nothing points
// into the caller's bytes. Pictures are the decoders' own; form names and
// reasons are the core's constant texts.

#include "korvel/korvel.h"

#include <cstring>

#include "platform/platform.h"
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

// What a caller may ask of a reading beyond the defaults. Calls with options
// of their own will fill it from a public record that begins with its size.
struct ReadingOptions {};

// Items grow by doubling; a failed allocation ends the reading.
struct Collector {
  Item* items;
  size_t count;
  size_t capacity;
  size_t pictures;
  bool outOfMemory;
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
  static_assert(sizeof item.label == sizeof found.label);
  memcpy(item.label, found.label, sizeof item.label);
  item.label[sizeof item.label - 1] = '\0';
  item.warn = found.warn;
  item.pictureIndex = found.picture != nullptr ? collector.pictures++ : kNoPicture;
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

korvel_file* OpenMemory(const uint8_t* bytes, size_t size, const char* name, const ReadingOptions& /*options*/) {
  if (bytes == nullptr && size != 0) return nullptr;
  auto* file = static_cast<korvel_file*>(korvel::platform::AllocateZeroed(sizeof(korvel_file)));
  if (file == nullptr) return nullptr;
  if (size > korvel::kMaxExtraFileBytes) return file;  // no rule set reads a file that large
  static const uint8_t kNothing = 0;
  Collector collector = {};
  const korvel::FileReading reading = korvel::ReadEveryPicture(bytes != nullptr ? bytes : &kNothing, size,
                                                               name != nullptr ? name : "", CollectItem, &collector);
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

}  // namespace

extern "C" {

korvel_file* korvel_open_memory(const uint8_t* bytes, size_t size, const char* name) {
  return OpenMemory(bytes, size, name, ReadingOptions{});
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
