#pragma once
// What the two PNG writers share for pictures that move: the animated PNG
// chunks (acTL, fcTL, fdAT) and the deflating of a frame's rows. Viewers
// without animation show the default image, which is the first frame.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/png_palette.h"

namespace korvel::host {

// One frame: width x height x 3 bytes of RGB, shown for numerator /
// denominator seconds.
struct PngFrame {
  const uint8_t* rgb = nullptr;
  uint32_t delayNumerator = 0;
  uint32_t delayDenominator = 1;
};

// The colours of every frame together, so that all frames share one PLTE;
// false (count 0) past 256, when every frame is written as RGB.
bool BuildFramesPalette(int width, int height, const std::vector<PngFrame>& frames, PngPalette& palette);

// acTL: the number of frames, played for ever.
std::vector<uint8_t> AnimationControl(size_t frames);

// fcTL of a full-size frame at 0,0, disposed of as is and drawn over
// nothing (its pixels replace the canvas): every frame is whole.
std::vector<uint8_t> FrameControl(uint32_t sequence, int width, int height, const PngFrame& frame);

// Hands out each piece of deflated output as it fills (at most 64 KiB).
using DeflatedPiece = std::function<bool(const uint8_t* bytes, size_t size, std::string& error)>;

// zlib levels: the first frame (the still picture) at the default, 6; later
// frames at 5, which deflates an animation's second FLASH phase a quarter
// faster for a few percent more bytes of that frame.
inline constexpr int kFirstFrameLevel = 6;
inline constexpr int kLaterFrameLevel = 5;

// Deflates the rows of `rgb`, each behind filter byte 0 and packed as
// indices of `palette` when one is given, at zlib level `level`.
bool DeflateRows(const uint8_t* rgb, int width, int height, const PngPalette* palette, int level,
                 const DeflatedPiece& piece, std::string& error);

// Writes the later frames (frames[1] on) as fcTL and fdAT chunks through
// `chunk`, numbered on from `sequence` (1 after the first frame's fcTL).
using PngChunk = std::function<bool(const char type[4], const uint8_t* data, size_t size, std::string& error)>;
bool WriteLaterFrames(int width, int height, const std::vector<PngFrame>& frames, const PngPalette* palette,
                      const PngChunk& chunk, std::string& error);

}  // namespace korvel::host
