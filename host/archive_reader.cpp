#include "host/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace korvel::host {

namespace {

struct ArchiveCloser {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveCloser>;

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
// the archive cannot be read on after it.
std::optional<std::string> ReadMember(archive* reader, archive_entry* entry, size_t limit,
                                      std::vector<uint8_t>& buffer, bool& fatal) {
  buffer.clear();
  if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > static_cast<la_int64_t>(limit)) {
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
      return "inflates past " + LimitText(limit);
    }
    if (got == 0) return std::nullopt;
  }
}

ArchiveWalk Walk(archive* reader, ArchiveKind kind, std::string_view gzipMemberName, const ArchiveVisitor& visit,
                 size_t memberLimit) {
  std::vector<uint8_t> buffer;
  archive_entry* entry = nullptr;
  for (;;) {
    const int status = archive_read_next_header(reader, &entry);
    if (status == ARCHIVE_EOF) return {};
    if (status < ARCHIVE_WARN) return {false, ErrorOf(reader)};
    if (kind == ArchiveKind::gzip && archive_filter_code(reader, 0) != ARCHIVE_FILTER_GZIP) {
      return {false, "not a gzip file"};
    }
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;

    ArchiveMember member;
    const char* name = kind == ArchiveKind::gzip ? nullptr : archive_entry_pathname_utf8(entry);
    if (name == nullptr && kind != ArchiveKind::gzip) name = archive_entry_pathname(entry);
    const std::string_view rawPath = kind == ArchiveKind::gzip ? gzipMemberName : std::string_view(name ? name : "");
    const std::optional<std::string> path = SafeMemberPath(rawPath);
    member.path = path.value_or(std::string(rawPath));
    bool fatal = false;
    if (!path) {
      member.skipped = "a path outside the archive";
    } else if (archive_entry_filetype(entry) != AE_IFREG) {
      member.skipped = "not a regular file";
    } else if (std::optional<std::string> why = ReadMember(reader, entry, memberLimit, buffer, fatal)) {
      member.skipped = *why;
    } else {
      member.bytes = &buffer;
    }
    if (!visit(member)) return {};
    if (fatal) return {false, ErrorOf(reader)};
    // A .gz holds one member: stepping past the rest of a bomb would inflate it.
    if (kind == ArchiveKind::gzip) return {};
  }
}

ArchivePtr NewReader(ArchiveKind kind) {
  ArchivePtr reader(archive_read_new());
  if (!reader) return reader;
  if (kind == ArchiveKind::zip) {
    archive_read_support_format_zip(reader.get());
  } else {
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_format_raw(reader.get());
  }
  return reader;
}

}  // namespace

ArchiveKind ArchiveKindOf(const std::filesystem::path& name) {
  const std::string extension = LowerCase(name.extension().string());
  if (extension == ".zip") return ArchiveKind::zip;
  if (extension == ".gz") return ArchiveKind::gzip;
  return ArchiveKind::none;
}

ArchiveWalk WalkArchiveFile(const std::filesystem::path& path, const ArchiveVisitor& visit, size_t memberLimit) {
  const ArchiveKind kind = ArchiveKindOf(path);
  if (kind == ArchiveKind::none) return {false, "not a .zip or .gz file"};
  ArchivePtr reader = NewReader(kind);
  if (!reader) return {false, "out of memory"};
  if (archive_read_open_filename(reader.get(), path.string().c_str(), 64 * 1024) != ARCHIVE_OK) {
    return {false, ErrorOf(reader.get())};
  }
  return Walk(reader.get(), kind, path.stem().string(), visit, memberLimit);
}

ArchiveWalk WalkArchiveBytes(const uint8_t* bytes, size_t size, ArchiveKind kind, std::string_view gzipMemberName,
                             const ArchiveVisitor& visit, size_t memberLimit) {
  if (kind == ArchiveKind::none) return {false, "not a .zip or .gz file"};
  ArchivePtr reader = NewReader(kind);
  if (!reader) return {false, "out of memory"};
  if (archive_read_open_memory(reader.get(), bytes, size) != ARCHIVE_OK) return {false, ErrorOf(reader.get())};
  return Walk(reader.get(), kind, gzipMemberName, visit, memberLimit);
}

}  // namespace korvel::host
