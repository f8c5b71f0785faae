#include "tests/support/container_writer.h"

#include <algorithm>

namespace korvel::testing {

namespace {

void PutWord(Bytes& out, unsigned word) {
  out.push_back(static_cast<uint8_t>(word));
  out.push_back(static_cast<uint8_t>(word >> 8));
}

void PutBytes3(Bytes& out, size_t value) {
  PutWord(out, static_cast<unsigned>(value & 0xFFFF));
  out.push_back(static_cast<uint8_t>(value >> 16));
}

// (By resize and copy: gcc 12 warns falsely about insert at the end here.)
void Append(Bytes& out, const Bytes& more) {
  const size_t at = out.size();
  out.resize(at + more.size());
  std::copy(more.begin(), more.end(), out.begin() + static_cast<long>(at));
}

size_t SectorsOf(const Bytes& data) { return (data.size() + 255) / 256; }

// The 14 bytes an entry has in an SCL image and first in a TR-DOS catalogue.
Bytes EntryBytes(const DiskFile& file) {
  Bytes entry(8, ' ');
  std::copy_n(file.name.begin(), std::min<size_t>(file.name.size(), 8), entry.begin());
  if (file.firstByte != 0) entry[0] = file.firstByte;
  entry.push_back(file.type);
  PutWord(entry, file.start);
  PutWord(entry, static_cast<unsigned>(file.data.size()));
  entry.push_back(static_cast<uint8_t>(SectorsOf(file.data)));
  return entry;
}

Bytes Padded(const Bytes& data) {
  Bytes padded = data;
  padded.resize(SectorsOf(data) * 256, 0);
  return padded;
}

}  // namespace

Bytes Marked(uint8_t marker, size_t size) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + marker);
  data[0] = marker;
  return data;
}

Bytes Cut(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) Append(all, part);
  return all;
}

Bytes TapeBlock(uint8_t flag, const Bytes& data) {
  Bytes block = {flag};
  Append(block, data);
  uint8_t checksum = flag;
  for (uint8_t byte : data) checksum ^= byte;
  block.push_back(checksum);
  return block;
}

Bytes TapeHeader(uint8_t type, const std::string& name, uint16_t dataLength, uint16_t start) {
  Bytes data = {type};
  for (size_t i = 0; i < 10; ++i) data.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : ' ');
  PutWord(data, dataLength);
  PutWord(data, start);
  PutWord(data, 32768);
  return TapeBlock(0x00, data);
}

Bytes TapFile(const std::vector<Bytes>& blocks) {
  Bytes tape;
  for (const Bytes& block : blocks) {
    PutWord(tape, static_cast<unsigned>(block.size()));
    Append(tape, block);
  }
  return tape;
}

Bytes TzxFile(const std::vector<Bytes>& blocks) {
  Bytes tape = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
  for (const Bytes& block : blocks) Append(tape, block);
  return tape;
}

Bytes TzxStandardBlock(const Bytes& tapeBlock) {
  Bytes block = {0x10};
  PutWord(block, 1000);
  PutWord(block, static_cast<unsigned>(tapeBlock.size()));
  Append(block, tapeBlock);
  return block;
}

Bytes TzxTurboBlock(const Bytes& tapeBlock) {
  Bytes block = {0x11};
  for (unsigned timing : {2168u, 667u, 735u, 855u, 1710u, 3223u}) PutWord(block, timing);  // pilot..pilot count
  block.push_back(8);                                                                  // used bits of the last byte
  PutWord(block, 1000);                                                                // pause
  PutBytes3(block, tapeBlock.size());
  Append(block, tapeBlock);
  return block;
}

Bytes TzxPureDataBlock(const Bytes& tapeBlock) {
  Bytes block = {0x14};
  PutWord(block, 855);
  PutWord(block, 1710);
  block.push_back(8);
  PutWord(block, 1000);
  PutBytes3(block, tapeBlock.size());
  Append(block, tapeBlock);
  return block;
}

