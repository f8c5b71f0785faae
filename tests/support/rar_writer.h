#pragma once
// Test-only writers of RAR archives (versions 4 and 5) whose members are
// stored, not compressed: nothing in Debian writes RAR files, and a stored
// member is enough to walk an archive's headers.

#include <string>
#include <vector>

#include "tests/support/container_writer.h"

namespace korvel::testing {

struct RarMember {
  std::string name;
  Bytes data;
  bool folder = false;
  bool encrypted = false;  // flagged so (RAR 4); the data are not really encrypted
  bool continues = false;  // continued in the next volume of a set: half its data here
};

// `solid` sets the archive's solid flag in its main header (the members,
// being stored, do not go on from each other).
Bytes Rar4Archive(const std::vector<RarMember>& members, bool solid = false);
Bytes Rar5Archive(const std::vector<RarMember>& members, bool solid = false);

}  // namespace korvel::testing
