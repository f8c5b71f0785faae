#pragma once
// Reading a file whole and turning it into a picture.

#include <cstddef>
#include <cstdint>

#include "containers/container.h"
#include "decoders/drawing.h"
#include "plugin/deliverable.h"
#include "plugin/picture.h"

namespace korvel {

inline constexpr uint32_t kMinFileBytes = 17;
inline constexpr uint32_t kReadBufferBytes = 65552;
inline constexpr size_t kLargestLoadArea = 90896;

// korvel_extra reads files of 1 byte to 16 MiB; larger ones are refused unread.
inline constexpr uint32_t kMinExtraFileBytes = 1;
inline constexpr uint32_t kMaxExtraFileBytes = 16 * 1024 * 1024;

// A picture and the name, for people, of the form it was read as (the
// recognition step or Hobeta rule that gave it); both null for no picture.
struct LoadedPicture {
  Picture* picture = nullptr;
  const char* formName = nullptr;
  ContainerKind container = ContainerKind::kNone;  // the picture is the first of this container's
  bool outOfMemory = false;                        // no picture for want of memory, not for the file
};

// Reads `fileName` whole and recognises it. No picture when the file cannot
// be read, its size lies outside the deliverable's limits (17 to 65552 bytes,
// or 1 byte to 16 MiB for korvel_extra), or it is not a picture this
// deliverable reads.
LoadedPicture LoadNamedPictureFile(const char* fileName, const DeliverableDescription& deliverable);

// The same, for a file already in memory: `size` bytes, named `fileName`
// (only its extension is looked at).
LoadedPicture LoadNamedPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                                    const DeliverableDescription& deliverable,
                                    const Drawing& drawing = kDefaultDrawing);

// The pictures of the two above alone.
Picture* LoadPictureFile(const char* fileName, const DeliverableDescription& deliverable);
Picture* LoadPictureBytes(const uint8_t* bytes, size_t size, const char* fileName,
                          const DeliverableDescription& deliverable);

}  // namespace korvel
