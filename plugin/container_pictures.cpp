#include "plugin/container_pictures.h"

#include <cstring>
#include <initializer_list>
#include <optional>

#include "containers/dsk.h"
#include "containers/fdi.h"
#include "containers/mdr.h"
#include "containers/pzx.h"
#include "containers/rzx.h"
#include "containers/csw.h"
#include "containers/scl.h"
#include "containers/sna.h"
#include "containers/szx.h"
#include "containers/tap.h"
#include "containers/td0.h"
#include "containers/trd.h"
#include "containers/trdos_image.h"
#include "containers/tzx.h"
#include "containers/udi.h"
#include "containers/wav.h"
#include "containers/z80.h"
#include "decoders/plus3dos_screen.h"
#include "decoders/standard_screen.h"
#include "decoders/timex_screens.h"
#include "decoders/ulaplus_screen.h"
#include "platform/inflate.h"
#include "platform/platform.h"
#include "plugin/load.h"
#include "plugin/tolerant_reading.h"

namespace korvel {

namespace {

// Where a disk entry becomes a Hobeta file read as korvel_hobeta reads one,
// and where a snapshot's page is expanded or inflated. Taken once per walk.
struct WorkAreas {
  uint8_t hobeta[kReadBufferBytes + 18432];
  uint8_t page[kZ80WorkAreaBytes > kSzxWorkAreaBytes ? kZ80WorkAreaBytes : kSzxWorkAreaBytes];
  uint8_t csw[kCswWorkAreaBytes];
};

struct ScreenForm {
  const char* name;
  DecodeResult (*decode)(ByteSpan, const Drawing&);
};

DecodeResult DecodeStandard(ByteSpan bytes, const Drawing& drawing) {
  return Decoded(DecodeStandardScreen(bytes, drawing));
}

constexpr ScreenForm kScreenForms[] = {
    {"standard screen", DecodeStandard},
    {"Timex hi-colour screen", DecodeTimexHiColourScreen},
    {"Timex hi-res screen", DecodeTimexHiResScreen},
    {"ULAplus screen", DecodeUlaplusScreen},
};

// A tape's pictures are labelled with their number, from 1.
ContainerItem ScreenItem(const ContainerScreen& screen, bool numbered, const Drawing& drawing) {
  const ScreenForm& form = kScreenForms[static_cast<size_t>(screen.kind)];
  ContainerItem item = {form.decode(screen.bytes, drawing), form.name, {}, false};
  Picture* picture = item.result.picture;
  if (picture != nullptr && screen.border >= 0 && picture->border == BorderTaken::kChosen) {
    KeepBorder(*picture, drawing.palette[screen.border & 7]);
  }
  if (numbered) {
    char digits[kContainerLabelBytes];
    size_t count = 0;
    for (unsigned n = static_cast<unsigned>(screen.number); count == 0 || n != 0; n /= 10) {
      digits[count++] = static_cast<char>('0' + n % 10);
    }
    for (size_t i = 0; i < count; ++i) item.label[i] = digits[count - 1 - i];
  }
  return item;
}

// Every byte that is not an ASCII letter, digit, '-' or '_' becomes '_', so
// that a label is safe in a file name on any system.
char LabelByte(char c) {
  const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  return safe ? c : '_';
}

// NAME.T: the entry's name without its trailing spaces, a dot, its type letter.
void EntryLabel(const DiskEntry& entry, char (&label)[kContainerLabelBytes]) {
  size_t length = 0;
  for (size_t i = 0; i < entry.nameLength; ++i) label[length++] = LabelByte(entry.name[i]);
  label[length++] = '.';
  label[length++] = LabelByte(entry.type);
  label[length] = '\0';
}

// NAME.TYPE of a +3 disk file (the name alone without a type), the name of
// a cartridge file.
void NamedFileLabel(const NamedFile& file, char (&label)[kContainerLabelBytes]) {
  size_t length = 0;
  for (size_t i = 0; i < file.nameLength; ++i) label[length++] = LabelByte(file.name[i]);
  if (file.typeLength > 0) label[length++] = '.';
  for (size_t i = 0; i < file.typeLength; ++i) label[length++] = LabelByte(file.type[i]);
  label[length] = '\0';
}

// What a file's +3DOS header says it is when that is not a screen; null
// without a header, or for a 6912-byte code file.
const char* Plus3dosFileKind(ByteSpan bytes) {
  const std::optional<Plus3dosHeader> header = ReadPlus3dosHeader(bytes);
  if (!header) return nullptr;
  switch (header->type) {
    case 0: return "a BASIC program";
    case 1: case 2: return "a data array";
    case 3: return header->length == 6912 ? nullptr : "code, not a 6912-byte screen";
    default: return nullptr;
  }
}

// A +3 disk file: a screen behind its +3DOS header, or why there is none.
ContainerItem Plus3FileItem(const NamedFile& file, const Drawing& drawing) {
  ContainerItem item = {{}, nullptr, {}, false};
  NamedFileLabel(file, item.label);
  if (file.whyNone == nullptr) {
    item.result = DecodePlus3dosScreen(file.bytes, drawing);
    if (item.result.picture != nullptr || item.result.outOfMemory) {
      item.formName = "+3DOS screen";
      return item;
    }
  }
  item.formName = Plus3dosFileKind(file.bytes);
  if (item.formName == nullptr) item.formName = file.whyNone;
  if (item.formName == nullptr) {
    item.formName = StartsWith(file.bytes, "PLUS3DOS\x1A", false) ? "not a +3DOS screen" : "no +3DOS header";
  }
  return item;
}

// A cartridge file: its screen, or why it has none.
ContainerItem CartridgeFileItem(const NamedFile& file, const Drawing& drawing) {
  ContainerItem item = {{}, file.whyNone, {}, false};
  NamedFileLabel(file, item.label);
  if (file.bytes.size() != 0) {
    item.result = Decoded(DecodeStandardScreen(file.bytes, drawing));
    item.formName = "standard screen";
  }
  return item;
}

const char* WhyNoPicture(char type) {
  switch (type) {
    case 'B': return "a BASIC program";
    case 'D': return "a data array";
    case '#': return "a sequential file";
    default: return "not a picture korvel reads";
  }
}

// The entry as a Hobeta file in korvel_hobeta's load area, cleared past it,
// read under no name: korvel_hobeta's reading, then the tolerant ones.
ContainerItem EntryItem(const DiskEntry& entry, WorkAreas& areas, const Drawing& drawing) {
  ContainerItem item = {{}, nullptr, {}, false};
  EntryLabel(entry, item.label);
  if (entry.pastEnd) {
    item.formName = "its sectors lie past the end of the image";
    item.warn = true;
    return item;
  }
  const ByteSpan hobeta = AssembleHobetaFile(entry, MutableByteSpan(areas.hobeta, kReadBufferBytes));
  memset(areas.hobeta + hobeta.size(), 0, sizeof areas.hobeta - hobeta.size());
  const FileToRead file = {hobeta, "", areas.hobeta, &drawing};
  for (auto read : {ReadAsKorvelHobeta, ReadTolerantHobeta}) {
    const char* formName = nullptr;
    item.result = read(file, &formName);
    if (item.result.picture != nullptr || item.result.outOfMemory) {
      item.formName = formName;
      return item;
    }
  }
  item.formName = WhyNoPicture(entry.type);
  return item;
}

// The screen a snapshot of this kind shows, its page in `areas`.
std::optional<ContainerScreen> SnapshotScreen(ContainerKind kind, ByteSpan file, WorkAreas& areas, bool* outOfMemory) {
  *outOfMemory = false;
  const MutableByteSpan page(areas.page, sizeof areas.page);
  switch (kind) {
    case ContainerKind::kSna: return SnaScreen(file);
    case ContainerKind::kZ80: return Z80Screen(file, page);
    case ContainerKind::kSzx: return SzxScreen(file, page, outOfMemory);
    default: return std::nullopt;
  }
}

// A recording's screens as items; false when the walk stopped for want of
// memory.
bool WalkRecordingItems(ContainerKind kind, ByteStream& file, MutableByteSpan cswArea, ContainerItemVisitor visit,
                        const Drawing& drawing) {
  bool enoughMemory = true;
  auto onScreen = [&](const ContainerScreen& screen) {
    const ContainerItem item = ScreenItem(screen, true, drawing);
    enoughMemory = !item.result.outOfMemory;
    return enoughMemory && visit(item);
  };
  const WalkResult result =
      kind == ContainerKind::kCsw ? WalkCswScreens(file, cswArea, onScreen) : WalkWavScreens(file, onScreen);
  return enoughMemory && result != WalkResult::kOutOfMemory;
}

}  // namespace

bool ReadContainerItems(ContainerKind kind, ByteSpan file, ContainerItemVisitor visit, const Drawing& drawing) {
  auto* areas = static_cast<WorkAreas*>(platform::AllocateZeroed(sizeof(WorkAreas)));
  if (areas == nullptr) return false;
  bool enoughMemory = true;
  // Hands one item on; an allocation failure ends the walk.
  auto hand = [&](ContainerItem item) {
    if (item.result.outOfMemory) {
      enoughMemory = false;
      return false;
    }
    return visit(item);
  };
  auto onScreen = [&](const ContainerScreen& screen) { return hand(ScreenItem(screen, true, drawing)); };
  auto onEntry = [&](const DiskEntry& entry) { return hand(EntryItem(entry, *areas, drawing)); };
  auto onPlus3File = [&](const NamedFile& named) { return hand(Plus3FileItem(named, drawing)); };
  auto onCartridgeFile = [&](const NamedFile& named) { return hand(CartridgeFileItem(named, drawing)); };
  // A snapshot's one picture.
  auto onSnapshot = [&](ContainerKind snapshotKind, ByteSpan bytes) {
    bool outOfMemory = false;
    const std::optional<ContainerScreen> screen = SnapshotScreen(snapshotKind, bytes, *areas, &outOfMemory);
    if (outOfMemory) enoughMemory = false;
    if (screen) hand(ScreenItem(*screen, false, drawing));
  };
  // A work area of `bytes` for one walk; false (and enoughMemory cleared)
  // when the heap refuses it.
  auto withArea = [&](size_t bytes, auto walk) {
    if (bytes == 0) return;
    auto* area = static_cast<uint8_t*>(platform::AllocateZeroed(bytes));
    if (area == nullptr) {
      enoughMemory = false;
      return;
    }
    walk(MutableByteSpan(area, bytes));
    platform::Release(area);
  };
  // FDI, UDI and TD0 files become TR-DOS images: the sectors are counted,
  // then put into an image of the tracks found.
  auto onSectorImage = [&](bool (*readSectors)(ByteSpan, TrdosImage&)) {
    TrdosImage counted;
    if (!readSectors(file, counted)) return;
    withArea(counted.size(), [&](MutableByteSpan area) {
      TrdosImage image(area);
      readSectors(file, image);
      WalkTrdEntries(image.Image(), onEntry);
    });
  };
  switch (kind) {
    case ContainerKind::kTap: WalkTapScreens(file, onScreen); break;
    case ContainerKind::kTzx: WalkTzxScreens(file, onScreen); break;
    case ContainerKind::kPzx: WalkPzxScreens(file, onScreen); break;
    case ContainerKind::kSna:
    case ContainerKind::kZ80:
    case ContainerKind::kSzx: onSnapshot(kind, file); break;
    case ContainerKind::kRzx:
      // The recording's start snapshot, read by its kind alone; inflated
      // into a block of its own when compressed.
      if (const std::optional<RzxSnapshot> snapshot = FindRzxSnapshot(file)) {
        if (!snapshot->compressed) {
          onSnapshot(snapshot->kind, snapshot->data);
          break;
        }
        withArea(snapshot->length, [&](MutableByteSpan area) {
          const platform::InflateResult inflated = platform::InflateExactly(
              snapshot->data.Peek(0, snapshot->data.size()), snapshot->data.size(), area.data(), area.size());
          if (inflated == platform::InflateResult::kOutOfMemory) enoughMemory = false;
          if (inflated == platform::InflateResult::kInflated) onSnapshot(snapshot->kind, area.AsBytes());
        });
      }
      break;
    case ContainerKind::kTrd: WalkTrdEntries(file, onEntry); break;
    case ContainerKind::kScl: WalkSclEntries(file, onEntry); break;
    case ContainerKind::kFdi: onSectorImage(ReadFdiSectors); break;
    case ContainerKind::kUdi: onSectorImage(ReadUdiSectors); break;
    case ContainerKind::kTd0: onSectorImage(ReadTd0Sectors); break;
    case ContainerKind::kDsk:
      withArea(Plus3WorkAreaBytes(file), [&](MutableByteSpan area) { WalkPlus3Files(file, area, onPlus3File); });
      break;
    case ContainerKind::kMdr:
      withArea(MdrWorkAreaBytes(file), [&](MutableByteSpan area) { WalkMdrFiles(file, area, onCartridgeFile); });
      break;
    case ContainerKind::kCsw:
    case ContainerKind::kWav: {
      ByteStream stream(file);
      enoughMemory =
          WalkRecordingItems(kind, stream, MutableByteSpan(areas->csw, sizeof areas->csw), visit, drawing);
      break;
    }
    case ContainerKind::kNone: break;
  }
  platform::Release(areas);
  return enoughMemory;
}

bool ReadRecordingItems(ContainerKind kind, const PieceSource& source, ContainerItemVisitor visit,
                        const Drawing& drawing) {
  struct PieceAreas {
    uint8_t window[kRecordingWindowBytes];
    uint8_t csw[kCswWorkAreaBytes];
  };
  auto* areas = static_cast<PieceAreas*>(platform::AllocateZeroed(sizeof(PieceAreas)));
  if (areas == nullptr) return false;
  ByteStream stream(source, MutableByteSpan(areas->window, sizeof areas->window));
  const bool enoughMemory =
      WalkRecordingItems(kind, stream, MutableByteSpan(areas->csw, sizeof areas->csw), visit, drawing);
  platform::Release(areas);
  return enoughMemory;
}

template <ContainerKind Kind>
DecodeResult ReadFirstContainerPicture(const FileToRead& file, const char** /*formName*/) {
  DecodeResult first = NotThisForm();
  const bool enoughMemory = ReadContainerItems(
      Kind, file.file,
      [&](const ContainerItem& item) {
        if (item.result.picture == nullptr) return true;
        first = item.result;
        return false;
      },
      *file.drawing);
  return enoughMemory ? first : DecodeResult{nullptr, true};
}

template DecodeResult ReadFirstContainerPicture<ContainerKind::kTap>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kTzx>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kSna>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kZ80>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kTrd>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kScl>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kRzx>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kSzx>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kDsk>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kPzx>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kFdi>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kUdi>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kTd0>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kMdr>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kCsw>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kWav>(const FileToRead&, const char**);

}  // namespace korvel
