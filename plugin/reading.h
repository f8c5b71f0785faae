#pragma once
// Every picture of a file, for the front-ends that read in-process (the
// command-line host): a picture file gives one; a tape, a snapshot or a disk
// image gives each picture it holds, with a label and the name of its form.
// The rule sets are tried in the order a gfp host tries them.

#include <cstddef>
#include <cstdint>

#include "plugin/container_pictures.h"
#include "plugin/frames.h"
#include "plugin/picture.h"

namespace korvel {

// One item of a file: a picture, or a disk entry that gives none.
struct FoundItem {
  Picture* picture;     // the visitor owns it from the call on; null: the entry gives none
  const char* formName;  // what the picture is; for an entry without a picture, why it gives none
  // In a container: the picture's number on a tape, NAME.T of a disk entry;
  // empty for a picture file.
  char label[kContainerLabelBytes];
  bool warn;  // an entry passed over for a reason worth a warning
};

// What the file as a whole is.
struct FileReading {
  const char* formName;  // the picture form or the container; null when nothing reads the file
  bool container;        // items are the pictures and entries inside it
  bool outOfMemory;      // reading stopped for want of memory
  size_t pictures;       // pictures handed to the visitor
};

// Returns false to stop the walk (a visitor that wants only the first picture).
using FoundItemVisitor = bool (*)(FoundItem& item, void* context);

// Calls `visit` for each item of the `size` bytes named `fileName`, in order.
FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, FoundItemVisitor visit,
                             void* context);

// The same, drawn as `choices` say, every picture with all its frames.
FileReading ReadEveryPicture(const uint8_t* bytes, size_t size, const char* fileName, const DrawingChoices& choices,
                             FoundItemVisitor visit, void* context);

// The first picture of the file, as LoadPictureInHostOrder gives it, with
// every frame it has under the default choices (for viewers that animate).
Picture* LoadFirstPictureFrames(const uint8_t* bytes, size_t size, const char* fileName);

// Tape recordings larger than the files korvel_extra reads, up to 1 GiB,
// are read in pieces by the command-line host; larger ones not at all.
inline constexpr uint64_t kMaxRecordingBytes = uint64_t{1} << 30;

// The recording kind (kCsw, kWav) such a file is read as: by korvel_extra's
// own tests, the CSW signature at the start of `start` (the file's first
// bytes, 23 or more when it has them) or the name `.wav`; kNone for others.
ContainerKind RecordingKindOf(ByteSpan start, const char* fileName);

// Every picture of a recording of that kind, read through `source` in pieces,
// never whole: the pictures ReadEveryPicture gives when the file is in memory.
FileReading ReadEveryRecordingPicture(const PieceSource& source, ContainerKind kind, FoundItemVisitor visit,
                                      void* context);
// The same, drawn as `choices` say, every picture with all its frames (the
// recording is read once more for each other drawing).
FileReading ReadEveryRecordingPicture(const PieceSource& source, ContainerKind kind, const DrawingChoices& choices,
                                      FoundItemVisitor visit, void* context);

}  // namespace korvel
