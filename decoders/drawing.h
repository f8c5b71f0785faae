#pragma once
// How the decoders draw: with which colours, which FLASH phase, and how a
// gigascreen's two screens become one picture. Every front-end that takes
// one picture draws with kDefaultDrawing; the in-process reading builds its
// own from the user's choices.

#include <cstddef>
#include <cstdint>

#include "decoders/zx_tables.h"
#include "plugin/picture.h"

namespace korvel {

enum class GigascreenMode : uint8_t {
  kBlend,    // the two screens averaged byte by byte
  kLinear,   // averaged in linear light
  kFlicker,  // the two screens as two frames of 1/50 s
};

struct Drawing {
  // Paper and ink-XOR-paper runs of each whole attribute byte: in the second
  // FLASH phase a bit-7 attribute has its ink and paper swapped.
  const AttributeRuns* runs;
  // The same in the first phase, for forms whose bit 7 is no FLASH.
  const AttributeRuns* steadyRuns;
  const Rgb* palette;  // 16 colours, ZxPalette's order
  GigascreenMode gigascreen;
  int8_t screen;  // flicker: which of a gigascreen's two screens is drawn
  // Linear blend: kLinearMeans[256 * x + y] is the linear-light mean of x and y.
  const uint8_t* linearMeans;
  bool allFrames;  // an animation gives every frame, not only its first
  // Set (the second phase's runs) when a standard screen drawn with `runs`
  // is to draw its second FLASH phase as well, as its next frame: the most
  // common moving picture then needs no second walk over its file.
  const AttributeRuns* flashedRuns;
};

// FLASH swaps ink and paper every 16 frames of 50 Hz.
inline constexpr uint16_t kFlashDelay = 16;

// The attribute with ink and paper swapped.
constexpr uint8_t SwappedInkAndPaper(uint8_t attribute) {
  return static_cast<uint8_t>((attribute & 0xC0) | (attribute & 7) << 3 | (attribute >> 3 & 7));
}

// The default runs in the second FLASH phase: a bit-7 attribute's ink and
// paper swapped.
inline constexpr struct FlashedAttributeRunTable {
  AttributeRuns runs[256];
  constexpr FlashedAttributeRunTable() : runs() {
    for (int a = 0; a < 256; ++a) {
      const auto attribute = static_cast<uint8_t>(a);
      runs[a] = kAttributeRuns.runs[a < 128 ? attribute : SwappedInkAndPaper(attribute)];
    }
  }
} kFlashedAttributeRuns;

inline constexpr Drawing kDefaultDrawing = {kAttributeRuns.runs, kAttributeRuns.runs, ZxPalette,
                                            GigascreenMode::kBlend,   0, nullptr, false, nullptr};

// An added border takes `colour`, the one the file keeps, in every frame.
inline void KeepBorder(Picture& picture, Rgb colour) {
  for (Picture* frame = &picture; frame != nullptr; frame = frame->nextFrame) {
    frame->keptBorder[0] = colour.red;
    frame->keptBorder[1] = colour.green;
    frame->keptBorder[2] = colour.blue;
    frame->border = BorderTaken::kKept;
  }
}

// Whether any of `count` attribute bytes has bit 7: drawn as FLASH, their
// cells may change in the second phase.
inline bool AnyFlashing(const uint8_t* attributes, size_t count) {
  uint8_t any = 0;
  for (size_t i = 0; i < count; ++i) any |= attributes[i];
  return (any & 0x80) != 0;
}

// The attribute runs for `palette`, in FLASH phase 0 or 1, into `runs` (256).
void BuildAttributeRuns(const Rgb* palette, int phase, AttributeRuns* runs);

// The 65536 linear-light means of two bytes, into `means`.
void BuildLinearMeans(uint8_t* means);

}  // namespace korvel
