#pragma once
// The file extensions the thumbnail provider may be registered for: every one
// that any rule set announces, each once, lower-case and without the dot, in
// the host's order of rule sets. Two are registered only when asked: `scr`,
// which Windows also gives to screen savers, and `wav`, which is sound first.

#include <cstddef>

namespace korvel::desktop {

// Longer entries of an extension list are passed over: no ZX name is so long.
inline constexpr size_t kLongestThumbnailExtension = 15;

using ThumbnailExtensionVisitor = void (*)(const char* extension, bool optIn, void* context);

void ForEachThumbnailExtension(ThumbnailExtensionVisitor visit, void* context);

// Whether `extension` (without the dot) is one of the opt-in extensions, in any case.
bool IsOptInThumbnailExtension(const char* extension);

}  // namespace korvel::desktop
