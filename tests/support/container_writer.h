#pragma once
// Test-only writers of the containers pictures live in: TAP and TZX tapes,
// SNA and Z80 snapshots (with the Z80 compression), TR-DOS and SCL disk
// images.

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::testing {

using Bytes = std::vector<uint8_t>;

// --- Tapes -----------------------------------------------------------------

// One tape block: the flag, the data, the XOR checksum.
Bytes TapeBlock(uint8_t flag, const Bytes& data);

// A 19-byte header block (flag 0): type, name, data length, start address.
Bytes TapeHeader(uint8_t type, const std::string& name, uint16_t dataLength, uint16_t start);

// Tape blocks as a TAP file: each with its length word before it.
Bytes TapFile(const std::vector<Bytes>& blocks);

// A TZX file: the 10-byte header, then these blocks (ID and body) as given.
Bytes TzxFile(const std::vector<Bytes>& blocks);

// TZX blocks carrying a tape block: standard speed (0x10), turbo (0x11), pure data (0x14).
Bytes TzxStandardBlock(const Bytes& tapeBlock);
Bytes TzxTurboBlock(const Bytes& tapeBlock);
Bytes TzxPureDataBlock(const Bytes& tapeBlock);

// --- Snapshots -------------------------------------------------------------

// The Z80 compression: runs of five or more equal bytes, and of two or more
// 0xED bytes, as `ED ED n b`; a byte after a single 0xED is never the start
// of a run.
Bytes CompressZ80(const Bytes& memory);

// A version-1 Z80 snapshot of 48 KB of memory from 0x4000, compressed (with
// or without the end marker) or stored.
Bytes Z80Version1(const Bytes& memory48k, bool compressed, bool endMarker = true);

// A memory block of a later Z80 version: compressed, or stored (length 0xFFFF).
struct Z80Page {
  uint8_t page;
  Bytes data;       // 16384 bytes, or raw block bytes when `raw` is set
  bool compressed = true;
  bool raw = false;  // `data` are written as the block's bytes as they stand
};

// A version-2 (extra length 23) or version-3 (54 or 55) Z80 snapshot.
Bytes Z80Later(uint16_t extraLength, uint8_t machine, uint8_t port7ffd, uint8_t portFf,
               const std::vector<Z80Page>& pages);

// A 128K SNA snapshot: `banks` are the eight RAM banks of 16384 bytes; the
// file holds the paged bank twice when it is 2 or 5 (147487 bytes) and once
// otherwise (131103 bytes).
Bytes Sna128k(const std::vector<Bytes>& banks, uint8_t port7ffd);

// --- Disk images -----------------------------------------------------------

struct DiskFile {
  std::string name;  // up to 8 characters, padded with spaces
  uint8_t type = 'C';
  Bytes data;        // padded to whole sectors
  uint16_t start = 0x4000;
  uint8_t firstByte = 0;  // when nonzero, replaces the name's first byte (1: deleted)
};

// A TR-DOS image: catalogue and disk information on track 0, the files'
// sectors from track 1 on, the image ending after the last used sector.
Bytes TrdImage(const std::vector<DiskFile>& files);

// An SCL image of these files, with its 4-byte checksum.
Bytes SclImage(const std::vector<DiskFile>& files);

}  // namespace korvel::testing