Bytes CompressZ80(const Bytes& memory) {
  Bytes out;
  bool afterSingleEd = false;  // `ED x ED ED ...` would read as a run
  size_t i = 0;
  while (i < memory.size()) {
    const uint8_t value = memory[i];
    size_t run = 1;
    while (i + run < memory.size() && memory[i + run] == value && run < 255) ++run;
    if (!afterSingleEd && (run >= 5 || (value == 0xED && run >= 2))) {
      out.insert(out.end(), {0xED, 0xED, static_cast<uint8_t>(run), value});
      i += run;
      afterSingleEd = false;
    } else {
      out.push_back(value);
      afterSingleEd = value == 0xED && !afterSingleEd;
      ++i;
    }
  }
  return out;
}

Bytes Z80Version1(const Bytes& memory48k, bool compressed, bool endMarker) {
  Bytes file(30, 0);
  file[6] = 0x00;
  file[7] = 0x80;  // PC 0x8000: version 1
  file[12] = compressed ? 0x20 : 0x00;
  if (!compressed) {
    Append(file, memory48k);
    return file;
  }
  Append(file, CompressZ80(memory48k));
  if (endMarker) Append(file, {0x00, 0xED, 0xED, 0x00});
  return file;
}

Bytes Z80Later(uint16_t extraLength, uint8_t machine, uint8_t port7ffd, uint8_t portFf,
               const std::vector<Z80Page>& pages) {
  Bytes file(32 + extraLength, 0);
  file[30] = static_cast<uint8_t>(extraLength);
  file[31] = static_cast<uint8_t>(extraLength >> 8);
  file[32] = 0x00;
  file[33] = 0x80;  // PC
  file[34] = machine;
  file[35] = port7ffd;
  file[36] = portFf;
  for (const Z80Page& page : pages) {
    const Bytes data = page.raw || !page.compressed ? page.data : CompressZ80(page.data);
    PutWord(file, page.raw || page.compressed ? static_cast<unsigned>(data.size()) : 0xFFFF);
    file.push_back(page.page);
    Append(file, data);
  }
  return file;
}

Bytes Sna128k(const std::vector<Bytes>& banks, uint8_t port7ffd) {
  const unsigned paged = port7ffd & 7;
  Bytes file(27, 0);
  Append(file, banks[5]);
  Append(file, banks[2]);
  Append(file, banks[paged]);
  PutWord(file, 0x8000);
  file.push_back(port7ffd);
  file.push_back(0);
  for (unsigned bank : {0u, 1u, 3u, 4u, 6u, 7u}) {
    if (bank != paged) Append(file, banks[bank]);
  }
  return file;
}

Bytes TrdImage(const std::vector<DiskFile>& files) {
  Bytes image(16 * 256, 0);
  size_t nextSector = 16;  // track 1, sector 0
  for (size_t i = 0; i < files.size(); ++i) {
    Bytes entry = EntryBytes(files[i]);
    entry.push_back(static_cast<uint8_t>(nextSector % 16));
    entry.push_back(static_cast<uint8_t>(nextSector / 16));
    std::copy(entry.begin(), entry.end(), image.begin() + static_cast<long>(16 * i));
    image.resize(nextSector * 256, 0);
    Append(image, Padded(files[i].data));
    nextSector += SectorsOf(files[i].data);
  }
  image[8 * 256 + 0xE7] = 0x10;  // disk information sector: TR-DOS id
  return image;
}

Bytes SclImage(const std::vector<DiskFile>& files) {
  Bytes image = {'S', 'I', 'N', 'C', 'L', 'A', 'I', 'R', static_cast<uint8_t>(files.size())};
  for (const DiskFile& file : files) Append(image, EntryBytes(file));
  for (const DiskFile& file : files) Append(image, Padded(file.data));
  uint32_t sum = 0;
  for (uint8_t byte : image) sum += byte;
  for (int shift = 0; shift < 32; shift += 8) image.push_back(static_cast<uint8_t>(sum >> shift));
  return image;
}

}  // namespace korvel::testing

