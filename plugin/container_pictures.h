#pragma once
// The pictures of tapes, snapshots and disk images, decoded: the container
// readers hand back screen bytes and disk entries, and this turns each into a
// picture, or says why an entry gives none. korvel_extra's container steps
// give the first picture; the in-process host takes every one.

#include <cstddef>
#include <cstdint>

#include "containers/container.h"
#include "plugin/byte_stream.h"
#include "plugin/recognition_steps.h"

namespace korvel {

inline constexpr size_t kContainerLabelBytes = 16;

// A picture of a container, or a disk entry that gives none.
struct ContainerItem {
  DecodeResult result;                  // the visitor owns a picture from the call on
  const char* formName;                 // what the picture is; without one, why there is none
  char label[kContainerLabelBytes];     // the picture's number on a tape, NAME.T of a disk entry; "" else
  bool warn;                            // an entry passed over for a reason worth a warning
};

using ContainerItemVisitor = Visitor<ContainerItem>;

// Walks the container, decoding each picture in order. Disk entries are read
// as korvel_hobeta reads a Hobeta file, with the tolerant Hobeta readings,
// under no name. False when the walk stopped for want of memory.
bool ReadContainerItems(ContainerKind kind, ByteSpan file, ContainerItemVisitor visit,
                        const Drawing& drawing = kDefaultDrawing);

// The largest read a recording's walk takes at once (a WAV frame of every
// channel's sample is at most 65535 bytes), and so its window in pieces.
inline constexpr size_t kRecordingWindowBytes = 128 * 1024;

// A tape recording (kCsw or kWav) read in pieces through `source`, as
// ReadContainerItems reads one in memory. False when the walk stopped for
// want of memory.
bool ReadRecordingItems(ContainerKind kind, const PieceSource& source, ContainerItemVisitor visit,
                        const Drawing& drawing = kDefaultDrawing);

// A recognition step's reader: the container's first picture.
template <ContainerKind Kind>
DecodeResult ReadFirstContainerPicture(const FileToRead& file, const char** formName);

}  // namespace korvel
