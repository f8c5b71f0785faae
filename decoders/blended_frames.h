#pragma once
// Pictures shown as the average of two frames of the same size (gigascreen
// forms whose frames are not two plain screens one after the other).

#include "decoders/drawing.h"
#include "decoders/multicolour_gigascreen.h"
#include "plugin/picture.h"

namespace korvel {

// Draws frame 0 and frame 1 with `drawFrame(Picture&, unsigned frame)` into
// two pictures of `width` x `height` and returns their blend, as the
// drawing's mode says; in flicker mode only the drawing's screen is drawn.
// The frames are released on every path; null when any of them cannot be
// allocated.
template <class DrawFrame>
Picture* BlendTwoFrames(uint16_t width, uint16_t height, DrawFrame drawFrame, const Drawing& drawing) {
  Picture* result = CreatePicture(width, height);
  if (drawing.gigascreen == GigascreenMode::kFlicker) {
    if (result != nullptr) drawFrame(*result, drawing.screen == 0 ? 0u : 1u);
    return result;
  }
  Picture* first = result != nullptr ? CreatePicture(width, height) : nullptr;
  Picture* second = first != nullptr ? CreatePicture(width, height) : nullptr;
  if (second != nullptr) {
    drawFrame(*first, 0u);
    drawFrame(*second, 1u);
    BlendScreens(*first, *second, *result, drawing);
  } else {
    ReleasePicture(result);
    result = nullptr;
  }
  ReleasePicture(first);
  ReleasePicture(second);
  return result;
}

}  // namespace korvel
