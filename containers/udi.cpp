#include "containers/udi.h"

#include <cstring>

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 16;
constexpr uint8_t kMfmTrack = 0;
constexpr uint8_t kSync = 0xA1;
constexpr uint8_t kIdMark = 0xFE;
constexpr uint8_t kDataMark = 0xFB;
constexpr uint8_t kDeletedDataMark = 0xF8;

uint32_t Long(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<uint32_t>(bytes[3]) << 24;
}

// One track's raw bytes and their mark bits.
struct Track {
  const uint8_t* raw;
  size_t length;
  const uint8_t* marks;

  bool IsSync(size_t j) const { return raw[j] == kSync && (marks[j / 8] >> (j % 8) & 1) != 0; }
};

// Scans the track for ID and data fields. A data field belongs to the last
// ID field found since the previous data field; no field is read across the
// end of the track.
void ReadTrack(const Track& track, unsigned logicalTrack, TrdosImage& image) {
  const uint8_t* id = nullptr;  // C, H, R, N of the ID field waiting for its data
  size_t j = 0;
  while (j + 3 < track.length) {
    if (!track.IsSync(j) || !track.IsSync(j + 1) || !track.IsSync(j + 2)) {
      ++j;
      continue;
    }
    const uint8_t mark = track.raw[j + 3];
    if (mark == kIdMark && j + 7 < track.length) {
      id = track.raw + j + 4;
    } else if (mark == kDataMark || mark == kDeletedDataMark) {
      if (id != nullptr && j + 4 + 256 <= track.length) image.Put(logicalTrack, id[2], id[3], track.raw + j + 4);
      id = nullptr;
    } else {
      ++j;
      continue;
    }
    j += 4;
  }
}

}  // namespace

bool ReadUdiSectors(ByteSpan file, TrdosImage& image) {
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr || std::memcmp(header, "UDI!", 4) != 0) return false;
  const size_t trackCount = (size_t{header[9]} + 1) * (size_t{header[10]} + 1);
  const uint32_t extraBytes = Long(header + 12);

  size_t position = kHeaderBytes;
  if (extraBytes > file.size() - position) return true;
  position += extraBytes;
  for (unsigned k = 0; k < trackCount && k < kTrdosImageTracks; ++k) {
    ByteReader reader(file, position);
    const uint8_t type = reader.Byte();
    const size_t length = reader.Word();
    const uint8_t* raw = reader.Block(length);
    const uint8_t* marks = reader.Block((length + 7) / 8);
    if (reader.failed() || type != kMfmTrack) break;
    image.HoldTracks(k + 1);
    ReadTrack(Track{raw, length, marks}, k, image);
    position = reader.position();
  }
  return true;
}

}  // namespace korvel
