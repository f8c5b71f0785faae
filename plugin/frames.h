#pragma once
// The choices a front-end makes about how pictures are drawn (palette,
// gigascreen mode, border), and the frames of pictures that move: FLASH,
// flickering gigascreens, SCA animations.

#include <cstddef>
#include <cstdint>

#include "decoders/drawing.h"
#include "decoders/zx_tables.h"
#include "korvel/korvel.h"
#include "plugin/picture.h"

namespace korvel {

// Frame delays count 50ths of a second, the Spectrum's frame rate.
inline constexpr uint32_t kFramesPerSecond = 50;

enum class BorderSize : uint8_t { kNone, kSmall, kMedium, kFull };

struct DrawingChoices {
  Rgb palette[16] = {
      ZxPalette[0], ZxPalette[1], ZxPalette[2],  ZxPalette[3],  ZxPalette[4],  ZxPalette[5],
      ZxPalette[6], ZxPalette[7], ZxPalette[8],  ZxPalette[9],  ZxPalette[10], ZxPalette[11],
      ZxPalette[12], ZxPalette[13], ZxPalette[14], ZxPalette[15]};
  GigascreenMode gigascreen = GigascreenMode::kBlend;
  BorderSize border = BorderSize::kNone;
  uint8_t borderColour = 0;  // for files that keep none
};

// The library's options record as choices and a scale (1 for none); false
// when it is not valid (too small a size, a value out of range). Null
// options are the defaults.
bool ChoicesFromOptions(const korvel_options* options, DrawingChoices& choices, uint32_t& scale);

// What a reading draws with: its palette's attribute runs in both FLASH
// phases, and the linear-light means. Large: taken from the heap.
struct DrawingTables {
  AttributeRuns steady[256];
  AttributeRuns swapped[256];
  uint8_t linearMeans[256 * 256];
};

// The drawings of a reading's walks over the file: the first gives every
// picture as it is shown first (a standard screen with its second FLASH
// phase as well), the second the second FLASH phase of the other forms, the
// third (flicker mode only) a gigascreen's second screen.
struct WalkDrawings {
  Drawing first;
  Drawing flashed;
  Drawing secondScreen;
  bool flicker;
};
// `tables` is needed only when NeedsTables(choices): the default palette's
// runs are constant. The drawings point into `choices` and `tables`, which
// must outlive them.
bool NeedsTables(const DrawingChoices& choices);
WalkDrawings PrepareDrawings(const DrawingChoices& choices, DrawingTables* tables);

// Makes `first` a picture that moves when the same item drawn otherwise
// differs in a pixel: a gigascreen's second screen (`secondScreen`, flicker
// mode) or, else, the second FLASH phase (`flashed`). Takes both others
// (either may be null); those that do not become frames are released.
void JoinFrames(Picture& first, Picture* flashed, Picture* secondScreen);

// Every frame of `picture` inside the chosen border, when it is a 256x192
// picture that takes one; `picture` itself when no border is added. Null
// for want of memory (`picture` is released).
Picture* WithBorder(Picture* picture, const DrawingChoices& choices);

// The largest frame any front-end is given: 65535 pixels a side (a Picture's
// size fields) and 1 GiB of RGB.
inline constexpr uint64_t kMaxFrameBytes = uint64_t{1} << 30;

struct ScaledFrames {
  Picture* picture;  // every frame scaled; null when too large or out of memory
  bool tooLarge;     // over kMaxFrameBytes or 65535 pixels a side
};

// Every frame of `picture` with each pixel `scale` x `scale` (nearest
// neighbour); `picture` is left as it is.
ScaledFrames ScaleFrames(const Picture& picture, uint32_t scale);

}  // namespace korvel
