#include "containers/fdi.h"

#include <cstring>

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 14;
constexpr size_t kTrackHeaderBytes = 7;   // data offset, 2 bytes, sector count
constexpr size_t kSectorRecordBytes = 7;  // C, H, R, N, flags, data offset

}  // namespace

bool ReadFdiSectors(ByteSpan file, TrdosImage& image) {
  ByteReader header(file);
  const uint8_t* signature = header.Block(3);
  header.Block(1);  // write protection
  const size_t cylinders = header.Word();
  const size_t sides = header.Word();
  header.Word();  // the description text
  const size_t dataArea = header.Word();
  const size_t extraBytes = header.Word();
  if (header.failed() || std::memcmp(signature, "FDI", 3) != 0) return false;

  ByteReader tracks(file, kHeaderBytes + extraBytes);
  // Logical tracks from 256 on are not read, so neither are their headers.
  const size_t trackCount = cylinders * sides < kTrdosImageTracks ? cylinders * sides : kTrdosImageTracks;
  for (unsigned track = 0; track < trackCount; ++track) {
    const uint8_t* trackHeader = tracks.Block(kTrackHeaderBytes);
    if (trackHeader == nullptr) break;
    // In 64 bits: a 4-byte offset must not wrap where size_t has 32.
    const uint64_t trackData = dataArea + (uint64_t{trackHeader[0]} | uint64_t{trackHeader[1]} << 8 |
                                           uint64_t{trackHeader[2]} << 16 | uint64_t{trackHeader[3]} << 24);
    const uint8_t* sectors = tracks.Block(kSectorRecordBytes * trackHeader[6]);
    if (sectors == nullptr) break;
    image.HoldTracks(track + 1);
    for (const uint8_t* sector = sectors; sector != sectors + kSectorRecordBytes * trackHeader[6];
         sector += kSectorRecordBytes) {
      if (!image.Wants(track, sector[2], sector[3])) continue;
      const uint64_t at = trackData + (sector[5] | sector[6] << 8);
      const uint8_t* data = at <= file.size() ? file.Peek(static_cast<size_t>(at), 256) : nullptr;
      if (data != nullptr) image.Put(track, sector[2], sector[3], data);
    }
  }
  return true;
}

}  // namespace korvel
