#pragma once
// Test-only writers of the containers pictures live in: TAP, TZX and PZX
// tapes, SNA, Z80 and SZX snapshots (with the Z80 compression), RZX
// recordings, TR-DOS and SCL disk images, the FDI, UDI and TD0 images of
// TR-DOS disks, +3 disk images and microdrive cartridges.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace korvel::testing {

using Bytes = std::vector<uint8_t>;

// `size` bytes telling themselves apart by `marker` at 0 and a pattern after.
Bytes Marked(uint8_t marker, size_t size = 6912);
// The first `size` bytes.
Bytes Cut(Bytes bytes, size_t size);
Bytes Concat(std::initializer_list<Bytes> parts);

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
// A generalized-data block (0x19) of the standard loader's pilot, sync and
// bits, holding the tape block as one bit a symbol.
Bytes TzxGeneralizedDataBlock(const Bytes& tapeBlock);

// A PZX file: a `PZXT` header of major version 1, then these blocks.
Bytes PzxFile(const std::vector<Bytes>& blocks);
// A PZX block of a 4-byte tag and a body.
Bytes PzxBlock(const char* tag, const Bytes& body);
// A `DATA` block holding the tape block, its bits the standard loader's.
Bytes PzxDataBlock(const Bytes& tapeBlock);

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

// `data` as a zlib stream of one deflate block of the fixed code, runs as
// matches at distance 1: the same bytes on every system, whatever its zlib
// would choose.
Bytes ZlibStream(const Bytes& data);

// An SZX snapshot of `machine` with these blocks.
Bytes SzxFile(uint8_t machine, const std::vector<Bytes>& blocks);
// An SZX block: a 4-byte ID, the body's length, the body.
Bytes SzxBlock(const char* id, const Bytes& body);
// A `RAMP` block of one 16 KB page, its data zlib-compressed or stored.
Bytes SzxRamPage(uint8_t page, const Bytes& data, bool compressed);

// An RZX recording of these blocks.
Bytes RzxFile(const std::vector<Bytes>& blocks);
// An RZX block: ID, the length of the whole block, the body.
Bytes RzxBlock(uint8_t id, const Bytes& body);
// A snapshot block (0x30) of a snapshot of kind `kind` ("z80", "SZX", ...),
// stored or zlib-compressed.
Bytes RzxSnapshotBlock(const std::string& kind, const Bytes& snapshot, bool compressed);

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

// A sector as a disk image records it: its ID (C, H, R, N) and its data.
struct Sector {
  uint8_t c = 0, h = 0, r = 1, n = 1;
  Bytes data;
};
// The physical tracks of a disk, cylinder 0 side 0, cylinder 0 side 1, ...
using Tracks = std::vector<std::vector<Sector>>;

// A TR-DOS image as tracks of sectors 1 to 16 of 256 bytes, on `sides`
// sides (the image cut after its last sector is padded to whole cylinders).
Tracks TrdosTracks(const Bytes& trdImage, unsigned sides = 2);

// FDI, UDI and TD0 images of these tracks on `sides` sides. UDI tracks hold
// each sector as an ID field and a data field, with gaps and marks; TD0
// sectors are stored with `encoding` 0 (as they are), 1 (repeated pairs) or 2
// (runs of repeated patterns and literal runs).
Bytes FdiImage(const Tracks& tracks, unsigned sides);
Bytes UdiImage(const Tracks& tracks, unsigned sides);
Bytes Td0Image(const Tracks& tracks, unsigned sides, uint8_t encoding = 2, const std::string& comment = "");

// A file on a +3 disk: its directory name and type, user 0.
struct Plus3File {
  std::string name;  // up to 8 characters
  std::string type;  // up to 3
  Bytes data;        // as stored on the disk (a +3DOS header included)
};

// The 360 logical sectors of 512 bytes of a +3 disk (one side, 40 tracks
// of 9 sectors, one reserved track holding the disk geometry record, 1 KB
// blocks, a directory of two blocks) holding these files, one directory
// entry per 16 KB of each, in block order from block 2.
std::vector<Bytes> Plus3Sectors(const std::vector<Plus3File>& files);
// The sectors as a standard or extended DSK image, track t of sectors 1 to
// 9 from logical sector 9t.
Bytes DskImage(const std::vector<Bytes>& sectors, bool extended);

// A microdrive record: a sector of the cartridge.
struct MdrRecord {
  std::string name;  // up to 10 characters
  uint8_t number = 0;
  Bytes data;  // 1 to 512 bytes (0: a free sector)
};
// The records of a file: a 9-byte header (type, length, start) and its data
// in records of 512 bytes.
std::vector<MdrRecord> MdrFileRecords(const std::string& name, uint8_t type, const Bytes& data);
// A cartridge of these sectors, in order, and the write-protection byte.
Bytes MdrCartridge(const std::vector<MdrRecord>& records);

}  // namespace korvel::testing
