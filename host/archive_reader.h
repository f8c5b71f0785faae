#pragma once
// Reading archives in memory, member by member, so that the host can walk
// them as it walks a folder: zip, 7z, rar (versions 4 and 5), tar, and tar
// inside gzip, bzip2 or xz, and single files compressed by those three. Only
// the host reads archives; the plug-ins never see one.

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

enum class ArchiveKind { none, zip, gzip, sevenZip, rar, tar, tarGzip, tarBzip2, tarXz, bzip2, xz };

// The kind a file's name says it is, from the end of the name regardless of
// case, the longest ending first: `.tar.gz` and `.tgz`, `.tar.bz2`,
// `.tar.xz`, `.zip`, `.7z`, `.rar`, `.tar`, then `.gz`, `.bz2` and `.xz`
// (one file, compressed).
ArchiveKind ArchiveKindOf(const std::filesystem::path& name);

struct ArchiveMember {
  // The member's path inside the archive: relative, '/'-separated, without
  // `.` or `..` parts. For one compressed file (`.gz`, `.bz2`, `.xz`), the
  // name given for it.
  std::string path;
  // The member's whole content; null when it was passed over.
  const std::vector<uint8_t>* bytes = nullptr;
  // Why it was passed over (larger than the limit, inflating past it, a path
  // leaving the archive, a damaged or encrypted member); empty when read.
  std::string skipped;
  // Passing it over ended the walk: in a compressed tar and a solid 7z or
  // rar, reading on past a member too large would inflate all of it.
  bool endsWalk = false;
};

// Called for each member that is a file, in archive order (folders are
// passed over silently). Returns false to stop the walk.
using ArchiveVisitor = std::function<bool(const ArchiveMember&)>;

struct ArchiveWalk {
  bool ok = true;     // false: the archive itself could not be read on
  std::string error;  // why; members visited before it stand
};

// Walks the archive at `path` (its kind from its name). A compressed file's
// one member is named after the file without its ending (`pic.scr.bz2`
// holds `pic.scr`). Members that claim more than `memberLimit` bytes are
// passed over unread; a member that inflates past it is read no further and
// passed over. In a compressed tar, a 7z (korvel cannot tell a solid one
// from its name or first bytes, and stepping over a member inflates it) and
// a solid rar, such a member ends the walk.
ArchiveWalk WalkArchiveFile(const std::filesystem::path& path, const ArchiveVisitor& visit,
                            size_t memberLimit = kLargestArchiveMember);

// The same for an archive already in memory; `singleMemberName` names the
// one member of a compressed file.
ArchiveWalk WalkArchiveBytes(const uint8_t* bytes, size_t size, ArchiveKind kind, std::string_view singleMemberName,
                             const ArchiveVisitor& visit, size_t memberLimit = kLargestArchiveMember);

}  // namespace korvel::host
