// Claiming a file by its content alone: signatures and checked Hobeta
// headers, never a raw size.

#include <gtest/gtest.h>

#include <string>

#include "plugin/content_signature.h"
#include "tests/support/hobeta_writer.h"

namespace korvel {
namespace {

using testing::Bytes;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes WithSectorCount(Bytes hobeta, uint8_t sectors) {
  hobeta[14] = sectors;
  const uint16_t checksum = testing::HobetaChecksumOf(hobeta.data());
  hobeta[15] = static_cast<uint8_t>(checksum);
  hobeta[16] = static_cast<uint8_t>(checksum >> 8);
  return hobeta;
}

TEST(ContentSignature, SignaturesAndCheckedHobetaHeadersOnly) {
  const Bytes screen(6912, 0x55);
  const Bytes wrapped = testing::WrapHobetaAs(screen, '$');  // 27 sectors
  Bytes badChecksum = wrapped;
  badChecksum[15] ^= 1;

  const struct {
    const char* what;
    Bytes file;
    bool claimed;
  } cases[] = {
      {"MGH", Text("MGH\x01\x08"), true},
      {"chr$ lower", Text("chr$\x01\x01\x08"), true},
      {"CHR$ upper", Text("CHR$"), true},
      {"cHr$ mixed", Text("cHr$"), true},
      {"chr without $", Text("chr%"), false},
      {"SCA", Text("SCA\x01"), true},
      {"PLUS3DOS with its mark", Text("PLUS3DOS\x1A\x01"), true},
      {"PLUS3DOS without its mark", Text("PLUS3DOS \x01"), false},
      {"ZXTape! with its mark", Text("ZXTape!\x1A\x01\x14"), true},
      {"ZXTape! cut before its mark", Text("ZXTape!"), false},
      {"SINCLAIR", Text("SINCLAIR\x01"), true},
      {"ZX-Paintbrush line", Text("ZX-Paintbrush image\n\n"), true},
      {"zx-paintbrush in lower case", Text("zx-paintbrush image\n"), false},
      {"signature not at offset 0", Text(" MGH"), false},
      {"cut signature", Text("SINCLAI"), false},
      {"empty file", {}, false},
      {"raw standard screen", screen, false},
      {"Hobeta file", wrapped, true},
      {"Hobeta file, wrong checksum", badChecksum, false},
      {"Hobeta header asking for one sector more", WithSectorCount(wrapped, 28), false},
      {"Hobeta header of 0 sectors", WithSectorCount(Bytes(17), 0), true},
      {"Hobeta header cut short", Bytes(wrapped.begin(), wrapped.begin() + 16), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasZxContentSignature(ByteSpan(c.file.data(), c.file.size())), c.claimed) << c.what;
  }
}

}  // namespace
}  // namespace korvel