namespace korvel::testing {

namespace {

void PutLong(Bytes& out, uint32_t value) {
  PutWord(out, value & 0xFFFF);
  PutWord(out, value >> 16);
}

void PutText(Bytes& out, const std::string& text, size_t width, char pad) {
  for (size_t i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(i < text.size() ? text[i] : pad));
}

// The standard loader's bits: two pulses of 855 T for a 0, of 1710 T for a 1.
constexpr unsigned kZeroPulse = 855, kOnePulse = 1710;

}  // namespace

Bytes TzxGeneralizedDataBlock(const Bytes& tapeBlock) {
  Bytes body;
  PutWord(body, 1000);                                         // pause
  PutLong(body, 2);                                            // pilot and sync symbols in the stream
  body.insert(body.end(), {2, 2});                             // two pulses a pilot symbol, two symbols
  PutLong(body, static_cast<uint32_t>(8 * tapeBlock.size()));  // data symbols: one bit each
  body.insert(body.end(), {2, 2});
  // Symbols: flags, then their pulses. The pilot table: the tone and the sync.
  auto symbol = [&](unsigned first, unsigned second) {
    body.push_back(0);
    PutWord(body, first);
    PutWord(body, second);
  };
  symbol(2168, 2168);
  symbol(667, 735);
  body.push_back(0);
  PutWord(body, 3223 / 2);  // the tone, as repeats of its two-pulse symbol
  body.push_back(1);
  PutWord(body, 1);  // the sync
  symbol(kZeroPulse, kZeroPulse);
  symbol(kOnePulse, kOnePulse);
  Append(body, tapeBlock);
  Bytes block = {0x19};
  PutLong(block, static_cast<uint32_t>(body.size()));
  Append(block, body);
  return block;
}

Bytes PzxBlock(const char* tag, const Bytes& body) {
  Bytes block(tag, tag + 4);
  PutLong(block, static_cast<uint32_t>(body.size()));
  Append(block, body);
  return block;
}

Bytes PzxFile(const std::vector<Bytes>& blocks) {
  Bytes file = PzxBlock("PZXT", {1, 0});
  for (const Bytes& block : blocks) Append(file, block);
  return file;
}

Bytes PzxDataBlock(const Bytes& tapeBlock) {
  Bytes body;
  PutLong(body, 0x80000000u | static_cast<uint32_t>(8 * tapeBlock.size()));  // high at first
  PutWord(body, 945);                                                        // tail pulse
  body.insert(body.end(), {2, 2});
  for (unsigned pulse : {kZeroPulse, kZeroPulse, kOnePulse, kOnePulse}) PutWord(body, pulse);
  Append(body, tapeBlock);
  return PzxBlock("DATA", body);
}

namespace {

// Bits into bytes, least significant first, as deflate packs them.
struct BitWriter {
  Bytes bytes;
  unsigned used = 8;
  void Put(unsigned value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
      if (used == 8) {
        bytes.push_back(0);
        used = 0;
      }
      bytes.back() = static_cast<uint8_t>(bytes.back() | ((value >> i) & 1) << used++);
    }
  }
  // A Huffman code: its most significant bit first.
  void PutCode(unsigned code, unsigned count) {
    for (unsigned i = count; i-- > 0;) Put(code >> i, 1);
  }
  // A symbol of the fixed literal/length code.
  void PutSymbol(unsigned symbol) {
    if (symbol < 144)
      PutCode(0x30 + symbol, 8);
    else if (symbol < 256)
      PutCode(0x190 + symbol - 144, 9);
    else if (symbol < 280)
      PutCode(symbol - 256, 7);
    else
      PutCode(0xC0 + symbol - 280, 8);
  }
};

}  // namespace

Bytes ZlibStream(const Bytes& data) {
  // One block of the fixed code: literals, and runs of the byte before as
  // matches at distance 1.
  static constexpr unsigned kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr unsigned kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  BitWriter out;
  out.bytes = {0x78, 0x01};
  out.Put(1, 1);  // the last block
  out.Put(1, 2);  // of the fixed code
  for (size_t i = 0; i < data.size();) {
    size_t run = 0;
    while (i > 0 && i + run < data.size() && run < 258 && data[i + run] == data[i - 1]) ++run;
    if (run < 3) {
      out.PutSymbol(data[i++]);
      continue;
    }
    size_t code = 28;
    while (kBase[code] > run) --code;
    out.PutSymbol(257 + static_cast<unsigned>(code));
    out.Put(static_cast<unsigned>(run - kBase[code]), kExtra[code]);
    out.PutCode(0, 5);  // distance 1
    i += run;
  }
  out.PutSymbol(256);
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  const uint32_t adler = b << 16 | a;
  for (int shift = 24; shift >= 0; shift -= 8) out.bytes.push_back(static_cast<uint8_t>(adler >> shift));
  return out.bytes;
}

