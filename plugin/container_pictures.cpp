#include "plugin/container_pictures.h"

#include <cstring>
#include <initializer_list>

#include "containers/csw.h"
#include "containers/scl.h"
#include "containers/sna.h"
#include "containers/tap.h"
#include "containers/trd.h"
#include "containers/tzx.h"
#include "containers/wav.h"
#include "containers/z80.h"
#include "decoders/standard_screen.h"
#include "decoders/timex_screens.h"
#include "platform/platform.h"
#include "plugin/load.h"
#include "plugin/tolerant_reading.h"

namespace korvel {

namespace {

// Where a disk entry becomes a Hobeta file read as korvel_hobeta reads one,
// and where a Z80 page is expanded. Taken once per walk.
struct WorkAreas {
  uint8_t hobeta[kReadBufferBytes + 18432];
  uint8_t z80[kZ80WorkAreaBytes];
  uint8_t csw[kCswWorkAreaBytes];
};

struct ScreenForm {
  const char* name;
  DecodeResult (*decode)(ByteSpan);
};

DecodeResult DecodeStandard(ByteSpan bytes) { return Decoded(DecodeStandardScreen(bytes)); }

constexpr ScreenForm kScreenForms[] = {
    {"standard screen", DecodeStandard},
    {"Timex hi-colour screen", DecodeTimexHiColourScreen},
    {"Timex hi-res screen", DecodeTimexHiResScreen},
};

// A tape's pictures are labelled with their number, from 1.
ContainerItem ScreenItem(const ContainerScreen& screen, bool numbered) {
  const ScreenForm& form = kScreenForms[static_cast<size_t>(screen.kind)];
  ContainerItem item = {form.decode(screen.bytes), form.name, {}, false};
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
ContainerItem EntryItem(const DiskEntry& entry, WorkAreas& areas) {
  ContainerItem item = {{}, nullptr, {}, false};
  EntryLabel(entry, item.label);
  if (entry.pastEnd) {
    item.formName = "its sectors lie past the end of the image";
    item.warn = true;
    return item;
  }
  const ByteSpan hobeta = AssembleHobetaFile(entry, MutableByteSpan(areas.hobeta, kReadBufferBytes));
  memset(areas.hobeta + hobeta.size(), 0, sizeof areas.hobeta - hobeta.size());
  const FileToRead file = {hobeta, "", areas.hobeta};
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

// A recording's screens as items; false when the walk stopped for want of
// memory.
bool WalkRecordingItems(ContainerKind kind, ByteStream& file, MutableByteSpan cswArea, ContainerItemVisitor visit) {
  bool enoughMemory = true;
  auto onScreen = [&](const ContainerScreen& screen) {
    const ContainerItem item = ScreenItem(screen, true);
    enoughMemory = !item.result.outOfMemory;
    return enoughMemory && visit(item);
  };
  const WalkResult result =
      kind == ContainerKind::kCsw ? WalkCswScreens(file, cswArea, onScreen) : WalkWavScreens(file, onScreen);
  return enoughMemory && result != WalkResult::kOutOfMemory;
}

}  // namespace

bool ReadContainerItems(ContainerKind kind, ByteSpan file, ContainerItemVisitor visit) {
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
  auto onScreen = [&](const ContainerScreen& screen) { return hand(ScreenItem(screen, true)); };
  auto onEntry = [&](const DiskEntry& entry) { return hand(EntryItem(entry, *areas)); };
  switch (kind) {
    case ContainerKind::kTap: WalkTapScreens(file, onScreen); break;
    case ContainerKind::kTzx: WalkTzxScreens(file, onScreen); break;
    case ContainerKind::kSna:
      if (const auto screen = SnaScreen(file)) hand(ScreenItem(*screen, false));
      break;
    case ContainerKind::kZ80:
      if (const auto screen = Z80Screen(file, MutableByteSpan(areas->z80, sizeof areas->z80))) {
        hand(ScreenItem(*screen, false));
      }
      break;
    case ContainerKind::kTrd: WalkTrdEntries(file, onEntry); break;
    case ContainerKind::kScl: WalkSclEntries(file, onEntry); break;
    case ContainerKind::kCsw:
    case ContainerKind::kWav: {
      ByteStream stream(file);
      enoughMemory = WalkRecordingItems(kind, stream, MutableByteSpan(areas->csw, sizeof areas->csw), visit);
      break;
    }
    case ContainerKind::kNone: break;
  }
  platform::Release(areas);
  return enoughMemory;
}

bool ReadRecordingItems(ContainerKind kind, const PieceSource& source, ContainerItemVisitor visit) {
  struct PieceAreas {
    uint8_t window[kRecordingWindowBytes];
    uint8_t csw[kCswWorkAreaBytes];
  };
  auto* areas = static_cast<PieceAreas*>(platform::AllocateZeroed(sizeof(PieceAreas)));
  if (areas == nullptr) return false;
  ByteStream stream(source, MutableByteSpan(areas->window, sizeof areas->window));
  const bool enoughMemory = WalkRecordingItems(kind, stream, MutableByteSpan(areas->csw, sizeof areas->csw), visit);
  platform::Release(areas);
  return enoughMemory;
}

template <ContainerKind Kind>
DecodeResult ReadFirstContainerPicture(const FileToRead& file, const char** /*formName*/) {
  DecodeResult first = NotThisForm();
  const bool enoughMemory = ReadContainerItems(Kind, file.file, [&](const ContainerItem& item) {
    if (item.result.picture == nullptr) return true;
    first = item.result;
    return false;
  });
  return enoughMemory ? first : DecodeResult{nullptr, true};
}

template DecodeResult ReadFirstContainerPicture<ContainerKind::kTap>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kTzx>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kSna>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kZ80>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kTrd>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kScl>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kCsw>(const FileToRead&, const char**);
template DecodeResult ReadFirstContainerPicture<ContainerKind::kWav>(const FileToRead&, const char**);

}  // namespace korvel
