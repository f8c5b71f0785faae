// Archives walked in memory: member paths and bytes in order, members passed
// over with a reason (too large, inflating past the limit, a path leaving the
// archive, encrypted), broken archives, archives of very many members; every
// kind made at test time by the system's own tools (and RAR by a writer of
// stored archives), content that is not the kind its name says, and large
// members in archives where reading on would inflate them.

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/tap.h"
#include "host/archive_reader.h"
#include "tests/support/container_writer.h"
#include "tests/support/rar_writer.h"
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

// --- Every kind, made by the tools that make them ---------------------------

// The first of these programs on PATH, or "".
std::string FindProgram(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (testing::RunCommand(std::string("command -v ") + name + " >/dev/null").status == 0) return name;
  }
  return "";
}

const std::string kSevenZip = FindProgram({"7zz", "7z", "7za"});

// Members written into a folder and packed by a shell command run in it
// (`$OUT` the archive to make); RAR archives by the test writer.
struct Made {
  std::string path;  // empty: the tool is missing
  std::string why;
};

Made MakeArchive(const testing::TemporaryFolder& folder, const std::string& name, const std::vector<Member>& members) {
  const std::string in = folder.path() + "/in-" + name;
  std::vector<testing::RarMember> rarMembers;
  for (const Member& member : members) {
    std::filesystem::create_directories(std::filesystem::path(in + "/" + member.path).parent_path());
    folder.Write("in-" + name + "/" + member.path, member.bytes);
    rarMembers.push_back({member.path, member.bytes});
  }
  const std::string out = folder.path() + "/" + name;
  const std::string lower = [&] {
    std::string text = name;
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }();
  auto endsWith = [&](const std::string& ending) { return lower.ends_with(ending); };
  if (endsWith(".rar")) {
    folder.Write(name, name.find("rar5") != std::string::npos ? testing::Rar5Archive(rarMembers)
                                                              : testing::Rar4Archive(rarMembers));
    return {out, ""};
  }
  std::string command;
  const std::string tar = "tar --sort=name --format=gnu -c";
  if (endsWith(".tar.gz") || endsWith(".tgz")) command = tar + "z -f \"$OUT\" *";
  if (endsWith(".tar.bz2")) command = tar + "j -f \"$OUT\" *";
  if (endsWith(".tar.xz")) command = tar + "J -f \"$OUT\" *";
  if (endsWith(".tar")) command = tar + " -f \"$OUT\" *";
  if (endsWith(".gz") && command.empty()) command = "gzip -c * >\"$OUT\"";
  if (endsWith(".bz2") && command.empty()) command = "bzip2 -c * >\"$OUT\"";
  if (endsWith(".xz") && command.empty()) command = "xz -c * >\"$OUT\"";
  if (endsWith(".7z") || endsWith(".zip")) {
    if (kSevenZip.empty()) return {"", "no 7zz, 7z or 7za (Debian: 7zip)"};
    command = kSevenZip + " a -bd -bso0 " + (endsWith(".zip") ? "-tzip " : "") + "\"$OUT\" *";
  }
  const std::string program = command.substr(0, command.find(' '));
  if (FindProgram({program.c_str()}).empty()) return {"", "no " + program};
  const auto result = testing::RunCommand("cd " + testing::ShellQuote(in) + " && OUT=" + testing::ShellQuote(out) +
                                          " && " + command);
  EXPECT_EQ(result.status, 0) << name << ": " << result.output;
  return {out, ""};
}

std::vector<Seen> Sorted(std::vector<Seen> seen) {
  std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.path < b.path; });
  return seen;
}

