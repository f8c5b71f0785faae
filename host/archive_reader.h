#pragma once
// Reading `.zip` archives and single-file `.gz` files in memory, member by
// member, so that the host can walk them as it walks a folder. Only the
// host reads archives; the plug-ins never see one.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/load.h"

namespace korvel::host {

// The largest member read, as the largest file a plug-in reads.
inline constexpr size_t kLargestArchiveMember = kMaxExtraFileBytes;

enum class ArchiveKind { none, zip, gzip };

// The kind a file's name says it is: `.zip` or `.gz`, regardless of case.
ArchiveKind ArchiveKindOf(const std::filesystem::path& name);

struct ArchiveMember {
  // The member's path inside the archive: relative, '/'-separated, without
  // `.` or `..` parts. For a `.gz` file, the name given for its one member.
  std::string path;
  // The member's whole content; null when it was passed over.
  const std::vector<uint8_t>* bytes = nullptr;
  // Why it was passed over (larger than the limit, inflating past it, a path
  // leaving the archive, a damaged or encrypted member); empty when read.
  std::string skipped;
};

// Called for each member that is a file, in archive order (folders are
// passed over silently). Returns false to stop the walk.
using ArchiveVisitor = std::function<bool(const ArchiveMember&)>;

struct ArchiveWalk {
  bool ok = true;     // false: the archive itself could not be read on
  std::string error;  // why; members visited before it stand
};

// Walks the archive at `path` (its kind from its name). A `.gz` file's
// member is named after the file without `.gz`. Members that claim more
// than `memberLimit` bytes are passed over unread; a member that inflates
// past it is read no further and passed over.
ArchiveWalk WalkArchiveFile(const std::filesystem::path& path, const ArchiveVisitor& visit,
                            size_t memberLimit = kLargestArchiveMember);

// The same for an archive already in memory; `gzipMemberName` names the one
// member of a `.gz`.
ArchiveWalk WalkArchiveBytes(const uint8_t* bytes, size_t size, ArchiveKind kind, std::string_view gzipMemberName,
                             const ArchiveVisitor& visit, size_t memberLimit = kLargestArchiveMember);

}  // namespace korvel::host
