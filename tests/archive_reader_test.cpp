// Archives walked in memory: member paths and bytes in order, members passed
// over with a reason (too large, inflating past the limit, a path leaving the
// archive), broken archives, and archives of very many members.

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/tap.h"
#include "host/archive_reader.h"
#include "tests/support/container_writer.h"
#include "tests/support/test_support.h"

namespace korvel::host {
namespace {

using testing::Bytes;

struct Member {
  std::string path;
  Bytes bytes;
  bool folder = false;
};

la_ssize_t AppendTo(archive*, void* client, const void* buffer, size_t length) {
  auto* out = static_cast<Bytes*>(client);
  out->insert(out->end(), static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + length);
  return static_cast<la_ssize_t>(length);
}

// A .zip of these members, or a .gz of the first one, written with
// libarchive's writer. A .gz stores no size; a .zip does.
Bytes WriteArchive(ArchiveKind kind, const std::vector<Member>& members) {
  Bytes out;
  archive* writer = archive_write_new();
  if (kind == ArchiveKind::zip) {
    archive_write_set_format_zip(writer);
  } else {
    archive_write_add_filter_gzip(writer);
    archive_write_set_format_raw(writer);
  }
  archive_write_set_bytes_in_last_block(writer, 1);
  EXPECT_EQ(archive_write_open(writer, &out, nullptr, AppendTo, nullptr), ARCHIVE_OK);
  archive_entry* entry = archive_entry_new();
  for (const Member& member : members) {
    archive_entry_clear(entry);
    archive_entry_set_pathname(entry, member.path.c_str());
    archive_entry_set_filetype(entry, member.folder ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    if (kind == ArchiveKind::zip) archive_entry_set_size(entry, static_cast<la_int64_t>(member.bytes.size()));
    EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << member.path;
    if (!member.bytes.empty()) archive_write_data(writer, member.bytes.data(), member.bytes.size());
  }
  archive_entry_free(entry);
  archive_write_close(writer);
  archive_write_free(writer);
  return out;
}

// What a walk saw: each member's path and size, or its path and why it was
// passed over.
struct Seen {
  std::string path;
  std::string what;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) { return out << seen.path << ": " << seen.what; }

struct Walked {
  ArchiveWalk result;
  std::vector<Seen> members;
  std::vector<Bytes> contents;
};

ArchiveVisitor Collect(Walked& walked) {
  return [&walked](const ArchiveMember& member) {
    walked.members.push_back({member.path, member.bytes ? std::to_string(member.bytes->size()) : member.skipped});
    walked.contents.push_back(member.bytes ? *member.bytes : Bytes{});
    return true;
  };
}

Walked WalkBytes(const Bytes& archive, ArchiveKind kind, size_t limit, std::string_view gzipName = "member") {
  Walked walked;
  walked.result = WalkArchiveBytes(archive.data(), archive.size(), kind, gzipName, Collect(walked), limit);
  return walked;
}

constexpr size_t kLimit = 64 * 1024;

TEST(ArchiveReader, ZipMembersInOrderFromFileAndFromMemory) {
  const Bytes screen = Bytes(6912, 0x47);
  const Bytes tape = testing::TapFile({testing::TapeHeader(3, "pic", 6912, 16384), testing::TapeBlock(0xFF, screen)});
  const Bytes zip = WriteArchive(ArchiveKind::zip, {
                                                        {"art/", {}, true},
                                                        {"art/2024/loading.scr", screen},
                                                        {"games/demo.tap", tape},
                                                        {"../escape.scr", screen},
                                                        {"/rooted/./pic.scr", screen},
                                                        {"dos\\PIC.SCR", screen},
                                                        {"empty", {}},
                                                        {"exactly", Bytes(kLimit, 1)},
                                                        {"huge", Bytes(kLimit + 1, 2)},
                                                        {"after", {3}},
                                                    });
  const std::vector<Seen> expected = {
      {"art/2024/loading.scr", "6912"},
      {"games/demo.tap", std::to_string(tape.size())},
      {"../escape.scr", "a path outside the archive"},
      {"rooted/pic.scr", "6912"},
      {"dos/PIC.SCR", "6912"},
      {"empty", "0"},
      {"exactly", std::to_string(kLimit)},
      {"huge", "larger than 65536 bytes"},
      {"after", "1"},
  };
  testing::TemporaryFolder folder;
  const std::string path = folder.Write("set.ZIP", zip);
  Walked fromFile;
  fromFile.result = WalkArchiveFile(path, Collect(fromFile), kLimit);
  for (const Walked& walked : {fromFile, WalkBytes(zip, ArchiveKind::zip, kLimit)}) {
    EXPECT_TRUE(walked.result.ok) << walked.result.error;
    EXPECT_EQ(walked.members, expected);
    EXPECT_EQ(walked.contents[0], screen);
    // A member that is a container is handed on whole.
    int screens = 0;
    WalkTapScreens(ByteSpan(walked.contents[1].data(), walked.contents[1].size()), [&](const ContainerScreen& found) {
      EXPECT_EQ(Bytes(found.bytes.Peek(0, 6912), found.bytes.Peek(0, 6912) + 6912), screen);
      return ++screens > 0;
    });
    EXPECT_EQ(screens, 1);
  }
}

TEST(ArchiveReader, GzipHoldsOneMemberNamedAfterTheFile) {
  const Bytes screen = Bytes(6912, 0x38);
  testing::TemporaryFolder folder;
  const std::string path = folder.Write("pic.scr.gz", WriteArchive(ArchiveKind::gzip, {{"ignored", screen}}));
  Walked walked;
  walked.result = WalkArchiveFile(path, Collect(walked), kLimit);
  EXPECT_TRUE(walked.result.ok) << walked.result.error;
  EXPECT_EQ(walked.members, (std::vector<Seen>{{"pic.scr", "6912"}}));
  EXPECT_EQ(walked.contents[0], screen);
}

TEST(ArchiveReader, BombsAndBrokenArchivesStop) {
  // 16 MiB of zeros inflate from some 16 KB; the walk stops at the limit.
  const Bytes bomb = WriteArchive(ArchiveKind::gzip, {{"x", Bytes(16 * 1024 * 1024, 0)}});
  const Bytes notAnArchive(5000, 'x');
  // A zip whose member claims 100 bytes and inflates to 1 MiB.
  Bytes lyingZip = WriteArchive(ArchiveKind::zip, {{"liar", Bytes(1024 * 1024, 0)}});
  for (size_t i = 0; i + 4 <= lyingZip.size(); ++i) {
    if (Bytes(lyingZip.begin() + static_cast<long>(i), lyingZip.begin() + static_cast<long>(i) + 4) == Bytes{0, 0, 16, 0}) {
      lyingZip[i] = 100;
      lyingZip[i + 2] = 0;
    }
  }
  struct Case {
    const char* what;
    Bytes archive;
    ArchiveKind kind;
    bool ok;
    std::vector<Seen> members;
  } cases[] = {
      {"gzip bomb", bomb, ArchiveKind::gzip, true, {{"member", "inflates past 65536 bytes"}}},
      {"zip member that understates its size", lyingZip, ArchiveKind::zip, true, {{"liar", "inflates past 65536 bytes"}}},
      {"not a gzip file", notAnArchive, ArchiveKind::gzip, false, {}},
      {"not a zip file", notAnArchive, ArchiveKind::zip, false, {}},
      {"empty zip file", {}, ArchiveKind::zip, false, {}},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const Walked walked = WalkBytes(c.archive, c.kind, kLimit);
    EXPECT_EQ(walked.result.ok, c.ok) << c.what << ": " << walked.result.error;
    EXPECT_EQ(walked.members, c.members) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.what;
  }
}

TEST(ArchiveReader, ManyEmptyMembersWalkInLinearTimeAndTheVisitorCanStop) {
  std::vector<Member> members;
  for (int i = 0; i < 50000; ++i) members.push_back({"d/" + std::to_string(i), {}});
  const Bytes zip = WriteArchive(ArchiveKind::zip, members);
  const auto start = std::chrono::steady_clock::now();
  const Walked walked = WalkBytes(zip, ArchiveKind::zip, kLimit);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(walked.result.ok);
  EXPECT_EQ(walked.members.size(), members.size());

  int seen = 0;
  EXPECT_TRUE(WalkArchiveBytes(zip.data(), zip.size(), ArchiveKind::zip, "", [&](const ArchiveMember&) {
                return ++seen < 3;
              }).ok);
  EXPECT_EQ(seen, 3);
}

#ifdef KORVEL_HOST

// The host walks an archive like a folder: each member's pictures under
// OUT/ARCHIVE.zip/, mirroring the member's path; a tape inside gives one PNG
// per picture; what is not a picture is skipped, not failed.
TEST(ArchiveReader, TheHostConvertsEveryPictureOfEveryMember) {
  const Bytes screen(6912, 0x47);
  const Bytes tape = testing::TapFile({testing::TapeBlock(0xFF, screen), testing::TapeBlock(0xFF, screen)});
  testing::TemporaryFolder folder;
  const std::string zip = folder.Write("coll.zip", WriteArchive(ArchiveKind::zip, {{"pics/a.scr", screen},
                                                                                     {"games/game.tap", tape},
                                                                                     {"readme.txt", {'h', 'i'}}}));
  const std::string out = folder.path() + "/out";
  auto result = testing::RunKorvel("convert " + testing::ShellQuote(zip) + " -o " + testing::ShellQuote(out));
  EXPECT_EQ(result.status, 0) << result.output;
  for (const char* name : {"coll.zip/pics/a.scr.png", "coll.zip/games/game.tap.1.png", "coll.zip/games/game.tap.2.png"}) {
    EXPECT_TRUE(std::filesystem::exists(out + "/" + name)) << name;
  }
  EXPECT_NE(result.output.find("3 converted, 1 skipped as not ZX pictures, 0 failed"), std::string::npos)
      << result.output;
}

#endif  // KORVEL_HOST

}  // namespace
}  // namespace korvel::host
