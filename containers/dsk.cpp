#include "containers/dsk.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace korvel {

namespace {

constexpr size_t kDiskHeaderBytes = 256;
constexpr size_t kTrackHeaderBytes = 256;
constexpr unsigned kMostExtendedBlocks = 204;  // the size table ends where the track blocks begin
constexpr unsigned kMostSectorsPerTrack = 29;
constexpr size_t kSectorBytes = 512;
constexpr size_t kEntryBytes = 32;
constexpr size_t kFirstBytes = 7040;  // a +3DOS header and a screen
constexpr uint32_t kMissing = 0xFFFFFFFF;

unsigned WordAt(const uint8_t* bytes) { return bytes[0] | bytes[1] << 8; }

// The image's track blocks and the sectors in them.
class DskImage {
 public:
  explicit DskImage(ByteSpan file) : file_(file) {
    const uint8_t* header = file.Peek(0, kDiskHeaderBytes);
    if (header == nullptr) return;
    extended_ = std::memcmp(header, "EXTENDED", 8) == 0;
    valid_ = extended_ || std::memcmp(header, "MV - CPC", 8) == 0;
    tracks_ = header[48];
    sides_ = header[49];
    // Extended: each block follows the stored blocks before it.
    uint64_t offset = kDiskHeaderBytes;
    for (unsigned k = 0; k < kMostExtendedBlocks; ++k) {
      offsets_[k] = offset;
      offset += 256 * uint64_t{extended_ ? header[52 + k] : 0u};
    }
    blockBytes_ = WordAt(header + 50);
  }

  bool valid() const { return valid_; }

  // The first 512 bytes of the sector of ID `r` on cylinder `c`, side `h`:
  // the first entry of the track with that ID, when it has 512 bytes of data
  // or more, all inside the block. Null when it is missing.
  const uint8_t* Sector(long c, long h, unsigned r) const {
    const ByteSpan block = TrackBlock(c, h);
    if (block.size() == 0) return nullptr;
    const uint8_t* header = block.Peek(0, kTrackHeaderBytes);
    // A standard image's sectors are 128 << N bytes (TrackBlock allows N up
    // to 6); an extended one stores each length, and its N may be any byte.
    const size_t standardBytes = extended_ ? 0 : size_t{128} << header[20];
    size_t data = kTrackHeaderBytes;
    for (unsigned i = 0; i < header[21]; ++i) {
      const uint8_t* entry = header + 24 + 8 * i;  // C, H, R, N, two status bytes, stored length
      const size_t length = extended_ ? WordAt(entry + 6) : standardBytes;
      if (entry[2] == r) return length >= kSectorBytes ? block.Peek(data, length) : nullptr;
      data += length;
    }
    return nullptr;
  }

  // The ID of the first sector of track (0, 0); none when the track is
  // missing or has no sectors.
  std::optional<uint8_t> FirstSectorId() const {
    const ByteSpan block = TrackBlock(0, 0);
    if (block.size() == 0 || block.Peek(0, kTrackHeaderBytes)[21] == 0) return std::nullopt;
    return block.Peek(0, kTrackHeaderBytes)[24 + 2];
  }

 private:
  // Block S·c + h, or empty when it is missing: outside the disk, not stored,
  // shorter than its header, past the end of the file, not a track block, or
  // with an impossible sector size or count. Sectors' data past its end are
  // cut off by the block's bounds.
  ByteSpan TrackBlock(long c, long h) const {
    if (c < 0 || h < 0 || c >= tracks_ || h >= sides_) return {};
    const size_t k = sides_ * static_cast<size_t>(c) + static_cast<size_t>(h);
    uint64_t offset = 0, size = 0;
    if (extended_) {
      if (k >= kMostExtendedBlocks) return {};
      offset = offsets_[k];
      size = 256 * uint64_t{file_.Peek(52 + k, 1)[0]};
    } else {
      offset = kDiskHeaderBytes + k * uint64_t{blockBytes_};
      size = blockBytes_;
    }
    if (size < kTrackHeaderBytes || offset > file_.size() || size > file_.size() - offset) return {};
    const ByteSpan block(file_.Peek(static_cast<size_t>(offset), static_cast<size_t>(size)), static_cast<size_t>(size));
    const uint8_t* header = block.Peek(0, kTrackHeaderBytes);
    if (std::memcmp(header, "Track-Info", 10) != 0) return {};
    if ((!extended_ && header[20] > 6) || header[21] > kMostSectorsPerTrack) return {};
    return block;
  }

