#include "desktop/windows/thumbnail_extensions.h"

#include "plugin/host_order.h"

namespace korvel::desktop {

namespace {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Entry `entry` of an extension list, `length` bytes, lower-cased into
// `text`; false when it is empty or too long.
bool LowerEntry(const char* entry, size_t length, char (&text)[kLongestThumbnailExtension + 1]) {
  if (length == 0 || length > kLongestThumbnailExtension) return false;
  for (size_t i = 0; i < length; ++i) text[i] = Lower(entry[i]);
  text[length] = '\0';
  return true;
}

bool SameText(const char* a, const char* b) {
  while (*a != '\0' && Lower(*a) == Lower(*b)) ++a, ++b;
  return *a == '\0' && *b == '\0';
}

// Calls `visit` with every entry of every rule set's list in order, until it
// returns true; true when one did.
template <typename Visit>
bool AnyEntry(Visit visit) {
  for (size_t i = 0; i < kHostOrderCount; ++i) {
    for (const char* entry = kHostOrder[i]->extensionList; *entry != '\0';) {
      const char* end = entry;
      while (*end != '\0' && *end != ';') ++end;
      char text[kLongestThumbnailExtension + 1];
      if (LowerEntry(entry, static_cast<size_t>(end - entry), text) && visit(text)) return true;
      entry = *end == ';' ? end + 1 : end;
    }
  }
  return false;
}

}  // namespace

bool IsOptInThumbnailExtension(const char* extension) { return SameText(extension, "scr") || SameText(extension, "wav"); }

void ForEachThumbnailExtension(ThumbnailExtensionVisitor visit, void* context) {
  size_t index = 0;
  AnyEntry([&](const char* extension) {
    // Only the first of equal entries is visited.
    size_t earlier = 0;
    const bool seen = AnyEntry([&](const char* other) { return earlier++ < index && SameText(other, extension); });
    if (!seen) visit(extension, IsOptInThumbnailExtension(extension), context);
    ++index;
    return false;
  });
}

}  // namespace korvel::desktop
