#include "containers/trd.h"

#include <cstring>

namespace korvel {

namespace {

constexpr size_t kSectorBytes = 256;
constexpr size_t kSectorsPerTrack = 16;
constexpr size_t kEntryBytes = 16;
constexpr int kMostEntries = 128;
constexpr uint8_t kEndOfCatalogue = 0;
constexpr uint8_t kDeleted = 1;

// The catalogue's entry count, or -1 when the image ends inside it.
int CountEntries(ByteSpan image) {
  for (int index = 0; index < kMostEntries; ++index) {
    const uint8_t* first = image.Peek(index * kEntryBytes, 1);
    if (first == nullptr) return -1;
    if (*first == kEndOfCatalogue) return index;
    if (image.Peek(index * kEntryBytes, kEntryBytes) == nullptr) return -1;
  }
  return kMostEntries;
}

}  // namespace

DiskEntry MakeDiskEntry(int index, const uint8_t* entry, ByteSpan image, size_t dataOffset) {
  DiskEntry result = {};
  result.index = index;
  std::memcpy(result.name, entry, 8);
  size_t length = 8;
  while (length > 0 && result.name[length - 1] == ' ') --length;
  result.name[length] = '\0';
  result.nameLength = static_cast<uint8_t>(length);
  result.type = static_cast<char>(entry[8]);

  // Header: the entry's name, type, start and length, a zero byte, the
  // sector count, then the checksum of those 15 bytes.
  uint8_t* header = result.hobetaHeader;
  std::memcpy(header, entry, 13);
  header[13] = 0;
  header[14] = entry[13];
  unsigned sum = 0;
  for (int i = 0; i < 15; ++i) sum += header[i];
  const unsigned checksum = sum * 257 + 105;
  header[15] = static_cast<uint8_t>(checksum);
  header[16] = static_cast<uint8_t>(checksum >> 8);

  const size_t sectorBytes = size_t{entry[13]} * kSectorBytes;
  const uint8_t* sectors = image.Peek(dataOffset, sectorBytes);
  result.pastEnd = sectors == nullptr;
  if (sectors != nullptr) result.sectors = ByteSpan(sectors, sectorBytes);
  return result;
}

ByteSpan AssembleHobetaFile(const DiskEntry& entry, MutableByteSpan area) {
  const size_t bytes = sizeof entry.hobetaHeader + entry.sectors.size();
  if (entry.pastEnd || area.size() < bytes) return {};
  std::memcpy(area.data(), entry.hobetaHeader, sizeof entry.hobetaHeader);
  if (entry.sectors.size() != 0) {
    std::memcpy(area.data() + sizeof entry.hobetaHeader, entry.sectors.Peek(0, entry.sectors.size()), entry.sectors.size());
  }
  return ByteSpan(area.data(), bytes);
}

WalkResult WalkTrdEntries(ByteSpan image, DiskEntryVisitor visit) {
  const int count = CountEntries(image);
  if (count < 0) return WalkResult::kBroken;
  for (int index = 0; index < count; ++index) {
    const uint8_t* entry = image.Peek(index * kEntryBytes, kEntryBytes);
    if (entry[0] == kDeleted) continue;
    const size_t firstSector = size_t{entry[15]} * kSectorsPerTrack + entry[14];
    if (!visit(MakeDiskEntry(index, entry, image, firstSector * kSectorBytes))) return WalkResult::kStopped;
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
