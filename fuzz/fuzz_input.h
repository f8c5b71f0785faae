#pragma once
// How a fuzz input becomes a file and its name; shared by the fuzz targets
// and the test that replays the kept regression inputs.
//
// Byte 0 is a control byte, the rest is the file:
//   bits 0-2: the name, from kFuzzFileNames (the extension steers raw
//             18432-byte files; the others reach the wrapped path);
//   bit 3:    when set and the file has 17 bytes or more, bytes 15 and 16 are
//             overwritten with the checksum of bytes 0 to 14, so that mutated
//             headers get past the checksum and into the rules;
//   bit 4:    for korvel_extra only, the name comes from kExtraFuzzFileNames
//             instead: the extensions that select its forms;
//   bit 5:    for korvel_extra only, the name comes from
//             kContainerFuzzFileNames: the extensions of tapes, snapshots,
//             disk images and recordings (bit 4 is then not looked at);
//   bit 6:    for korvel_extra only, the name comes from
//             kMoreContainerFuzzFileNames: the disk images and cartridges
//             found by name, and the other containers' names (bits 4 and 5
//             are then not looked at);
//   bit 7:    for korvel_extra only, the file goes the in-process host's way
//             (every picture and entry, in every rule set's order) instead
//             of the plug-in's load: one walk a run, and each input can be
//             turned into the other walk's by one bit.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::fuzzing {

inline constexpr const char* kFuzzFileNames[] = {
    "pic.rgb", "pic.xpc", "pic.xpv", "pic.RGB", "pic.scr", "dir.old/pic", "pic", "pic.$s",
};

inline constexpr const char* kExtraFuzzFileNames[] = {
    "pic.mlt", "pic.ifl", "pic.atr", "pic.53C", "pic.shc", "pic.3", "pic.nxi", "pic.$C",
};

inline constexpr const char* kContainerFuzzFileNames[] = {
    "pic.tap", "pic.sna", "pic.z80", "pic.trd", "pic.WAV", "pic.Z80", "pic.tzx", "pic.scl",
};

inline constexpr const char* kMoreContainerFuzzFileNames[] = {
    "pic.fdi", "pic.td0", "pic.mdr", "pic.FDI", "pic.dsk", "pic.szx", "pic.rzx", "pic.wav",
};

// The largest picture any file can describe: a BIT sheet 255 cells wide and
// 8191 cells high.
inline constexpr unsigned kLargestWidth = 8 * 255;
inline constexpr unsigned kLargestHeight = 8 * 8191;

struct FuzzFile {
  std::vector<uint8_t> bytes;
  const char* fileName = nullptr;  // null for an empty input
  bool hostWalk = false;           // bit 7, for korvel_extra only
};

inline FuzzFile DecodeFuzzInput(const uint8_t* data, size_t size, bool extraNames = false) {
  FuzzFile file;
  if (size == 0) return file;
  const uint8_t control = data[0];
  file.bytes.assign(data + 1, data + size);
  const char* const* names = kFuzzFileNames;
  if (extraNames && (control & 64) != 0) {
    names = kMoreContainerFuzzFileNames;
  } else if (extraNames && (control & 32) != 0) {
    names = kContainerFuzzFileNames;
  } else if (extraNames && (control & 16) != 0) {
    names = kExtraFuzzFileNames;
  }
  file.fileName = names[control & 7];
  file.hostWalk = extraNames && (control & 128) != 0;
  if ((control & 8) != 0 && file.bytes.size() >= 17) {
    unsigned sum = 0;
    for (int i = 0; i < 15; ++i) sum += file.bytes[i];
    const unsigned checksum = (sum * 257 + 105) & 0xFFFF;
    file.bytes[15] = static_cast<uint8_t>(checksum);
    file.bytes[16] = static_cast<uint8_t>(checksum >> 8);
  }
  return file;
}

}  // namespace korvel::fuzzing
