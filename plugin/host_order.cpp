#include "plugin/host_order.h"

#include "plugin/load.h"

namespace korvel {

namespace {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The extension of the last path component, without its dot; null when none.
const char* ComponentExtension(const char* fileName) {
  const char* extension = nullptr;
  for (const char* p = fileName; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') extension = nullptr;
    if (*p == '.') extension = p + 1;
  }
  return extension;
}

}  // namespace

bool ExtensionListHolds(const char* extensionList, const char* fileName) {
  const char* extension = ComponentExtension(fileName);
  if (extension == nullptr) return false;
  for (const char* entry = extensionList; *entry != '\0';) {
    const char* e = entry;
    const char* x = extension;
    while (*e != '\0' && *e != ';' && *x != '\0' && Lower(*e) == Lower(*x)) ++e, ++x;
    if ((*e == '\0' || *e == ';') && *x == '\0') return true;
    while (*e != '\0' && *e != ';') ++e;
    entry = *e == ';' ? e + 1 : e;
  }
  return false;
}

const DeliverableDescription* const kHostOrder[] = {&kKorvelHobeta, &kKorvelScreens, &kKorvelExtra};
const size_t kHostOrderCount = sizeof kHostOrder / sizeof kHostOrder[0];

LoadedPicture LoadNamedPictureInHostOrder(const uint8_t* bytes, size_t size, const char* fileName,
                                          const Drawing& drawing) {
  for (int pass = 0; pass < 2; ++pass) {
    const bool claimed = pass == 0;
    for (size_t i = 0; i < kHostOrderCount; ++i) {
      if (ExtensionListHolds(kHostOrder[i]->extensionList, fileName) != claimed) continue;
      const LoadedPicture loaded = LoadNamedPictureBytes(bytes, size, fileName, *kHostOrder[i], drawing);
      if (loaded.picture != nullptr || loaded.outOfMemory) return loaded;
    }
  }
  return {};
}

Picture* LoadPictureInHostOrder(const uint8_t* bytes, size_t size, const char* fileName) {
  return LoadNamedPictureInHostOrder(bytes, size, fileName).picture;
}

}  // namespace korvel