  ByteSpan file_;
  bool valid_ = false;
  bool extended_ = false;
  long tracks_ = 0;
  long sides_ = 0;
  unsigned blockBytes_ = 0;
  uint64_t offsets_[kMostExtendedBlocks] = {};
};

enum class Sides : uint8_t { kOne, kAlternating, kOneAfterTheOther };

// How the file system lies on the disk.
struct Layout {
  Sides sides;
  long tracksPerSide;
  long sectorsPerTrack;
  unsigned firstSectorId;
  long reservedTracks;
  size_t blockBytes;
  size_t directoryBlocks;
  // Following from those:
  size_t blocks = 0;        // on the disk
  bool wideNumbers = false;  // two-byte block numbers in the directory
  unsigned extentMask = 0;   // EXM
};

// The format from the first sector's ID, or from the disk geometry record in
// sector 1 of track (0, 0); none for a disk it does not describe.
std::optional<Layout> FindLayout(const DskImage& image) {
  const std::optional<uint8_t> first = image.FirstSectorId();
  if (!first) return std::nullopt;
  Layout layout = {Sides::kOne, 40, 9, 1, 1, 1024, 2};  // the +3 format
  if (*first >= 0x41 && *first <= 0x49) {
    layout.firstSectorId = 0x41;  // the CPC system format
    layout.reservedTracks = 2;
  } else if (*first >= 0xC1 && *first <= 0xC9) {
    layout.firstSectorId = 0xC1;  // the CPC data format
    layout.reservedTracks = 0;
  } else {
    const uint8_t* geometry = image.Sector(0, 0, 1);
    if (geometry == nullptr) return std::nullopt;
    if (geometry[0] == 0 || geometry[0] == 3) {
      if ((geometry[1] & 3) == 3 || geometry[4] != 2 || geometry[6] < 3 || geometry[6] > 7) return std::nullopt;
      if (geometry[2] == 0 || geometry[3] == 0 || geometry[7] == 0) return std::nullopt;
      // Sides, tracks a side, sectors a track, first ID, reserved tracks,
      // block size, directory blocks.
      layout = {static_cast<Sides>(geometry[1] & 3), geometry[2], geometry[3], 1, geometry[5],
                size_t{128} << geometry[6], geometry[7]};
    }
  }
  const long sideCount = layout.sides == Sides::kOne ? 1 : 2;
  const long blocks = (sideCount * layout.tracksPerSide - layout.reservedTracks) * layout.sectorsPerTrack /
                      static_cast<long>(layout.blockBytes / kSectorBytes);
  if (blocks <= 0) return std::nullopt;
  layout.blocks = static_cast<size_t>(blocks);
  layout.wideNumbers = layout.blocks > 256;
  if (layout.wideNumbers && layout.blockBytes == 1024) return std::nullopt;
  layout.extentMask = static_cast<unsigned>(layout.blockBytes / (layout.wideNumbers ? 2048 : 1024) - 1);
  return layout;
}

// The file system's logical sectors and blocks on the image.
class Plus3FileSystem {
 public:
  Plus3FileSystem(const DskImage& image, const Layout& layout) : image_(image), layout_(layout) {}