TEST(ArchiveReader, EveryKindIsWalkedAsAZipIs) {
  const Bytes screen(6912, 0x47);
  const Bytes inner = WriteArchive(ArchiveKind::zip, {{"inside.scr", screen}});
  const std::vector<Member> members = {{"pics/a.scr", screen}, {"pics/b.tap", Bytes(100, 1)}, {"inner.zip", inner}};
  // An archive inside is a member like any other, not opened.
  const std::vector<Seen> expected = Sorted({{"inner.zip", std::to_string(inner.size())},
                                             {"pics/a.scr", "6912"},
                                             {"pics/b.tap", "100"}});
  testing::TemporaryFolder folder;
  for (const char* name : {"set.tar", "set.tar.gz", "set.TGZ", "set.tar.bz2", "set.tar.xz", "set.7z", "set.zip",
                           "set.rar", "set-rar5.rar"}) {
    SCOPED_TRACE(name);
    const Made made = MakeArchive(folder, name, members);
    if (made.path.empty()) {
      std::printf("%s not made: %s\n", name, made.why.c_str());
      continue;
    }
    Walked walked;
    walked.result = WalkArchiveFile(made.path, Collect(walked), kLimit);
    EXPECT_TRUE(walked.result.ok) << walked.result.error;
    EXPECT_EQ(Sorted(walked.members), expected);
  }
  // One compressed file, named after the archive without its ending.
  for (const char* name : {"pic.scr.gz", "pic.scr.bz2", "PIC.SCR.XZ"}) {
    SCOPED_TRACE(name);
    const Made made = MakeArchive(folder, name, {{"only", screen}});
    if (made.path.empty()) continue;
    Walked walked;
    walked.result = WalkArchiveFile(made.path, Collect(walked), kLimit);
    EXPECT_TRUE(walked.result.ok) << walked.result.error;
    const std::string member = std::string(name).substr(0, 7);
    EXPECT_EQ(walked.members, (std::vector<Seen>{{member, "6912"}}));
  }
}

TEST(ArchiveReader, ContentNotOfTheKindItsNameSaysIsNotRead) {
  testing::TemporaryFolder folder;
  const std::vector<Member> members = {{"a.scr", Bytes(6912, 1)}};
  const struct {
    const char* made;
    const char* named;
  } cases[] = {{"x.tar.gz", "gz-as.tar.bz2"}, {"x.tar.gz", "gz-as.tar"}, {"x.tar", "tar-as.tgz"},
               {"x.zip", "zip-as.7z"},      {"x.7z", "7z-as.rar"},     {"x.rar", "rar-as.zip"},
               {"x.tar.xz", "xz-as.gz"},    {"x.bz2", "bz2-as.xz"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named);
    const Made made = MakeArchive(folder, std::string(c.named) + "." + c.made, members);
    if (made.path.empty()) continue;
    const std::string renamed = folder.path() + "/" + c.named;
    std::filesystem::rename(made.path, renamed);
    Walked walked;
    walked.result = WalkArchiveFile(renamed, Collect(walked), kLimit);
    EXPECT_FALSE(walked.result.ok);
    EXPECT_TRUE(walked.members.empty());
  }
}

// Past a member too large, a compressed tar, a 7z or a solid rar is read no
// further: stepping over the member would inflate it. Elsewhere the walk
// goes on, as in a zip.
TEST(ArchiveReader, ALargeMemberEndsTheWalkWhereReadingOnInflatesIt) {
  const std::vector<Member> members = {{"a.scr", Bytes(6912, 1)}, {"b.bin", Bytes(kLimit + 1, 0)},
                                       {"c.scr", Bytes(6912, 2)}};
  const std::string ends = "larger than 65536 bytes; the rest of the archive is not read"
                           " (reading on would mean inflating all of it)";
  const std::vector<Seen> stopped = {{"a.scr", "6912"}, {"b.bin", ends}};
  const std::vector<Seen> passedOver = {{"a.scr", "6912"}, {"b.bin", "larger than 65536 bytes"}, {"c.scr", "6912"}};
  std::vector<testing::RarMember> rarMembers;
  for (const Member& member : members) rarMembers.push_back({member.path, member.bytes});
  testing::TemporaryFolder folder;
  folder.Write("solid.rar", testing::Rar4Archive(rarMembers, true));
  folder.Write("solid5.rar", testing::Rar5Archive(rarMembers, true));
  const struct {
    const char* name;
    std::vector<Seen> seen;
  } cases[] = {{"set.tar.gz", stopped},     {"set.tar.xz", stopped},     {"set.7z", stopped},
               {"set.tar", passedOver},     {"set.rar", passedOver},     {"set-rar5.rar", passedOver},
               {"solid.rar", stopped},      {"solid5.rar", stopped}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = std::string(c.name).starts_with("solid") ? folder.path() + "/" + c.name
                                                                        : MakeArchive(folder, c.name, members).path;
    if (path.empty()) continue;
    Walked walked;
    walked.result = WalkArchiveFile(path, Collect(walked), kLimit);
    EXPECT_TRUE(walked.result.ok) << walked.result.error;
    // 7z stores its members in an order of its own.
    EXPECT_EQ(std::string(c.name).ends_with(".7z") ? Sorted(walked.members) : walked.members,
              std::string(c.name).ends_with(".7z") ? Sorted(c.seen) : c.seen);
  }
}

