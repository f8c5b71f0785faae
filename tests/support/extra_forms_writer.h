#pragma once
// Test-only writers of the headed picture files: MGH gigascreens, text
// pictures, +3DOS-headed screens and SCA animations.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvel::testing {

using Bytes = std::vector<uint8_t>;

// The attribute frame `frame` (0 or 1) gives the cell that holds pixel
// (8 * column, y); the writer asks for each cell at its top pixel row.
using FrameAttribute = std::function<uint8_t(int frame, int column, int y)>;

// An MGH file of mode (cell height) 1, 2, 4 or 8; bitmaps of 6144 bytes in
// display-file order.
Bytes WriteMgh(int mode, const Bytes& bitmap1, const Bytes& bitmap2, const FrameAttribute& attribute);

struct TextPicture {
  std::vector<Bytes> bitmapRows;     // width / 8 bytes each, bit 7 leftmost
  std::vector<Bytes> attributeRows;  // width / 8 bytes each, one per cell row
  std::optional<Bytes> palette;      // 64 ULAplus entries
  std::string lineEnd = "\n";
  bool extended = false;             // the "extended image" first line
};

std::string WriteTextPicture(const TextPicture& picture);

// A standard screen behind a valid 128-byte +3DOS header for a code file.
Bytes WritePlus3dosScreen(const Bytes& screen);

// An SCA file: the 14-byte header, zeros up to `payloadOffset`, one delay
// byte per frame, then `frames` (type 0: the screens; type 1: the pattern
// and the attribute frames).
Bytes WriteSca(uint8_t type, uint16_t frameCount, const Bytes& frames, uint16_t payloadOffset = 14);

// An SCA file of standard screens with these delay bytes: the header claims
// `claimedFrames` (0: one per delay), with that many delay bytes (the
// missing ones 0), then the screens given.
Bytes WriteScaScreens(const Bytes& delays, const std::vector<Bytes>& screens, uint16_t claimedFrames = 0,
                      uint8_t border = 0);

}  // namespace korvel::testing
