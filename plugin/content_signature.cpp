#include "plugin/content_signature.h"

#include "plugin/recognition.h"

namespace korvel {

namespace {

struct Signature {
  const char* text;
  size_t length;  // the text may hold a 0x1A end-of-file mark but no 0
};

constexpr Signature kSignatures[] = {
    {"MGH", 3},
    {"SCA", 3},
    {"PLUS3DOS\x1A", 9},
    {"ZXTape!\x1A", 8},
    {"SINCLAIR", 8},
    {"ZX-Paintbrush", 13},
};

bool BeginsWith(ByteSpan file, const Signature& signature) {
  const uint8_t* bytes = file.Peek(0, signature.length);
  if (bytes == nullptr) return false;
  for (size_t i = 0; i < signature.length; ++i) {
    if (bytes[i] != static_cast<uint8_t>(signature.text[i])) return false;
  }
  return true;
}

constexpr uint8_t Lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c - 'A' + 'a') : c; }

// Macroscreens begin "chr$", the letters in any case.
bool BeginsMacroscreen(ByteSpan file) {
  const uint8_t* bytes = file.Peek(0, 4);
  return bytes != nullptr && Lower(bytes[0]) == 'c' && Lower(bytes[1]) == 'h' && Lower(bytes[2]) == 'r' &&
         bytes[3] == '$';
}

bool BeginsHobetaHeader(ByteSpan file) {
  const uint8_t* header = file.Peek(0, kHobetaHeaderBytes);
  if (header == nullptr) return false;
  const uint16_t checksum = static_cast<uint16_t>(header[15] | header[16] << 8);
  const size_t sectorCount = header[14];
  return HobetaChecksum(header) == checksum && file.size() >= kHobetaHeaderBytes + sectorCount * 256;
}

}  // namespace

bool HasZxContentSignature(ByteSpan file) {
  for (const Signature& signature : kSignatures) {
    if (BeginsWith(file, signature)) return true;
  }
  return BeginsMacroscreen(file) || BeginsHobetaHeader(file);
}

}  // namespace korvel