  // The 512 bytes of logical sector `q`, or null when it is missing.
  const uint8_t* LogicalSector(size_t q) const {
    const long s = layout_.sectorsPerTrack;
    const long t = static_cast<long>(q / static_cast<size_t>(s));
    const unsigned id = layout_.firstSectorId + static_cast<unsigned>(q % static_cast<size_t>(s));
    const long e = layout_.tracksPerSide;
    switch (layout_.sides) {
      case Sides::kOne: return image_.Sector(t, 0, id);
      case Sides::kAlternating: return image_.Sector(t / 2, t % 2, id);
      case Sides::kOneAfterTheOther: return t < e ? image_.Sector(t, 0, id) : image_.Sector(2 * e - 1 - t, 1, id);
    }
    return nullptr;
  }

  size_t SectorsPerBlock() const { return layout_.blockBytes / kSectorBytes; }
  size_t FirstSectorOfBlock(size_t block) const {
    return static_cast<size_t>(layout_.reservedTracks * layout_.sectorsPerTrack) + block * SectorsPerBlock();
  }
  size_t EntryCount() const { return layout_.directoryBlocks * layout_.blockBytes / kEntryBytes; }
  const Layout& layout() const { return layout_; }

 private:
  const DskImage& image_;
  Layout layout_;
};

// Where each directory entry lies in the file (kMissing for one that is not
// a file's), the file entries in order of user, name, type, extent and
// place, and the first bytes of a file.
struct WorkArea {
  uint32_t* entryAt;
  uint32_t* sorted;
  uint8_t* firstBytes;
};

size_t WorkAreaBytes(size_t entries) { return 2 * sizeof(uint32_t) * entries + kFirstBytes; }

unsigned ExtentOf(const uint8_t* entry) { return 32u * (entry[14] & 0x3F) + (entry[12] & 0x1F); }

// User number, name and type, bit 7 of the name and type bytes cleared.
bool SameFile(const uint8_t* a, const uint8_t* b) {
  if (a[0] != b[0]) return false;
  for (size_t i = 1; i < 12; ++i) {
    if ((a[i] & 0x7F) != (b[i] & 0x7F)) return false;
  }
  return true;
}

bool FileOrderBefore(const uint8_t* a, const uint8_t* b) {
  for (size_t i = 0; i < 12; ++i) {
    const uint8_t x = i == 0 ? a[i] : a[i] & 0x7F, y = i == 0 ? b[i] : b[i] & 0x7F;
    if (x != y) return x < y;
  }
  return ExtentOf(a) < ExtentOf(b);
}

// The name and type, bit 7 of each byte cleared, trailing spaces dropped.
void NameFile(const uint8_t* entry, NamedFile& file) {
  size_t nameLength = 8, typeLength = 3;
  while (nameLength > 0 && (entry[nameLength] & 0x7F) == ' ') --nameLength;
  while (typeLength > 0 && (entry[8 + typeLength] & 0x7F) == ' ') --typeLength;
  for (size_t i = 0; i < nameLength; ++i) file.name[i] = static_cast<char>(entry[1 + i] & 0x7F);
  for (size_t i = 0; i < typeLength; ++i) file.type[i] = static_cast<char>(entry[9 + i] & 0x7F);
  file.nameLength = static_cast<uint8_t>(nameLength);
  file.typeLength = static_cast<uint8_t>(typeLength);
}

// The first bytes of the file whose first entry is `entry`, up to
// kFirstBytes, into `out`: how many there are, and why they end sooner.
struct FirstBytes {
  size_t count;
  const char* whyShort;
};

FirstBytes ReadFirstBytes(const Plus3FileSystem& disk, const uint8_t* entry, uint8_t* out) {
  const Layout& layout = disk.layout();
  const size_t records = 128 * size_t{entry[12] & layout.extentMask} + std::min<size_t>(entry[15], 128);
  const size_t wanted = std::min(kFirstBytes, 128 * records);
  const size_t numbers = layout.wideNumbers ? 8 : 16;
  size_t made = 0;
  for (size_t n = 0; n < numbers && made < wanted; ++n) {
    const size_t block = layout.wideNumbers ? WordAt(entry + 16 + 2 * n) : entry[16 + n];
    if (block == 0 || block >= layout.blocks) break;
    for (size_t s = 0; s < disk.SectorsPerBlock() && made < wanted; ++s) {
      const uint8_t* sector = disk.LogicalSector(disk.FirstSectorOfBlock(block) + s);
      if (sector == nullptr) return {made, "a sector of it is missing"};
      const size_t take = std::min(kSectorBytes, wanted - made);
      std::memcpy(out + made, sector, take);
      made += take;
    }
  }
  return {made, made < kFirstBytes ? "shorter than a +3DOS screen" : nullptr};
}

}  // namespace

