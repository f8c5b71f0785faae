#include "containers/mdr.h"

#include <algorithm>
#include <cstring>

namespace korvel {

namespace {

constexpr size_t kSectorBytes = 543;
constexpr size_t kRecordFlag = 15;
constexpr size_t kRecordNumber = 16;
constexpr size_t kRecordLength = 17;
constexpr size_t kRecordName = 19;
constexpr size_t kNameBytes = 10;
constexpr size_t kRecordData = 30;
constexpr size_t kMostRecordBytes = 512;
constexpr size_t kHeaderBytes = 9;  // type, length, start, 4 more bytes
constexpr size_t kScreenBytes = 6912;
constexpr uint8_t kCodeType = 3;
constexpr uint32_t kNotAStart = 0xFFFFFFFF;

size_t SectorCount(ByteSpan file) { return file.size() / kSectorBytes; }

size_t RecordLength(const uint8_t* sector) { return sector[kRecordLength] | sector[kRecordLength + 1] << 8; }

// A sector holds a record when its header and record flags say so and it
// holds 1 to 512 bytes.
bool HoldsRecord(const uint8_t* sector) {
  const size_t length = RecordLength(sector);
  return (sector[0] & 1) != 0 && (sector[kRecordFlag] & 1) == 0 && length >= 1 && length <= kMostRecordBytes;
}

const char* WhyNoScreen(const uint8_t* header) {
  switch (header[0]) {
    case 0: return "a BASIC program";
    case 1: case 2: return "a data array";
    case kCodeType: return "code, not a 6912-byte screen";
    default: return "not a picture korvel reads";
  }
}

}  // namespace

size_t MdrWorkAreaBytes(ByteSpan file) {
  return 2 * sizeof(uint32_t) * SectorCount(file) + kHeaderBytes + kScreenBytes;
}

WalkResult WalkMdrFiles(ByteSpan file, MutableByteSpan workArea, NamedFileVisitor visit) {
  const size_t sectors = SectorCount(file);
  if (workArea.size() < MdrWorkAreaBytes(file)) return WalkResult::kBroken;
  // The records sorted by name, then number, then place; and, for each
  // sector that begins a file, where its records begin in that order.
  uint32_t* records = reinterpret_cast<uint32_t*>(workArea.data());
  uint32_t* startOf = records + sectors;
  uint8_t* data = reinterpret_cast<uint8_t*>(startOf + sectors);
  const uint8_t* cartridge = file.Peek(0, sectors * kSectorBytes);
  auto sectorAt = [&](size_t index) { return cartridge + index * kSectorBytes; };
  size_t recordCount = 0;
  for (size_t i = 0; i < sectors; ++i) {
    startOf[i] = kNotAStart;
    if (HoldsRecord(sectorAt(i))) records[recordCount++] = static_cast<uint32_t>(i);
  }
  std::sort(records, records + recordCount, [&](uint32_t a, uint32_t b) {
    const uint8_t* x = sectorAt(a);
    const uint8_t* y = sectorAt(b);
    const int names = std::memcmp(x + kRecordName, y + kRecordName, kNameBytes);
    if (names != 0) return names < 0;
    return x[kRecordNumber] != y[kRecordNumber] ? x[kRecordNumber] < y[kRecordNumber] : a < b;
  });
  // The first record of a name comes first in the order; it begins the file
  // when it is record 0.
  for (size_t k = 0; k < recordCount; ++k) {
    const uint8_t* sector = sectorAt(records[k]);
    const bool firstOfName =
        k == 0 || std::memcmp(sectorAt(records[k - 1]) + kRecordName, sector + kRecordName, kNameBytes) != 0;
    if (firstOfName && sector[kRecordNumber] == 0) startOf[records[k]] = static_cast<uint32_t>(k);
  }

  for (size_t i = 0; i < sectors; ++i) {
    if (startOf[i] == kNotAStart) continue;
    const uint8_t* name = sectorAt(i) + kRecordName;
    // The data of records 0, 1, 2, ... up to the first number missing, as far
    // as a screen needs.
    size_t made = 0;
    unsigned expected = 0;
    for (size_t k = startOf[i]; k < recordCount && made < kHeaderBytes + kScreenBytes; ++k) {
      const uint8_t* record = sectorAt(records[k]);
      if (std::memcmp(record + kRecordName, name, kNameBytes) != 0 || record[kRecordNumber] > expected) break;
      if (record[kRecordNumber] < expected) continue;  // a later copy of a record already read
      const size_t take = std::min(RecordLength(record), kHeaderBytes + kScreenBytes - made);
      std::memcpy(data + made, record + kRecordData, take);
      made += take;
      ++expected;
    }

    NamedFile found = {};
    size_t length = kNameBytes;
    while (length > 0 && name[length - 1] == ' ') --length;
    std::memcpy(found.name, name, length);
    found.nameLength = static_cast<uint8_t>(length);
    const bool screen = made >= kHeaderBytes && data[0] == kCodeType && (data[1] | data[2] << 8) == kScreenBytes;
    if (made < kHeaderBytes) {
      found.whyNone = "its records end inside its header";
    } else if (!screen) {
      found.whyNone = WhyNoScreen(data);
    } else if (made < kHeaderBytes + kScreenBytes) {
      found.whyNone = "its records end before its screen does";
    } else {
      found.bytes = ByteSpan(data + kHeaderBytes, kScreenBytes);
    }
    if (!visit(found)) return WalkResult::kStopped;
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