TEST(ArchiveReader, UnreadableMembersArePassedOver) {
  const Bytes screen(6912, 3);
  testing::TemporaryFolder folder;
  Walked rar;
  const Bytes rarFile = testing::Rar4Archive({{"secret.scr", screen, false, true}, {"open.scr", screen}});
  rar.result = WalkArchiveBytes(rarFile.data(), rarFile.size(), ArchiveKind::rar, "", Collect(rar), kLimit);
  ASSERT_EQ(rar.members.size(), 2u);
  EXPECT_EQ(rar.members[0].path, "secret.scr");
  EXPECT_EQ(rar.members[1], (Seen{"open.scr", "6912"}));

  // Continued in another volume of a set: passed over, the members before standing.
  Walked volume;
  const Bytes volumeFile = testing::Rar5Archive({{"a.scr", screen}, {"split.scr", screen, false, false, true}});
  volume.result = WalkArchiveBytes(volumeFile.data(), volumeFile.size(), ArchiveKind::rar, "", Collect(volume), kLimit);
  ASSERT_GE(volume.members.size(), 1u);
  EXPECT_EQ(volume.members[0], (Seen{"a.scr", "6912"}));
  if (volume.members.size() > 1) EXPECT_NE(volume.members[1].what, "6912");

  if (kSevenZip.empty()) GTEST_SKIP() << "no 7zz, 7z or 7za (Debian: 7zip): the encrypted 7z and zip are not made";
  folder.Write("in/pics/a.scr", screen);
  for (const char* name : {"secret.7z", "secret.zip"}) {
    SCOPED_TRACE(name);
    const auto made = testing::RunCommand("cd " + testing::ShellQuote(folder.path() + "/in") + " && " + kSevenZip +
                                          " a -bd -bso0 -psecret " + (std::string(name).ends_with(".zip") ? "-tzip " : "") +
                                          testing::ShellQuote(folder.path() + "/" + name) + " pics");
    ASSERT_EQ(made.status, 0) << made.output;
    Walked walked;
    walked.result = WalkArchiveFile(folder.path() + "/" + name, Collect(walked), kLimit);
    ASSERT_EQ(walked.members.size(), 1u) << walked.result.error;
    EXPECT_EQ(walked.members[0].path, "pics/a.scr");
    EXPECT_NE(walked.members[0].what, "6912");
  }
}

// A 7z whose coder asks for a 4 GB dictionary: its members are read (or
// passed over) in bounded memory and time.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEL_HAS_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef KORVEL_HAS_ADDRESS_SANITIZER
#define KORVEL_HAS_ADDRESS_SANITIZER 0
#endif