Bytes SzxFile(uint8_t machine, const std::vector<Bytes>& blocks) {
  Bytes file = {'Z', 'X', 'S', 'T', 1, 4, machine, 0};
  for (const Bytes& block : blocks) Append(file, block);
  return file;
}

Bytes SzxBlock(const char* id, const Bytes& body) { return PzxBlock(id, body); }

Bytes SzxRamPage(uint8_t page, const Bytes& data, bool compressed) {
  Bytes body;
  PutWord(body, compressed ? 1 : 0);
  body.push_back(page);
  Append(body, compressed ? ZlibStream(data) : data);
  return SzxBlock("RAMP", body);
}

Bytes RzxFile(const std::vector<Bytes>& blocks) {
  Bytes file = {'R', 'Z', 'X', '!', 0, 13, 0, 0, 0, 0};
  for (const Bytes& block : blocks) Append(file, block);
  return file;
}

Bytes RzxBlock(uint8_t id, const Bytes& body) {
  Bytes block = {id};
  PutLong(block, static_cast<uint32_t>(5 + body.size()));
  Append(block, body);
  return block;
}

Bytes RzxSnapshotBlock(const std::string& kind, const Bytes& snapshot, bool compressed) {
  Bytes body;
  PutLong(body, compressed ? 2 : 0);
  PutText(body, kind, 4, '\0');
  PutLong(body, static_cast<uint32_t>(snapshot.size()));
  Append(body, compressed ? ZlibStream(snapshot) : snapshot);
  return RzxBlock(0x30, body);
}

Tracks TrdosTracks(const Bytes& trdImage, unsigned sides) {
  const size_t cylinders = ((trdImage.size() + 4095) / 4096 + sides - 1) / sides;
  Tracks tracks(cylinders * sides);
  for (size_t t = 0; t < tracks.size(); ++t) {
    for (uint8_t r = 1; r <= 16; ++r) {
      Sector sector{static_cast<uint8_t>(t / sides), static_cast<uint8_t>(t % sides), r, 1, Bytes(256, 0)};
      const size_t at = (16 * t + r - 1) * 256;
      for (size_t i = 0; i < 256 && at + i < trdImage.size(); ++i) sector.data[i] = trdImage[at + i];
      tracks[t].push_back(sector);
    }
  }
  return tracks;
}

Bytes FdiImage(const Tracks& tracks, unsigned sides) {
  size_t headerBytes = 0;
  for (const auto& track : tracks) headerBytes += 7 + 7 * track.size();
  const size_t textOffset = 14 + headerBytes, dataOffset = textOffset + 1;
  Bytes file = {'F', 'D', 'I', 0};
  PutWord(file, static_cast<unsigned>((tracks.size() + sides - 1) / sides));
  PutWord(file, sides);
  PutWord(file, static_cast<unsigned>(textOffset));
  PutWord(file, static_cast<unsigned>(dataOffset));
  PutWord(file, 0);
  Bytes data;
  for (const auto& track : tracks) {
    PutLong(file, static_cast<uint32_t>(data.size()));
    PutWord(file, 0);
    file.push_back(static_cast<uint8_t>(track.size()));
    size_t inTrack = 0;
    for (const Sector& sector : track) {
      file.insert(file.end(), {sector.c, sector.h, sector.r, sector.n, 0});
      PutWord(file, static_cast<unsigned>(inTrack));
      inTrack += sector.data.size();
    }
    for (const Sector& sector : track) Append(data, sector.data);
  }
  file.push_back(0);  // the description text
  Append(file, data);
  return file;
}

