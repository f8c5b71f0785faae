#include "decoders/sca_animation.h"

#include <cstring>

#include "decoders/attribute_screen.h"
#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

enum PayloadType : uint8_t { kScreens = 0, kAttributeFrames = 1 };

}  // namespace

DecodeResult DecodeScaFirstFrame(ByteSpan file) {
  ByteReader header(file);
  const uint8_t* signature = header.Block(3);
  header.Byte();  // version
  const unsigned width = header.Word();
  const unsigned height = header.Word();
  header.Byte();  // border
  const size_t frames = header.Word();
  const uint8_t type = header.Byte();
  const size_t payload = header.Word();
  if (header.failed() || memcmp(signature, "SCA", 3) != 0) return NotThisForm();
  if (width != kScreenWidth || height != kScreenHeight || frames == 0) return NotThisForm();

  // The payload begins with one delay byte per frame; later frames need not
  // be in the file, as only the first is shown.
  const size_t firstFrame = payload + frames;
  if (type == kScreens) {
    if (file.Peek(firstFrame, kStandardScreenBytes) == nullptr) return NotThisForm();
    return Decoded(DecodeStandardScreen(file.From(firstFrame)));
  }
  if (type == kAttributeFrames) {
    const uint8_t* pattern = file.Peek(firstFrame, 8);
    const uint8_t* attributes = file.Peek(firstFrame + 8, 768);
    if (pattern == nullptr || attributes == nullptr) return NotThisForm();
    uint8_t lines[8];
    memcpy(lines, pattern, 8);
    return Decoded(DrawAttributesOverPattern(attributes, lines));
  }
  return NotThisForm();
}

}  // namespace korvel
