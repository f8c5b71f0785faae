#include "decoders/plus3dos_screen.h"

#include <cstring>

#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 128;
constexpr uint8_t kCodeFile = 3;

}  // namespace

std::optional<Plus3dosHeader> ReadPlus3dosHeader(ByteSpan file) {
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr || memcmp(header, "PLUS3DOS\x1A", 9) != 0) return std::nullopt;
  uint8_t sum = 0;
  for (size_t i = 0; i < kHeaderBytes - 1; ++i) sum = static_cast<uint8_t>(sum + header[i]);
  if (sum != header[127]) return std::nullopt;
  return Plus3dosHeader{header[15], static_cast<unsigned>(header[16] | header[17] << 8)};
}

DecodeResult DecodePlus3dosScreen(ByteSpan file, const Drawing& drawing) {
  const std::optional<Plus3dosHeader> header = ReadPlus3dosHeader(file);
  if (!header || header->type != kCodeFile || header->length != kStandardScreenBytes) return NotThisForm();
  if (file.Peek(kHeaderBytes, kStandardScreenBytes) == nullptr) return NotThisForm();
  return Decoded(DecodeStandardScreen(file.From(kHeaderBytes), drawing));
}

}  // namespace korvel
