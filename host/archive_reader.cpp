#include "host/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>

namespace korvel::host {

namespace {

struct ArchiveCloser {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveCloser>;

// What each kind is read with: libarchive's format and the filter its data
// must come through (none for an archive that is not compressed whole).
struct KindReading {
  ArchiveKind kind;
  const char* ending;  // lower case
  const char* what;    // for people
  int filter;          // ARCHIVE_FILTER_*
  bool singleFile;     // one compressed file, named after the archive
  bool readOnCostly;   // stepping over a member means inflating it
};

constexpr KindReading kKinds[] = {
    // The longest ending that fits first.
    {ArchiveKind::tarGzip, ".tar.gz", "a tar archive inside gzip", ARCHIVE_FILTER_GZIP, false, true},
    {ArchiveKind::tarGzip, ".tgz", "a tar archive inside gzip", ARCHIVE_FILTER_GZIP, false, true},
    {ArchiveKind::tarBzip2, ".tar.bz2", "a tar archive inside bzip2", ARCHIVE_FILTER_BZIP2, false, true},
    {ArchiveKind::tarXz, ".tar.xz", "a tar archive inside xz", ARCHIVE_FILTER_XZ, false, true},
    {ArchiveKind::zip, ".zip", "a zip archive", ARCHIVE_FILTER_NONE, false, false},
    {ArchiveKind::sevenZip, ".7z", "a 7z archive", ARCHIVE_FILTER_NONE, false, true},
    {ArchiveKind::rar, ".rar", "a rar archive", ARCHIVE_FILTER_NONE, false, false},  // solid ones: from the main header
    {ArchiveKind::tar, ".tar", "a tar archive", ARCHIVE_FILTER_NONE, false, false},
    {ArchiveKind::gzip, ".gz", "a gzip file", ARCHIVE_FILTER_GZIP, true, false},
    {ArchiveKind::bzip2, ".bz2", "a bzip2 file", ARCHIVE_FILTER_BZIP2, true, false},
    {ArchiveKind::xz, ".xz", "an xz file", ARCHIVE_FILTER_XZ, true, false},
};

const KindReading* ReadingOf(ArchiveKind kind) {
  for (const KindReading& reading : kKinds) {
    if (reading.kind == kind) return &reading;
  }
  return nullptr;
}

const char* FilterName(int filter) {
  switch (filter) {
    case ARCHIVE_FILTER_GZIP: return "gzip";
    case ARCHIVE_FILTER_BZIP2: return "bzip2";
    default: return "xz";
  }
}

std::string NotOfItsKind(const KindReading& kind, const std::string& why) {
  return std::string("cannot read it as ") + kind.what + " (" + why + ")";
}

// A RAR number of RAR 5's headers: 7 bits a byte, low bits first, the top bit
// set on every byte but the last. Nothing when it runs past `end`.
std::optional<uint64_t> RarNumber(const uint8_t*& at, const uint8_t* end) {
  uint64_t value = 0;
  for (int shift = 0; at < end && shift < 64; shift += 7) {
    const uint8_t byte = *at++;
    value |= uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) return value;
  }
  return std::nullopt;
}

// Whether a RAR archive beginning with these bytes is solid (its files
// compressed as one stream), by the flags of its main header.
bool RarIsSolid(const uint8_t* bytes, size_t size) {
  static constexpr uint8_t kRar4[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  static constexpr uint8_t kRar5[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
  // RAR 4: the marker, then the main header: CRC, type 0x73, flags word (0x0008 solid).
  if (size >= 12 && std::equal(kRar4, kRar4 + sizeof kRar4, bytes)) {
    return bytes[9] == 0x73 && (bytes[10] & 0x08) != 0;
  }
  // RAR 5: the signature, then the main header: CRC, size, type 1, flags,
  // the extra area's size when flag 0x0001 says so, the archive flags (0x0004 solid).
  if (size < sizeof kRar5 + 4 || !std::equal(kRar5, kRar5 + sizeof kRar5, bytes)) return false;
  const uint8_t* at = bytes + sizeof kRar5 + 4;
  const uint8_t* end = bytes + size;
  const auto headerSize = RarNumber(at, end);
  const auto type = RarNumber(at, end);
  const auto flags = RarNumber(at, end);
  if (!headerSize || !type || !flags || *type != 1) return false;
  if ((*flags & 1) != 0 && !RarNumber(at, end)) return false;
  if ((*flags & 2) != 0 && !RarNumber(at, end)) return false;
  const auto archiveFlags = RarNumber(at, end);
  return archiveFlags && (*archiveFlags & 4) != 0;
}

std::string LowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string ErrorOf(archive* reader) {
  const char* text = archive_error_string(reader);
  return text != nullptr ? text : "unreadable archive";
}

// A member path as a relative path that stays inside the archive's output
// folder: backslashes read as separators, leading separators and `.` parts
// dropped. Nothing when a `..` part would climb out, or nothing is left.
std::optional<std::string> SafeMemberPath(std::string_view raw) {
  std::string path;
  size_t start = 0;
  while (start <= raw.size()) {
    size_t end = start;
    while (end < raw.size() && raw[end] != '/' && raw[end] != '\\') ++end;
    const std::string_view part = raw.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") {
      if (!path.empty()) path += '/';
      path += part;
    }
    start = end + 1;
  }
  if (path.empty()) return std::nullopt;
  return path;
}

std::string LimitText(size_t limit) {
  return limit % (1024 * 1024) == 0 ? std::to_string(limit / (1024 * 1024)) + " MiB"
                                    : std::to_string(limit) + " bytes";
}

// Reads the current member into `buffer`, at most `limit` bytes. Returns the
// reason it was passed over, or nothing when read whole. `fatal` is set when
// the archive cannot be read on after it, `tooLarge` when it is larger than
// the limit.
std::optional<std::string> ReadMember(archive* reader, archive_entry* entry, size_t limit,
                                      std::vector<uint8_t>& buffer, bool& fatal, bool& tooLarge) {
  buffer.clear();
  if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > static_cast<la_int64_t>(limit)) {
    tooLarge = true;
    return "larger than " + LimitText(limit);
  }
  constexpr size_t kChunk = 64 * 1024;
  for (;;) {
    // One byte past the limit tells a member of exactly `limit` bytes from
    // one that inflates further.
    const size_t want = std::min(kChunk, limit + 1 - buffer.size());
    const size_t used = buffer.size();
    buffer.resize(used + want);
    const la_ssize_t got = archive_read_data(reader, buffer.data() + used, want);
    if (got < 0) {
      buffer.clear();
      fatal = got == ARCHIVE_FATAL;
      return "damaged or unreadable member: " + ErrorOf(reader);
    }
    buffer.resize(used + static_cast<size_t>(got));
    if (buffer.size() > limit) {
      buffer.clear();
      tooLarge = true;
      return "inflates past " + LimitText(limit);
    }
    if (got == 0) return std::nullopt;
  }
}

ArchiveWalk Walk(archive* reader, const KindReading& kind, bool readOnCostly, std::string_view singleMemberName,
                 const ArchiveVisitor& visit, size_t memberLimit) {
  std::vector<uint8_t> buffer;
  archive_entry* entry = nullptr;
  bool first = true;
  for (;;) {
    const int status = archive_read_next_header(reader, &entry);
    if (status == ARCHIVE_EOF) return {};
    // Before the first member: the file is not what its name says.
    if (status < ARCHIVE_WARN) return {false, first ? NotOfItsKind(kind, ErrorOf(reader)) : ErrorOf(reader)};
    if (archive_filter_code(reader, 0) != kind.filter) {
      return {false, NotOfItsKind(kind, kind.filter == ARCHIVE_FILTER_NONE
                                            ? "it is compressed as a whole"
                                            : std::string("no ") + FilterName(kind.filter) + " data")};
    }
    first = false;
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;

    ArchiveMember member;
    const char* name = kind.singleFile ? nullptr : archive_entry_pathname_utf8(entry);
    if (name == nullptr && !kind.singleFile) name = archive_entry_pathname(entry);
    const std::string_view rawPath = kind.singleFile ? singleMemberName : std::string_view(name ? name : "");
    const std::optional<std::string> path = SafeMemberPath(rawPath);
    member.path = path.value_or(std::string(rawPath));
    bool fatal = false;
    bool tooLarge = false;
    if (!path) {
      member.skipped = "a path outside the archive";
    } else if (archive_entry_filetype(entry) != AE_IFREG) {
      member.skipped = "not a regular file";
    } else if (archive_entry_is_encrypted(entry)) {
      member.skipped = "encrypted";
    } else if (std::optional<std::string> why = ReadMember(reader, entry, memberLimit, buffer, fatal, tooLarge)) {
      member.skipped = *why;
    } else {
      member.bytes = &buffer;
    }
    if (tooLarge && readOnCostly) {
      member.endsWalk = true;
      member.skipped += "; the rest of the archive is not read (reading on would mean inflating all of it)";
    }
    if (!visit(member) || member.endsWalk) return {};
    if (fatal) return {false, ErrorOf(reader)};
    // One compressed file: stepping past the rest of a bomb would inflate it.
    if (kind.singleFile) return {};
  }
}

ArchivePtr NewReader(const KindReading& kind) {
  ArchivePtr reader(archive_read_new());
  if (!reader) return reader;
  archive* r = reader.get();
  switch (kind.filter) {
    case ARCHIVE_FILTER_GZIP: archive_read_support_filter_gzip(r); break;
    case ARCHIVE_FILTER_BZIP2: archive_read_support_filter_bzip2(r); break;
    case ARCHIVE_FILTER_XZ: archive_read_support_filter_xz(r); break;
    default: break;
  }
  switch (kind.kind) {
    case ArchiveKind::zip: archive_read_support_format_zip(r); break;
    case ArchiveKind::sevenZip: archive_read_support_format_7zip(r); break;
    case ArchiveKind::rar:
      archive_read_support_format_rar(r);
      archive_read_support_format_rar5(r);
      break;
    case ArchiveKind::tar:
    case ArchiveKind::tarGzip:
    case ArchiveKind::tarBzip2:
    case ArchiveKind::tarXz: archive_read_support_format_tar(r); break;
    default: archive_read_support_format_raw(r); break;
  }
  return reader;
}

bool ReadOnCostly(const KindReading& kind, const uint8_t* start, size_t size) {
  return kind.readOnCostly || (kind.kind == ArchiveKind::rar && RarIsSolid(start, size));
}

}  // namespace

ArchiveKind ArchiveKindOf(const std::filesystem::path& name) {
  const std::string lower = LowerCase(name.filename().string());
  for (const KindReading& reading : kKinds) {
    const std::string_view ending = reading.ending;
    if (lower.size() > ending.size() && lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0) {
      return reading.kind;
    }
  }
  return ArchiveKind::none;
}

ArchiveWalk WalkArchiveFile(const std::filesystem::path& path, const ArchiveVisitor& visit, size_t memberLimit) {
  const KindReading* kind = ReadingOf(ArchiveKindOf(path));
  if (kind == nullptr) return {false, "not an archive korvel reads"};
  uint8_t start[32] = {};
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(start), sizeof start);
  ArchivePtr reader = NewReader(*kind);
  if (!reader) return {false, "out of memory"};
  if (archive_read_open_filename(reader.get(), path.string().c_str(), 64 * 1024) != ARCHIVE_OK) {
    return {false, NotOfItsKind(*kind, ErrorOf(reader.get()))};
  }
  std::string single = path.filename().string();
  single.resize(single.size() - std::string_view(kind->ending).size());
  return Walk(reader.get(), *kind, ReadOnCostly(*kind, start, sizeof start), single, visit, memberLimit);
}

ArchiveWalk WalkArchiveBytes(const uint8_t* bytes, size_t size, ArchiveKind kindOfArchive,
                             std::string_view singleMemberName, const ArchiveVisitor& visit, size_t memberLimit) {
  const KindReading* kind = ReadingOf(kindOfArchive);
  if (kind == nullptr) return {false, "not an archive korvel reads"};
  ArchivePtr reader = NewReader(*kind);
  if (!reader) return {false, "out of memory"};
  if (archive_read_open_memory(reader.get(), bytes, size) != ARCHIVE_OK) {
    return {false, NotOfItsKind(*kind, ErrorOf(reader.get()))};
  }
  return Walk(reader.get(), *kind, ReadOnCostly(*kind, bytes, size), singleMemberName, visit, memberLimit);
}

}  // namespace korvel::host