size_t Plus3WorkAreaBytes(ByteSpan file) {
  const DskImage image(file);
  if (!image.valid() || file.size() >= kMissing) return 0;
  const std::optional<Layout> layout = FindLayout(image);
  return layout ? WorkAreaBytes(Plus3FileSystem(image, *layout).EntryCount()) : 0;
}

WalkResult WalkPlus3Files(ByteSpan file, MutableByteSpan workArea, NamedFileVisitor visit) {
  const DskImage image(file);
  const std::optional<Layout> layout = image.valid() ? FindLayout(image) : std::nullopt;
  if (!layout) return WalkResult::kBroken;
  const Plus3FileSystem disk(image, *layout);
  const size_t entries = disk.EntryCount();
  if (workArea.size() < WorkAreaBytes(entries) || file.size() >= kMissing) return WalkResult::kBroken;
  const WorkArea area = {reinterpret_cast<uint32_t*>(workArea.data()),
                         reinterpret_cast<uint32_t*>(workArea.data()) + entries,
                         workArea.data() + 2 * sizeof(uint32_t) * entries};

  // The directory lies in the logical sectors from block 0 on.
  const uint8_t* fileStart = file.Peek(0, 0);
  const size_t entriesPerSector = kSectorBytes / kEntryBytes;
  size_t fileEntries = 0;
  for (size_t e = 0; e < entries; ++e) {
    const uint8_t* sector = disk.LogicalSector(disk.FirstSectorOfBlock(0) + e / entriesPerSector);
    const uint8_t* entry = sector != nullptr ? sector + kEntryBytes * (e % entriesPerSector) : nullptr;
    const bool isFile = entry != nullptr && entry[0] <= 15;
    area.entryAt[e] = isFile ? static_cast<uint32_t>(entry - fileStart) : kMissing;
    if (isFile) area.sorted[fileEntries++] = static_cast<uint32_t>(e);
  }
  auto entryBytes = [&](uint32_t e) { return fileStart + area.entryAt[e]; };
  std::sort(area.sorted, area.sorted + fileEntries, [&](uint32_t a, uint32_t b) {
    const uint8_t *x = entryBytes(a), *y = entryBytes(b);
    if (FileOrderBefore(x, y)) return true;
    if (FileOrderBefore(y, x)) return false;
    return a < b;
  });
  // The first of each file in that order is its first entry: it keeps its
  // place, the others are no longer looked at.
  const uint8_t* previous = nullptr;
  for (size_t k = 0; k < fileEntries; ++k) {
    const uint8_t* entry = entryBytes(area.sorted[k]);
    if (previous != nullptr && SameFile(previous, entry)) area.entryAt[area.sorted[k]] = kMissing;
    previous = entry;
  }

  for (size_t e = 0; e < entries; ++e) {
    if (area.entryAt[e] == kMissing) continue;
    const uint8_t* entry = entryBytes(static_cast<uint32_t>(e));
    NamedFile found = {};
    NameFile(entry, found);
    if (ExtentOf(entry) > layout->extentMask) {
      found.whyNone = "its start is not on the disk";
    } else {
      const FirstBytes first = ReadFirstBytes(disk, entry, area.firstBytes);
      found.bytes = ByteSpan(area.firstBytes, first.count);
      found.whyNone = first.whyShort;
    }
    if (!visit(found)) return WalkResult::kStopped;
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
