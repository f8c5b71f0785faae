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
