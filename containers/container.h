#pragma once
// What the container readers hand back. A container (tape, snapshot, disk
// image) is walked with the bounded reader and its pictures' bytes are given
// to a visitor in order; the readers know nothing of what the bytes show.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

#include "plugin/byte_reader.h"

namespace korvel {

// The containers there are readers of.
enum class ContainerKind : uint8_t {
  kNone, kTap, kTzx, kSna, kZ80, kTrd, kScl,
  kRzx, kSzx, kDsk, kPzx, kFdi, kUdi, kTd0, kMdr,
  kCsw, kWav,  // tape recordings
};

// The screen layouts tapes and snapshots hold, each exactly as a raw file of
// that kind lays it out.
enum class ScreenKind : uint8_t {
  kStandard,       // 6912 bytes: bitmap and 8x8 attributes
  kTimexHiColour,  // 12288 bytes: bitmap, then 8x1 attributes, both in display-file order
  kTimexHiRes,     // 12289 bytes: even columns, odd columns, colour byte
  kUlaplus,        // 6976 bytes: a standard screen and its 64-entry palette
};

constexpr size_t ScreenKindBytes(ScreenKind kind) {
  switch (kind) {
    case ScreenKind::kStandard: return 6912;
    case ScreenKind::kTimexHiColour: return 12288;
    case ScreenKind::kTimexHiRes: return 12289;
    case ScreenKind::kUlaplus: return 6976;
  }
  return 0;
}

// A screen found in a tape or snapshot. `bytes` lies in the file or in the
// caller's work area and is exactly ScreenKindBytes(kind) long.
struct ContainerScreen {
  ScreenKind kind;
  ByteSpan bytes;
  int number;  // the picture's place in the container, from 1
  int8_t border = -1;  // the border colour a snapshot keeps (0-7); -1 for none
};

// A TR-DOS catalogue entry (from a .trd or .scl image) as a Hobeta file: the
// 17-byte header made from the entry, followed by `sectors`.
struct DiskEntry {
  int index;              // place in the catalogue, from 0 (deleted entries counted)
  char name[9];           // the 8 name bytes without trailing spaces, NUL-terminated
  uint8_t nameLength;     // bytes of `name` before the NUL (names may hold any byte)
  char type;              // the type letter
  uint8_t hobetaHeader[17];
  ByteSpan sectors;       // sector count x 256 bytes; empty when pastEnd
  bool pastEnd;           // the sectors lie past the end of the image: no data

  std::string_view Name() const { return std::string_view(name, nameLength); }
};

// Largest Hobeta file a disk entry makes: header plus 255 sectors.
inline constexpr size_t kLargestDiskEntryFile = 17 + 255 * 256;

// The entry as one Hobeta file in `area` (at least 17 + sectors bytes; the
// largest is kLargestDiskEntryFile). Empty when it does not fit or pastEnd.
ByteSpan AssembleHobetaFile(const DiskEntry& entry, MutableByteSpan area);

// A file of a +3 disk or of a microdrive cartridge, found by its name.
struct NamedFile {
  char name[11];        // trailing spaces dropped, NUL-terminated (names may hold any byte)
  uint8_t nameLength;
  char type[4];         // +3: the type, trailing spaces dropped; cartridge: empty
  uint8_t typeLength;
  ByteSpan bytes;       // +3: the file's first 7040 bytes or fewer; cartridge: its 6912-byte screen or none
  const char* whyNone;  // +3: why there are fewer bytes; cartridge: why there is no screen

  std::string_view Name() const { return std::string_view(name, nameLength); }
  std::string_view Type() const { return std::string_view(type, typeLength); }
};

// How a walk ended.
enum class WalkResult : uint8_t {
  kWalked,   // to the end of the container (it may hold no picture)
  kStopped,  // the visitor asked to stop
  kBroken,   // the structure is broken: no picture at all, the visitor was not called
  kOutOfMemory,  // a work area (an inflate's state) could not be allocated: the load ends
};

// A borrowed callable `bool(const Item&)`: true to go on, false to stop. It
// refers to the callable, which must outlive the call it is passed to.
template <typename Item>
class Visitor {
 public:
  template <typename Callable,
            typename = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<Callable>, Visitor>>>
  Visitor(Callable&& callable)  // NOLINT: converts from any callable, as a function parameter
      : object_(const_cast<void*>(static_cast<const void*>(&callable))),
        call_([](void* object, const Item& item) -> bool {
          return (*static_cast<std::remove_reference_t<Callable>*>(object))(item);
        }) {}

  bool operator()(const Item& item) const { return call_(object_, item); }

 private:
  void* object_;
  bool (*call_)(void*, const Item&);
};

using ScreenVisitor = Visitor<ContainerScreen>;
using DiskEntryVisitor = Visitor<DiskEntry>;
using NamedFileVisitor = Visitor<NamedFile>;

}  // namespace korvel
