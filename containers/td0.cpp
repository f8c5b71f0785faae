#include "containers/td0.h"

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 12;
constexpr uint8_t kCommentFollows = 0x80;
constexpr uint8_t kEndOfImage = 0xFF;
constexpr uint8_t kNoData = 0x30;  // flags: the sector has no data block
constexpr size_t kSectorBytes = 256;

// Decodes one sector's data (after the encoding byte) into 256 bytes. False
// for an unknown encoding, an entry that runs past the data or would fill
// more than the sector, or data that end before the sector is full.
bool DecodeSector(uint8_t encoding, ByteSpan data, uint8_t (&sector)[kSectorBytes]) {
  if (encoding == 0) {
    const uint8_t* stored = data.Peek(0, kSectorBytes);
    if (stored == nullptr) return false;
    for (size_t i = 0; i < kSectorBytes; ++i) sector[i] = stored[i];
    return true;
  }
  if (encoding != 1 && encoding != 2) return false;
  ByteReader in(data);
  size_t filled = 0;
  // Puts `count` copies of the `unit` bytes at `bytes`.
  auto repeat = [&](const uint8_t* bytes, size_t unit, size_t count) {
    if (bytes == nullptr || unit * count > kSectorBytes - filled) return false;
    for (size_t n = 0; n < count; ++n) {
      for (size_t i = 0; i < unit; ++i) sector[filled++] = bytes[i];
    }
    return true;
  };
  while (filled < kSectorBytes) {
    bool put = false;
    if (encoding == 1) {  // a count word, then two bytes repeated that often
      const size_t count = in.Word();
      put = !in.failed() && repeat(in.Block(2), 2, count);
    } else {  // 0, n, then n bytes as they are; or k, r, then 2k bytes repeated r times
      const uint8_t kind = in.Byte();
      const uint8_t n = in.Byte();
      if (in.failed()) return false;
      put = kind == 0 ? repeat(in.Block(n), n, 1) : repeat(in.Block(2 * size_t{kind}), 2 * size_t{kind}, n);
    }
    if (!put) return false;
  }
  return true;
}

}  // namespace

bool ReadTd0Sectors(ByteSpan file, TrdosImage& image) {
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr || header[0] != 'T' || header[1] != 'D') return false;
  const bool twoSides = header[9] != 1;

  ByteReader reader(file, kHeaderBytes);
  if ((header[7] & kCommentFollows) != 0) {
    reader.Block(2);  // CRC
    const uint16_t textBytes = reader.Word();
    reader.Block(6 + size_t{textBytes});  // date, then the text
  }
  while (!reader.failed()) {
    const uint8_t sectorCount = reader.Byte();
    if (reader.failed() || sectorCount == kEndOfImage) break;
    const uint8_t cylinder = reader.Byte();
    const uint8_t side = reader.Byte() & 1;
    reader.Byte();  // CRC
    if (reader.failed()) break;
    const bool used = twoSides || side == 0;
    const unsigned track = twoSides ? 2u * cylinder + side : cylinder;
    if (used) image.HoldTracks(track + 1);

    for (unsigned s = 0; s < sectorCount && !reader.failed(); ++s) {
      const uint8_t* record = reader.Block(6);  // C, H, R, N, flags, CRC
      if (record == nullptr || (record[4] & kNoData) != 0) continue;
      const uint16_t size = reader.Word();
      const uint8_t* block = reader.Block(size);
      if (block == nullptr || size == 0 || !used || !image.Wants(track, record[2], record[3])) continue;
      uint8_t sector[kSectorBytes];
      if (DecodeSector(block[0], ByteSpan(block + 1, size - 1u), sector))
        image.Put(track, record[2], record[3], sector);
    }
  }
  return true;
}

}  // namespace korvel
