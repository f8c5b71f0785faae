#include "decoders/sca_animation.h"

#include <cstring>

#include "decoders/attribute_screen.h"
#include "decoders/standard_screen.h"
#include "decoders/zx_tables.h"

namespace korvel {

namespace {

enum PayloadType : uint8_t { kScreens = 0, kAttributeFrames = 1 };

// 16 MiB of attribute frames would be 21845 frames, over 3 GiB of pixels:
// an animation stops at 1820 frames (256 MiB).
constexpr size_t kMaxFrames = 1820;

struct ScaLayout {
  ByteSpan file;
  uint8_t type;
  uint8_t border;
  size_t frames;      // as the header claims them
  size_t delays;      // offset of the delay bytes
  size_t firstFrame;  // offset of frame 0 (type 1: of the pattern)
};

// Frame k, or null when the file does not hold it (or for want of memory:
// *outOfMemory says which). An SCA's bit 7 is no FLASH.
Picture* DecodeFrame(const ScaLayout& sca, size_t k, const Drawing& drawing, bool* outOfMemory) {
  *outOfMemory = false;
  Picture* frame = nullptr;
  if (sca.type == kScreens) {
    const size_t offset = sca.firstFrame + k * kStandardScreenBytes;
    if (sca.file.Peek(offset, kStandardScreenBytes) == nullptr) return nullptr;
    Drawing steady = drawing;
    steady.runs = drawing.steadyRuns;
    steady.flashedRuns = nullptr;
    frame = DecodeStandardScreen(sca.file.From(offset), steady);
  } else {
    const uint8_t* pattern = sca.file.Peek(sca.firstFrame, 8);
    const uint8_t* attributes = sca.file.Peek(sca.firstFrame + 8 + k * 768, 768);
    if (pattern == nullptr || attributes == nullptr) return nullptr;
    uint8_t lines[8];
    memcpy(lines, pattern, 8);
    frame = DrawAttributesOverPattern(attributes, lines, drawing.steadyRuns);
  }
  *outOfMemory = frame == nullptr;
  if (frame == nullptr) return nullptr;
  const uint8_t* delay = sca.file.Peek(sca.delays + k, 1);
  frame->delay = delay == nullptr || *delay == 0 ? 1 : *delay;
  frame->mayFlash = false;  // drawn steady
  KeepBorder(*frame, drawing.palette[sca.border & 7]);
  return frame;
}

}  // namespace

DecodeResult DecodeScaFirstFrame(ByteSpan file, const Drawing& drawing) {
  ByteReader header(file);
  const uint8_t* signature = header.Block(3);
  header.Byte();  // version
  const unsigned width = header.Word();
  const unsigned height = header.Word();
  const uint8_t border = header.Byte();
  const size_t frames = header.Word();
  const uint8_t type = header.Byte();
  const size_t payload = header.Word();
  if (header.failed() || memcmp(signature, "SCA", 3) != 0) return NotThisForm();
  if (width != kScreenWidth || height != kScreenHeight || frames == 0) return NotThisForm();
  if (type != kScreens && type != kAttributeFrames) return NotThisForm();

  // The payload begins with one delay byte per frame; later frames need not
  // be in the file: only those it holds are shown.
  const ScaLayout sca = {file, type, border, frames, payload, payload + frames};
  bool outOfMemory = false;
  Picture* first = DecodeFrame(sca, 0, drawing, &outOfMemory);
  if (first == nullptr) return outOfMemory ? Decoded(nullptr) : NotThisForm();
  if (!drawing.allFrames || frames == 1) {
    first->delay = 0;  // a still picture
    return Decoded(first);
  }
  Picture* last = first;
  for (size_t k = 1; k < frames && k < kMaxFrames; ++k) {
    last->nextFrame = DecodeFrame(sca, k, drawing, &outOfMemory);
    if (outOfMemory) {
      ReleasePicture(first);
      return Decoded(nullptr);
    }
    if (last->nextFrame == nullptr) break;
    last = last->nextFrame;
  }
  if (first->nextFrame == nullptr) first->delay = 0;
  return Decoded(first);
}

}  // namespace korvel
