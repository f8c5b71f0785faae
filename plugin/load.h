#pragma once
// Reading a file whole into a per-load area and turning it into a picture.

#include <cstddef>
#include <cstdint>

#include "plugin/deliverable.h"
#include "plugin/picture.h"

namespace korvel {

inline constexpr uint32_t kMinFileBytes = 17;
inline constexpr uint32_t kReadBufferBytes = 65552;
inline constexpr size_t kLargestLoadArea = 90896;

// Reads `fileName` whole and recognises it. Null when the file cannot be
// read, its size lies outside 17 to 65552 bytes, or it is not a picture this
// deliverable reads.
Picture* LoadPictureFile(const char* fileName, const DeliverableDescription& deliverable);

// The same, for a file already in memory: `size` bytes, named `fileName`
// (only its extension is looked at).
Picture* LoadPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                          const DeliverableDescription& deliverable);

}  // namespace korvel
