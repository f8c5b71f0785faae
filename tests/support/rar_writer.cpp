#include "tests/support/rar_writer.h"

#include <zlib.h>

namespace korvel::testing {

namespace {

void Put(Bytes& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

uint32_t Crc32(const Bytes& bytes) {
  return static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

constexpr uint32_t kDosTime = 0x58210000;  // 2024-01-01 00:00

// RAR 4: a block is a CRC word (the low half of the CRC-32 of what follows),
// its type, flags, size and fields.
Bytes Rar4Block(uint8_t type, uint16_t flags, const Bytes& fields) {
  Bytes body = {type};
  Put(body, flags, 2);
  Put(body, 7 + fields.size(), 2);
  Append(body, fields);
  Bytes block;
  Put(block, Crc32(body) & 0xFFFF, 2);
  Append(block, body);
  return block;
}

// RAR 5's numbers: 7 bits a byte, low first, the top bit on all but the last.
void PutNumber(Bytes& out, uint64_t value) {
  do {
    const uint8_t low = value & 0x7F;
    value >>= 7;
    out.push_back(static_cast<uint8_t>(low | (value != 0 ? 0x80 : 0)));
  } while (value != 0);
}

// RAR 5: a header is a CRC-32 of what follows, its size, then `fields`
// (type, flags, ...).
Bytes Rar5Header(const Bytes& fields) {
  Bytes sized;
  PutNumber(sized, fields.size());
  Append(sized, fields);
  Bytes header;
  Put(header, Crc32(sized), 4);
  Append(header, sized);
  return header;
}

// What this volume holds of a member: all of it, or the first half of one
// continued in the next volume.
Bytes Stored(const RarMember& member) {
  return member.continues ? Bytes(member.data.begin(), member.data.begin() + static_cast<long>(member.data.size() / 2))
                          : member.data;
}

}  // namespace

Bytes Rar4Archive(const std::vector<RarMember>& members, bool solid) {
  Bytes archive = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  Append(archive, Rar4Block(0x73, solid ? 0x0008 : 0, Bytes(6, 0)));
  for (const RarMember& member : members) {
    uint16_t flags = 0x8000;  // the packed size follows
    if (member.folder) flags |= 0x00E0;
    if (member.encrypted) flags |= 0x0004;
    if (member.continues) flags |= 0x0002;
    const Bytes stored = Stored(member);
    Bytes fields;
    Put(fields, stored.size(), 4);  // packed
    Put(fields, member.data.size(), 4);  // unpacked
    fields.push_back(3);                 // made on Unix
    Put(fields, Crc32(member.data), 4);
    Put(fields, kDosTime, 4);
    fields.push_back(20);    // version needed
    fields.push_back(0x30);  // stored
    Put(fields, member.name.size(), 2);
    Put(fields, member.folder ? 040755 : 0100644, 4);
    fields.insert(fields.end(), member.name.begin(), member.name.end());
    Append(archive, Rar4Block(0x74, flags, fields));
    Append(archive, stored);
  }
  Append(archive, Rar4Block(0x7B, 0x4000, {}));
  return archive;
}

Bytes Rar5Archive(const std::vector<RarMember>& members, bool solid) {
  Bytes archive = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
  Bytes main;
  PutNumber(main, 1);              // main archive header
  PutNumber(main, 0);              // no extra area
  PutNumber(main, solid ? 4 : 0);  // archive flags
  Append(archive, Rar5Header(main));
  for (const RarMember& member : members) {
    const Bytes stored = Stored(member);
    Bytes file;
    PutNumber(file, 2);                                         // file header
    PutNumber(file, 0x0002 | (member.continues ? 0x0010 : 0));  // data follow; continued in the next volume
    PutNumber(file, stored.size());
    PutNumber(file, (member.folder ? 0x0001 : 0) | 0x0002 | 0x0004);  // folder; time; CRC
    PutNumber(file, member.data.size());
    PutNumber(file, member.folder ? 040755 : 0100644);  // Unix mode
    Put(file, 1704067200, 4);                      // 2024-01-01, Unix time
    Put(file, Crc32(member.data), 4);
    PutNumber(file, 0);  // version 0, stored
    PutNumber(file, 1);                 // made on Unix
    PutNumber(file, member.name.size());
    file.insert(file.end(), member.name.begin(), member.name.end());
    Append(archive, Rar5Header(file));
    Append(archive, stored);
  }
  Bytes end;
  PutNumber(end, 5);  // end of archive
  PutNumber(end, 0);
  PutNumber(end, 0);
  Append(archive, Rar5Header(end));
  return archive;
}

}  // namespace korvel::testing
