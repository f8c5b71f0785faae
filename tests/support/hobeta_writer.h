#pragma once
// Test-only writer of Hobeta-wrapped files: a 17-byte header with a valid
// checksum, then the data padded to whole 256-byte sectors.

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel::testing {

using Bytes = std::vector<uint8_t>;

struct HobetaFields {
  char name[8] = {'k', 'o', 'r', 'v', 'e', 'l', ' ', ' '};
  uint8_t type = 'C';
  uint16_t start = 0x4000;
  std::optional<uint16_t> length;      // default: the data size
  uint8_t unnamed = 0;
  std::optional<uint8_t> sectorCount;  // default: sectors the data fill
  bool padToSectors = true;
};

// The checksum a reader expects for the 15 header bytes.
uint16_t HobetaChecksumOf(const uint8_t* first15);

Bytes WrapHobeta(const Bytes& data, const HobetaFields& fields = {});

// The same with only the type letter and start word set.
Bytes WrapHobetaAs(const Bytes& data, uint8_t type, uint16_t start = 0x4000);

}  // namespace korvel::testing
