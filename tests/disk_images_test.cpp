// The disk images made of sectors (FDI, UDI, TD0) read as the TR-DOS image
// they hold, +3 disk images and their directories, microdrive cartridges:
// which files each gives, and where a broken or hostile one stops.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "containers/dsk.h"
#include "containers/fdi.h"
#include "containers/mdr.h"
#include "containers/td0.h"
#include "containers/trd.h"
#include "containers/trdos_image.h"
#include "containers/udi.h"
#include "tests/support/container_writer.h"
#include "tests/support/extra_forms_writer.h"

namespace korvel {
namespace {

using namespace korvel::testing;

ByteSpan Span(const Bytes& bytes) { return ByteSpan(bytes.data(), bytes.size()); }
Bytes Of(ByteSpan span) { return span.size() == 0 ? Bytes() : Bytes(span.Peek(0, 1), span.Peek(0, 1) + span.size()); }

// --- TR-DOS images in other files ------------------------------------------

using SectorReader = bool (*)(ByteSpan, TrdosImage&);

// The TR-DOS image a file makes, built as the reading builds it: counted,
// then filled. Empty when the reader refuses the file.
Bytes BuiltImage(SectorReader read, const Bytes& file) {
  TrdosImage counted;
  if (!read(Span(file), counted)) return {};
  Bytes image(counted.size(), 0);
  TrdosImage filled(MutableByteSpan(image.data(), image.size()));
  read(Span(file), filled);
  EXPECT_EQ(filled.size(), image.size());
  return image;
}

struct SectorFormat {
  const char* name;
  SectorReader read;
  Bytes (*write)(const Tracks&, unsigned);
};

Bytes Td0Stored(const Tracks& tracks, unsigned sides) { return Td0Image(tracks, sides, 0); }
Bytes Td0Pairs(const Tracks& tracks, unsigned sides) { return Td0Image(tracks, sides, 1, "a comment"); }
Bytes Td0Runs(const Tracks& tracks, unsigned sides) { return Td0Image(tracks, sides, 2); }

const SectorFormat kSectorFormats[] = {
    {"FDI", ReadFdiSectors, FdiImage},         {"UDI", ReadUdiSectors, UdiImage},
    {"TD0 stored", ReadTd0Sectors, Td0Stored}, {"TD0 pairs", ReadTd0Sectors, Td0Pairs},
    {"TD0 runs", ReadTd0Sectors, Td0Runs},
};

TEST(SectorImages, HoldTheTrdosImageTheirSectorsMake) {
  Bytes screen = Marked(1);
  for (size_t i = 3000; i < 4000; ++i) screen[i] = 0x47;  // runs for the TD0 encodings
  const Bytes trd = TrdImage({{"LOGO", 'C', screen}, {"BOOT", 'B', {1, 2, 3}}, {"PIC2", 'C', Marked(2)}});
  for (const SectorFormat& format : kSectorFormats) {
    for (const unsigned sides : {1u, 2u}) {
      SCOPED_TRACE(std::string(format.name) + (sides == 1 ? ", one side" : ", two sides"));
      const Bytes padded = Concat({trd, Bytes(4096 * TrdosTracks(trd, sides).size() - trd.size(), 0)});
      EXPECT_EQ(BuiltImage(format.read, format.write(TrdosTracks(trd, sides), sides)), padded);
      // Sectors shuffled, of other IDs and sizes, and a second of one ID.
      Tracks tracks = TrdosTracks(trd, sides);
      std::swap(tracks[0][0], tracks[0][15]);
      tracks[0].push_back({0, 0, 3, 1, Bytes(256, 0xAA)});
      tracks[0].push_back({0, 0, 17, 1, Bytes(256, 0xBB)});
      tracks[0].push_back({0, 0, 0, 1, Bytes(256, 0xCC)});
      tracks[0][4].n = 2;
      tracks[0][4].data.resize(512, 0xDD);
      Bytes expected = padded;
      std::fill_n(expected.begin() + 4 * 256, 256, 0);
      EXPECT_EQ(BuiltImage(format.read, format.write(tracks, sides)), expected);
    }
  }
}

TEST(SectorImages, WhereTheirStructureEnds) {
  const Bytes trd = TrdImage({{"LOGO", 'C', Marked(1)}, {"PIC2", 'C', Marked(2)}});  // 4.4 tracks: 3 cylinders
  const Tracks tracks = TrdosTracks(trd, 2);
  Bytes wrongSignature = FdiImage(tracks, 2);
  wrongSignature[2] = 'X';
  const Bytes udi = UdiImage(tracks, 2);
  ASSERT_EQ(tracks.size(), 6u);
  Bytes udiTypeEnds = udi;
  const size_t trackBytes = (udiTypeEnds.size() - 16 - 4) / tracks.size();
  udiTypeEnds[16 + 3 * trackBytes] = 1;  // the fourth track is not MFM
  Bytes advanced = Td0Image(tracks, 2);
  advanced[0] = 't';
  advanced[1] = 'd';
  Tracks missingIds = tracks;
  Bytes udiOrphanData = UdiImage(missingIds, 2);
  for (size_t j = 16; j + 4 < udiOrphanData.size(); ++j) {
    if (udiOrphanData[j] == 0xA1 && udiOrphanData[j + 3] == 0xFE) udiOrphanData[j + 3] = 0x4E;
  }
  struct Case {
    const char* what;
    SectorReader read;
    Bytes file;
    bool read_;
    size_t tracks;
  } cases[] = {
      {"FDI cut inside a track header", ReadFdiSectors, Cut(FdiImage(tracks, 2), 14 + 2 * (7 + 16 * 7) + 5), true, 2},
      {"FDI sectors past the end stay empty", ReadFdiSectors,
       Cut(FdiImage(tracks, 2), FdiImage(tracks, 2).size() - 100), true, 6},
      {"FDI of another signature", ReadFdiSectors, wrongSignature, false, 0},
      {"UDI track not MFM ends the list", ReadUdiSectors, udiTypeEnds, true, 3},
      {"UDI track past the end", ReadUdiSectors, Cut(udi, 16 + 2 * trackBytes + 10), true, 2},
      {"UDI compressed", ReadUdiSectors, Concat({{'u', 'd', 'i', '!'}, Bytes(udi.begin() + 4, udi.end())}), false, 0},
      {"UDI data fields without ID fields", ReadUdiSectors, udiOrphanData, true, 6},
      {"TD0 advanced compression", ReadTd0Sectors, advanced, false, 0},
      {"TD0 cut inside a sector", ReadTd0Sectors, Cut(Td0Image(tracks, 2), 3000), true, 2},
      {"TD0 one-sided", ReadTd0Sectors, Td0Image(TrdosTracks(trd, 1), 1), true, 5},
  };
  for (const Case& c : cases) {
    TrdosImage counted;
    EXPECT_EQ(c.read(Span(c.file), counted), c.read_) << c.what;
    EXPECT_EQ(counted.tracks(), c.tracks) << c.what;
  }
  // Without ID fields no sector is found; a sector cut short stays zero
  // (the last used one, sector 6 of track 4, with the 9 empty ones after it).
  EXPECT_EQ(BuiltImage(ReadUdiSectors, udiOrphanData), Bytes(6 * 4096, 0));
  const Bytes fdi = FdiImage(TrdosTracks(trd, 1), 1);
  Bytes lastSectorGone = Concat({trd, Bytes(5 * 4096 - trd.size(), 0)});
  std::fill_n(lastSectorGone.begin() + (16 * 4 + 6) * 256, 256, 0);
  EXPECT_EQ(BuiltImage(ReadFdiSectors, Cut(fdi, fdi.size() - 9 * 256 - 100)), lastSectorGone);
}

TEST(SectorImages, HostileFilesStayLinear) {
  // A million empty tracks; a UDI track of 65535 sync marks; an FDI of
  // 65535 x 65535 track headers, most of them missing.
  Bytes td0 = Td0Image({}, 2);
  td0.pop_back();
  for (size_t k = 0; k < 1000000; ++k) td0.insert(td0.end(), {0, static_cast<uint8_t>(k), 0, 0});
  td0.push_back(0xFF);
  Bytes udi = {'U', 'D', 'I', '!', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  udi.resize(udi.size() + 65535, 0xA1);
  udi.resize(udi.size() + 8192, 0xFF);
  Bytes fdi = FdiImage(TrdosTracks(Bytes(4096, 0), 1), 1);
  fdi[4] = fdi[5] = fdi[6] = fdi[7] = 0xFF;
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [read, file] :
       {std::pair<SectorReader, Bytes>{ReadTd0Sectors, td0}, {ReadUdiSectors, udi}, {ReadFdiSectors, fdi}}) {
    TrdosImage counted;
    EXPECT_TRUE(read(Span(file), counted));
    EXPECT_LE(counted.tracks(), kTrdosImageTracks);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// --- +3 disks ---------------------------------------------------------------

// A file as visited: its bytes when it has all it should, else how many
// and why no more.
struct FileSeen {
  std::string name;
  Bytes bytes;
  std::string whyNone;
  size_t count = 0;
  bool operator==(const FileSeen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FileSeen& file) {
  return out << file.name << " (" << file.bytes.size() << " bytes" << (file.whyNone.empty() ? "" : ", " + file.whyNone)
             << ", " << file.count << ")";
}

template <typename Walk>
std::vector<FileSeen> FilesOf(Walk walk, size_t areaBytes, const Bytes& file,
                              WalkResult expected = WalkResult::kWalked) {
  std::vector<FileSeen> seen;
  std::vector<uint8_t> area(areaBytes);
  EXPECT_EQ(walk(Span(file), MutableByteSpan(area.data(), area.size()),
                 [&](const NamedFile& named) {
                   const std::string type = named.Type().empty() ? "" : "." + std::string(named.Type());
                   if (named.whyNone == nullptr) {
                     seen.push_back({std::string(named.Name()) + type, Of(named.bytes), "", 0});
                   } else {
                     seen.push_back({std::string(named.Name()) + type, {}, named.whyNone, named.bytes.size()});
                   }
                   return true;
                 }),
            expected);
  return seen;
}

std::vector<FileSeen> Plus3FilesOf(const Bytes& image) {
  return FilesOf(WalkPlus3Files, Plus3WorkAreaBytes(Span(image)), image,
                 Plus3WorkAreaBytes(Span(image)) == 0 ? WalkResult::kBroken : WalkResult::kWalked);
}

TEST(Plus3Disks, DirectoryFilesInOrderOfTheirFirstEntries) {
  const Bytes screen = WritePlus3dosScreen(Marked(1));
  const Bytes big = Concat({WritePlus3dosScreen(Marked(2)), Marked(3, 20000)});  // two extents
  std::vector<Bytes> sectors = Plus3Sectors({{"SCREEN", "SCR", screen}, {"BIG", "", big}, {"BOOT", "BAS", {1, 2, 3}}});
  // Directory sector: entries 0 SCREEN, 1 and 2 BIG's extents, 3 BOOT.
  Bytes& directory = sectors[9];
  directory[32 * 1 + 1] |= 0x80;  // attribute bits in the name do not matter
  std::swap_ranges(directory.begin() + 32, directory.begin() + 64, directory.begin() + 64);  // extent 1 first
  const std::vector<FileSeen> expected = {{"SCREEN.SCR", Cut(screen, 7040), ""},
                                          {"BIG", Cut(big, 7040), ""},
                                          {"BOOT.BAS", {}, "shorter than a +3DOS screen", 128}};
  EXPECT_EQ(Plus3FilesOf(DskImage(sectors, false)), expected);
  EXPECT_EQ(Plus3FilesOf(DskImage(sectors, true)), expected);

  std::vector<Bytes> deleted = sectors;
  deleted[9][0] = 0xE5;   // SCREEN deleted
  deleted[9][64] = 0x10;  // BIG's first extent of user 16: not a file; its second is
  EXPECT_EQ(Plus3FilesOf(DskImage(deleted, false)),
            (std::vector<FileSeen>{{"BIG", {}, "its start is not on the disk"},
                                   {"BOOT.BAS", {}, "shorter than a +3DOS screen", 128}}));
}

TEST(Plus3Disks, WhereTheImageOrItsFilesEnd) {
  const Bytes screen = WritePlus3dosScreen(Marked(1));
  const std::vector<Bytes> sectors = Plus3Sectors({{"SCREEN", "SCR", screen}});
  const Bytes standard = DskImage(sectors, false), extended = DskImage(sectors, true);
  const size_t trackBytes = 256 + 9 * 512;
  auto withSector = [&](size_t q, auto change) {
    std::vector<Bytes> changed = sectors;
    change(changed[q]);
    return DskImage(changed, false);
  };
  Bytes unstored = extended;
  unstored[52 + 1] = 0;  // track 1, the directory's, not stored: the tracks after it move up
  Bytes notTrack = standard;
  notTrack[256 + trackBytes] = 't';
  // A CPC data disk: no reserved track, the directory from its first sector.
  Bytes cpcData = withSector(0, [](Bytes& d) { std::fill(d.begin(), d.end(), 0xE5); });
  for (size_t s = 0; s < 9; ++s) cpcData[256 + 24 + 8 * s + 2] = static_cast<uint8_t>(0xC1 + s);
  Bytes smallSectors = standard;
  smallSectors[256 + trackBytes + 20] = 1;  // the directory's sectors are 256 bytes
  struct Case {
    const char* what;
    Bytes image;
    std::vector<FileSeen> files;
    bool broken = false;
  } cases[] = {
      {"cut inside the file's track",
       Cut(standard, 256 + 3 * trackBytes - 100),
       {{"SCREEN.SCR", {}, "a sector of it is missing", 5 * 512}}},  // track 2 missing whole
      {"cut before the directory", Cut(standard, 256 + trackBytes + 100), {}},
      {"a track not stored", unstored, {}},
      {"a block that is not a track", notTrack, {}},
      {"sectors under 512 bytes", smallSectors, {}},
      {"records end before the screen",
       withSector(9, [](Bytes& d) { d[15] = 54; }),
       {{"SCREEN.SCR", {}, "shorter than a +3DOS screen", 54 * 128}}},
      {"block number past the disk",
       withSector(9, [](Bytes& d) { d[16 + 3] = 200; }),
       {{"SCREEN.SCR", {}, "shorter than a +3DOS screen", 3 * 1024}}},
      {"CPC data format: a directory of other files", cpcData, {}},
      {"track 0 missing", Concat({Cut(standard, 256), Bytes(trackBytes, 0)}), {}, true},
      {"a geometry record of sides 3", withSector(0, [](Bytes& d) { d[1] = 3; }), {}, true},
      {"a geometry record of 2048-byte sectors", withSector(0, [](Bytes& d) { d[4] = 3; }), {}, true},
      {"not a disk image",
       Concat({{'M', 'V', ' ', '-', ' ', 'C', 'P', 'X'}, Bytes(standard.begin() + 8, standard.end())}),
       {},
       true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Plus3WorkAreaBytes(Span(c.image)) == 0, c.broken) << c.what;
    EXPECT_EQ(Plus3FilesOf(c.image), c.files) << c.what;
  }
}

TEST(Plus3Disks, AFullDirectoryOfOneFileStaysCheap) {
  // 255 directory blocks of 16 KB: 130560 entries, all of one name.
  std::vector<Bytes> sectors(360, Bytes(512, 0));
  const Bytes geometry = {0, 0, 40, 9, 2, 1, 7, 255};
  std::copy(geometry.begin(), geometry.end(), sectors[0].begin());
  for (size_t q = 1; q < sectors.size(); ++q) {
    for (size_t e = 0; e < 16; ++e) std::copy_n("\0SAME    BIN", 12, sectors[q].begin() + static_cast<long>(32 * e));
  }
  const auto start = std::chrono::steady_clock::now();
  const std::vector<FileSeen> files = Plus3FilesOf(DskImage(sectors, false));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(files, (std::vector<FileSeen>{{"SAME.BIN", {}, "shorter than a +3DOS screen", 0}}));
}

// --- Microdrive cartridges ----------------------------------------------------

std::vector<FileSeen> CartridgeFilesOf(const Bytes& cartridge) {
  return FilesOf(WalkMdrFiles, MdrWorkAreaBytes(Span(cartridge)), cartridge);
}

TEST(Cartridges, FilesInOrderOfTheirFirstRecords) {
  const Bytes screen = Marked(1);
  std::vector<MdrRecord> title = MdrFileRecords("title", 3, screen);  // 14 records
  const std::vector<MdrRecord> code = MdrFileRecords("code", 3, Marked(2, 300));
  const std::vector<MdrRecord> basic = MdrFileRecords("run", 0, Marked(3, 100));
  std::vector<MdrRecord> shuffled = {title[5], code[0], title[0], basic[0], {"", 0, {}}};
  for (size_t k = 1; k < title.size(); ++k) {
    if (k != 5) shuffled.push_back(title[k]);
  }
  shuffled.insert(shuffled.begin(), {"title", 3, Bytes(512, 0xEE)});  // a record 3 before the real one
  const std::vector<FileSeen> expected = {
      {"code", {}, "code, not a 6912-byte screen"}, {"title", screen, ""}, {"run", {}, "a BASIC program"}};
  Bytes cartridge = MdrCartridge(shuffled);
  std::vector<FileSeen> seen = CartridgeFilesOf(cartridge);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], expected[0]);
  EXPECT_EQ(seen[2], expected[2]);
  // The first record 3 in the cartridge counts: 0xEE bytes from 3 * 512 - 9.
  Bytes withFirstThree = screen;
  std::fill(withFirstThree.begin() + 3 * 512 - 9, withFirstThree.begin() + 4 * 512 - 9, 0xEE);
  EXPECT_EQ(seen[1].bytes, withFirstThree);

  std::vector<MdrRecord> gap = title;
  gap.erase(gap.begin() + 7);
  std::vector<MdrRecord> badFlags = title;
  Bytes flagged = MdrCartridge(badFlags);
  flagged[0] = 0;  // record 0's header flag
  EXPECT_EQ(CartridgeFilesOf(MdrCartridge(gap)),
            (std::vector<FileSeen>{{"title", {}, "its records end before its screen does"}}));
  EXPECT_EQ(CartridgeFilesOf(flagged), std::vector<FileSeen>{});
  EXPECT_EQ(CartridgeFilesOf(Cut(MdrCartridge(title), 542)), std::vector<FileSeen>{});
}

}  // namespace
}  // namespace korvel
