#include "decoders/plus3dos_screen.h"

#include <cstring>

#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 128;
constexpr uint8_t kCodeFile = 3;

}  // namespace

DecodeResult DecodePlus3dosScreen(ByteSpan file) {
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr || memcmp(header, "PLUS3DOS\x1A", 9) != 0) return NotThisForm();
  uint8_t sum = 0;
  for (size_t i = 0; i < kHeaderBytes - 1; ++i) sum = static_cast<uint8_t>(sum + header[i]);
  const unsigned length = header[16] | header[17] << 8;
  if (sum != header[127] || header[15] != kCodeFile || length != kStandardScreenBytes) return NotThisForm();
  if (file.Peek(kHeaderBytes, kStandardScreenBytes) == nullptr) return NotThisForm();
  return Decoded(DecodeStandardScreen(file.From(kHeaderBytes)));
}

}  // namespace korvel