Bytes UdiImage(const Tracks& tracks, unsigned sides) {
  Bytes file = {'U', 'D', 'I', '!', 0, 0, 0, 0, 0};
  file.push_back(static_cast<uint8_t>((tracks.size() + sides - 1) / sides - 1));
  file.push_back(static_cast<uint8_t>(sides - 1));
  file.push_back(0);
  PutLong(file, 0);
  for (const auto& track : tracks) {
    Bytes raw;
    std::vector<size_t> marks;
    auto field = [&](uint8_t mark, const Bytes& bytes) {
      raw.insert(raw.end(), 12, 0x00);
      for (int i = 0; i < 3; ++i) {
        marks.push_back(raw.size());
        raw.push_back(0xA1);
      }
      raw.push_back(mark);
      Append(raw, bytes);
      raw.insert(raw.end(), {0x12, 0x34});  // a CRC, not checked
      raw.insert(raw.end(), 22, 0x4E);
    };
    raw.insert(raw.end(), 80, 0x4E);
    for (const Sector& sector : track) {
      field(0xFE, {sector.c, sector.h, sector.r, sector.n});
      field(0xFB, sector.data);
    }
    file.push_back(0);
    PutWord(file, static_cast<unsigned>(raw.size()));
    Append(file, raw);
    Bytes markBits((raw.size() + 7) / 8, 0);
    for (size_t j : marks) markBits[j / 8] = static_cast<uint8_t>(markBits[j / 8] | 1 << (j % 8));
    Append(file, markBits);
  }
  const size_t size = file.size();
  for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(size >> (8 * i));
  PutLong(file, 0xC0FFEE);  // the check, not looked at
  return file;
}

namespace {

// One sector's data in a TD0 encoding.
Bytes Td0Data(const Bytes& data, uint8_t encoding) {
  Bytes out = {encoding};
  auto pairsFrom = [&](size_t at) {
    size_t count = 1;
    while (at + 2 * count + 1 < data.size() && data[at + 2 * count] == data[at] &&
           data[at + 2 * count + 1] == data[at + 1]) {
      ++count;
    }
    return count;
  };
  if (encoding == 0) {
    Append(out, data);
  } else if (encoding == 1) {
    for (size_t at = 0; at + 1 < data.size();) {
      const size_t count = pairsFrom(at);
      PutWord(out, static_cast<unsigned>(count));
      out.insert(out.end(), {data[at], data[at + 1]});
      at += 2 * count;
    }
  } else {
    size_t literal = 0;  // where the literal run waiting to be written began
    auto flush = [&](size_t end) {
      for (; literal < end; literal += std::min<size_t>(end - literal, 255)) {
        const size_t n = std::min<size_t>(end - literal, 255);
        out.insert(out.end(), {0, static_cast<uint8_t>(n)});
        out.insert(out.end(), data.begin() + static_cast<long>(literal), data.begin() + static_cast<long>(literal + n));
      }
    };
    size_t at = 0;
    while (at + 1 < data.size()) {
      const size_t count = std::min<size_t>(pairsFrom(at), 255);
      if (count < 2) {
        at += 2;
        continue;
      }
      flush(at);
      out.insert(out.end(), {1, static_cast<uint8_t>(count), data[at], data[at + 1]});
      at += 2 * count;
      literal = at;
    }
    flush(data.size());
  }
  return out;
}

}  // namespace

Bytes Td0Image(const Tracks& tracks, unsigned sides, uint8_t encoding, const std::string& comment) {
  Bytes file = {
      'T', 'D', 0, 0x15, 0, 0, 0, static_cast<uint8_t>(comment.empty() ? 0 : 0x80), 0, static_cast<uint8_t>(sides),
      0,   0};
  if (!comment.empty()) {
    PutWord(file, 0);
    PutWord(file, static_cast<unsigned>(comment.size()));
    file.insert(file.end(), {99, 1, 2, 3, 4, 5});
    PutText(file, comment, comment.size(), ' ');
  }
  for (size_t k = 0; k < tracks.size(); ++k) {
    file.insert(file.end(), {static_cast<uint8_t>(tracks[k].size()), static_cast<uint8_t>(k / sides),
                             static_cast<uint8_t>(k % sides), 0});
    for (const Sector& sector : tracks[k]) {
      file.insert(file.end(), {sector.c, sector.h, sector.r, sector.n, 0, 0});
      const Bytes data = Td0Data(sector.data, encoding);
      PutWord(file, static_cast<unsigned>(data.size()));
      Append(file, data);
    }
  }
  file.push_back(0xFF);
  return file;
}