TEST(ArchiveReader, ASevenZipAskingForAHugeDictionaryStaysBounded) {
  if (kSevenZip.empty()) GTEST_SKIP() << "no 7zz, 7z or 7za (Debian: 7zip)";
  testing::TemporaryFolder folder;
  folder.Write("in/a.scr", Bytes(6912, 5));
  const std::string path = folder.path() + "/dict.7z";
  ASSERT_EQ(testing::RunCommand("cd " + testing::ShellQuote(folder.path() + "/in") + " && " + kSevenZip +
                                " a -bd -bso0 -m0=lzma2 -mhc=off " + testing::ShellQuote(path) + " a.scr")
                .status,
            0);
  Bytes archive = testing::ReadFileBytes(path);
  // The plain header ends the file; its LZMA2 coder (flag 0x21, ID 0x21, one
  // property byte) gets the largest dictionary, and both CRCs are mended.
  const size_t header = 32 + (archive[12] | archive[13] << 8 | archive[14] << 16);
  const Bytes coder = {0x21, 0x21, 0x01};
  const auto at = std::search(archive.begin() + static_cast<long>(header), archive.end(), coder.begin(), coder.end());
  ASSERT_NE(at, archive.end());
  at[3] = 40;  // 4 GiB - 1
  auto put32 = [&](size_t offset, uLong value) {
    for (int i = 0; i < 4; ++i) archive[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  put32(28, crc32(0, archive.data() + header, static_cast<uInt>(archive.size() - header)));
  put32(8, crc32(0, archive.data() + 12, 20));
  rusage before;
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  const Walked walked = WalkBytes(archive, ArchiveKind::sevenZip, kLimit);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  rusage after;
  getrusage(RUSAGE_SELF, &after);
#if !defined(__SANITIZE_ADDRESS__) && !KORVEL_HAS_ADDRESS_SANITIZER
  // AddressSanitizer writes the shadow of every allocation, reserved or not.
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes more at the peak";
#endif
  EXPECT_EQ(walked.members.size(), 1u);
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

// Every kind is walked like a zip, named ARCHIVE.EXT/MEMBER...; a file that
// is not the kind its name says is one line, a failure only when named.
TEST(ArchiveReader, TheHostWalksEveryKindAndNamesWhatItCannotRead) {
  const Bytes screen(6912, 0x47);
  testing::TemporaryFolder folder;
  const Made tgz = MakeArchive(folder, "coll.tar.gz", {{"pics/a.scr", screen}});
  if (tgz.path.empty()) GTEST_SKIP() << tgz.why;
  std::filesystem::create_directories(folder.path() + "/in");
  std::filesystem::rename(tgz.path, folder.path() + "/in/coll.tar.gz");
  folder.Write("in/coll.rar", testing::Rar5Archive({{"b.scr", screen}, {"c.tap", testing::TapFile({})}}));
  folder.Write("in/fake.tgz", screen);
  const std::string out = folder.path() + "/out";
  auto result = testing::RunKorvel("convert " + testing::ShellQuote(folder.path() + "/in") + " -o " +
                                   testing::ShellQuote(out));
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_TRUE(std::filesystem::exists(out + "/coll.tar.gz/pics/a.scr.png"));
  EXPECT_TRUE(std::filesystem::exists(out + "/coll.rar/b.scr.png"));
  EXPECT_NE(result.output.find("fake.tgz: cannot read it as a tar archive inside gzip"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("2 converted, 2 skipped as not ZX pictures, 0 failed"), std::string::npos)
      << result.output;
  EXPECT_EQ(testing::RunKorvel("convert " + testing::ShellQuote(folder.path() + "/in/fake.tgz") + " -o " +
                               testing::ShellQuote(out)).status, 1);

  // identify explains each member as convert names it, and fails on the fake.
  const std::string rar = folder.path() + "/in/coll.rar";
  auto explained = testing::RunKorvel("identify " + testing::ShellQuote(rar) + " " +
                                      testing::ShellQuote(folder.path() + "/in/fake.tgz"));
  EXPECT_EQ(explained.status, 1);
  for (const std::string line : {rar + "/b.scr: standard screen, 256\u00d7192\n", rar + "/c.tap: not a ZX picture",
                                 std::string("fake.tgz: cannot read it as a tar archive inside gzip")}) {
    EXPECT_NE(explained.output.find(line), std::string::npos) << explained.output;
  }
}

#endif  // KORVEL_HOST

}  // namespace
}  // namespace korvel::host
