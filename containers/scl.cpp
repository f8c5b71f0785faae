#include "containers/scl.h"

#include "containers/trd.h"

namespace korvel {

namespace {

constexpr uint8_t kSignature[8] = {'S', 'I', 'N', 'C', 'L', 'A', 'I', 'R'};
constexpr size_t kEntriesOffset = 9;
constexpr size_t kEntryBytes = 14;
constexpr size_t kSectorBytes = 256;

}  // namespace

WalkResult WalkSclEntries(ByteSpan image, DiskEntryVisitor visit) {
  const uint8_t* signature = image.Peek(0, kEntriesOffset);
  if (signature == nullptr) return WalkResult::kBroken;
  for (size_t i = 0; i < sizeof kSignature; ++i) {
    if (signature[i] != kSignature[i]) return WalkResult::kBroken;
  }
  const int count = signature[8];
  if (image.Peek(kEntriesOffset, count * kEntryBytes) == nullptr) return WalkResult::kBroken;

  size_t dataOffset = kEntriesOffset + count * kEntryBytes;
  for (int index = 0; index < count; ++index) {
    const uint8_t* entry = image.Peek(kEntriesOffset + index * kEntryBytes, kEntryBytes);
    if (!visit(MakeDiskEntry(index, entry, image, dataOffset))) return WalkResult::kStopped;
    dataOffset += size_t{entry[13]} * kSectorBytes;
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