std::vector<Bytes> Plus3Sectors(const std::vector<Plus3File>& files) {
  std::vector<Bytes> sectors(360, Bytes(512, 0xE5));
  sectors[0] = Bytes(512, 0);
  const Bytes geometry = {0, 0, 40, 9, 2, 1, 3, 2, 0x2A, 0x52};
  std::copy(geometry.begin(), geometry.end(), sectors[0].begin());
  size_t entry = 0;
  unsigned nextBlock = 2;
  for (const Plus3File& file : files) {
    const size_t extents = std::max<size_t>(1, (file.data.size() + 16383) / 16384);
    for (size_t x = 0; x < extents; ++x, ++entry) {
      Bytes dirEntry = {0};
      PutText(dirEntry, file.name, 8, ' ');
      PutText(dirEntry, file.type, 3, ' ');
      const size_t bytes = std::min<size_t>(file.data.size() - 16384 * x, 16384);
      dirEntry.insert(dirEntry.end(), {static_cast<uint8_t>(x), 0, 0, static_cast<uint8_t>((bytes + 127) / 128)});
      for (size_t b = 0; b < 16; ++b) {
        const bool used = 1024 * b < bytes;
        dirEntry.push_back(static_cast<uint8_t>(used ? nextBlock : 0));
        if (!used) continue;
        for (size_t i = 0; i < 1024 && 16384 * x + 1024 * b + i < file.data.size(); ++i) {
          sectors[9 + 2 * nextBlock + i / 512][i % 512] = file.data[16384 * x + 1024 * b + i];
        }
        ++nextBlock;
      }
      std::copy(dirEntry.begin(), dirEntry.end(),
                sectors[9 + entry / 16].begin() + static_cast<long>(32 * (entry % 16)));
    }
  }
  return sectors;
}

Bytes DskImage(const std::vector<Bytes>& sectors, bool extended) {
  const size_t tracks = sectors.size() / 9, trackBytes = 256 + 9 * 512;
  Bytes file;
  PutText(file, extended ? "EXTENDED CPC DSK File\r\nDisk-Info\r\n" : "MV - CPCEMU Disk-File\r\nDisk-Info\r\n", 34,
          ' ');
  PutText(file, "korvel", 14, ' ');
  file.push_back(static_cast<uint8_t>(tracks));
  file.push_back(1);
  PutWord(file, extended ? 0 : static_cast<unsigned>(trackBytes));
  file.resize(256, 0);
  for (size_t t = 0; extended && t < tracks; ++t) file[52 + t] = static_cast<uint8_t>(trackBytes / 256);
  for (size_t t = 0; t < tracks; ++t) {
    Bytes track;
    PutText(track, "Track-Info\r\n", 16, '\0');
    track.insert(track.end(), {static_cast<uint8_t>(t), 0, 0, 0, 2, 9, 0x2A, 0xE5});
    for (uint8_t r = 1; r <= 9; ++r) {
      track.insert(track.end(), {static_cast<uint8_t>(t), 0, r, 2, 0, 0});
      PutWord(track, extended ? 512 : 0);
    }
    track.resize(256, 0);
    for (size_t s = 0; s < 9; ++s) Append(track, sectors[9 * t + s]);
    Append(file, track);
  }
  return file;
}

std::vector<MdrRecord> MdrFileRecords(const std::string& name, uint8_t type, const Bytes& data) {
  Bytes all = {type};
  PutWord(all, static_cast<unsigned>(data.size()));
  PutWord(all, 0x4000);
  all.insert(all.end(), 4, 0xFF);
  Append(all, data);
  std::vector<MdrRecord> records;
  for (size_t at = 0; at < all.size(); at += 512) {
    const size_t end = std::min(all.size(), at + 512);
    records.push_back({name, static_cast<uint8_t>(at / 512),
                       Bytes(all.begin() + static_cast<long>(at), all.begin() + static_cast<long>(end))});
  }
  return records;
}

Bytes MdrCartridge(const std::vector<MdrRecord>& records) {
  Bytes file;
  for (size_t i = 0; i < records.size(); ++i) {
    const MdrRecord& record = records[i];
    Bytes sector = {1, static_cast<uint8_t>(254 - i % 254), 0, 0};
    PutText(sector, "korvel", 10, ' ');
    sector.push_back(0);  // header checksum, not read
    sector.push_back(0);  // record flag: data
    sector.push_back(record.number);
    PutWord(sector, static_cast<unsigned>(record.data.size()));
    PutText(sector, record.name, 10, ' ');
    sector.push_back(0);  // record checksum, not read
    Append(sector, record.data);
    sector.resize(543, 0);
    Append(file, sector);
  }
  file.push_back(0);  // write protection
  return file;
}

}  // namespace korvel::testing
