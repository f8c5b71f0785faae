#pragma once
// Pictures shown as the average of two frames of the same size (gigascreen
// forms whose frames are not two plain screens one after the other).

#include "decoders/multicolour_gigascreen.h"
#include "plugin/picture.h"

namespace korvel {

// Draws frame 0 and frame 1 with `drawFrame(Picture&, unsigned frame)` into
// two pictures of `width` x `height` and returns their blend. The frames are
// released on every path; null when any of the three cannot be allocated.
template <class DrawFrame>
Picture* BlendTwoFrames(uint16_t width, uint16_t height, DrawFrame drawFrame) {
  Picture* result = CreatePicture(width, height);
  Picture* first = result != nullptr ? CreatePicture(width, height) : nullptr;
  Picture* second = first != nullptr ? CreatePicture(width, height) : nullptr;
  if (second != nullptr) {
    drawFrame(*first, 0u);
    drawFrame(*second, 1u);
    GigascreenBlend(*first, *second, *result);
  } else {
    ReleasePicture(result);
    result = nullptr;
  }
  ReleasePicture(first);
  ReleasePicture(second);
  return result;
}

}  // namespace korvel
