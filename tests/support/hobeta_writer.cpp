#include "tests/support/hobeta_writer.h"

namespace korvel::testing {

uint16_t HobetaChecksumOf(const uint8_t* first15) {
  unsigned sum = 0;
  for (int i = 0; i < 15; ++i) sum += first15[i];
  return static_cast<uint16_t>(sum * 257 + 105);
}

Bytes WrapHobeta(const Bytes& data, const HobetaFields& fields) {
  const uint16_t length = fields.length.value_or(static_cast<uint16_t>(data.size()));
  const uint8_t sectors = fields.sectorCount.value_or(static_cast<uint8_t>((data.size() + 255) / 256));
  Bytes file(17);
  for (int i = 0; i < 8; ++i) file[i] = static_cast<uint8_t>(fields.name[i]);
  file[8] = fields.type;
  file[9] = static_cast<uint8_t>(fields.start);
  file[10] = static_cast<uint8_t>(fields.start >> 8);
  file[11] = static_cast<uint8_t>(length);
  file[12] = static_cast<uint8_t>(length >> 8);
  file[13] = fields.unnamed;
  file[14] = sectors;
  const uint16_t checksum = HobetaChecksumOf(file.data());
  file[15] = static_cast<uint8_t>(checksum);
  file[16] = static_cast<uint8_t>(checksum >> 8);
  file.insert(file.end(), data.begin(), data.end());
  if (fields.padToSectors && file.size() < 17 + size_t{sectors} * 256) file.resize(17 + size_t{sectors} * 256, 0);
  return file;
}

Bytes WrapHobetaAs(const Bytes& data, uint8_t type, uint16_t start) {
  HobetaFields fields;
  fields.type = type;
  fields.start = start;
  return WrapHobeta(data, fields);
}

}  // namespace korvel::testing
