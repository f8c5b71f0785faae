#include "plugin/frames.h"

#include <cstring>

namespace korvel {

namespace {

// One frame scaled; null for want of memory.
Picture* ScaleFrame(const Picture& frame, uint32_t scale) {
  Picture* scaled = CreatePicture(static_cast<uint16_t>(frame.width * scale), static_cast<uint16_t>(frame.height * scale));
  if (scaled == nullptr) return nullptr;
  scaled->delay = frame.delay;
  const size_t rowBytes = RowBytes(*scaled);
  for (uint32_t y = 0; y < frame.height; ++y) {
    const uint8_t* in = frame.pixels + y * RowBytes(frame);
    uint8_t* out = scaled->pixels + size_t{y} * scale * rowBytes;
    uint8_t* pixel = out;
    for (uint32_t x = 0; x < frame.width; ++x, in += 3) {
      for (uint32_t k = 0; k < scale; ++k, pixel += 3) memcpy(pixel, in, 3);
    }
    for (uint32_t k = 1; k < scale; ++k) memcpy(out + k * rowBytes, out, rowBytes);
  }
  return scaled;
}

}  // namespace

ScaledFrames ScaleFrames(const Picture& picture, uint32_t scale) {
  const uint64_t width = uint64_t{picture.width} * scale;
  const uint64_t height = uint64_t{picture.height} * scale;
  if (width > UINT16_MAX || height > UINT16_MAX || width * height * kBytesPerPixel > kMaxFrameBytes) {
    return {nullptr, true};
  }
  Picture* first = nullptr;
  Picture** link = &first;
  for (const Picture* frame = &picture; frame != nullptr; frame = frame->nextFrame) {
    *link = ScaleFrame(*frame, scale);
    if (*link == nullptr) {
      ReleasePicture(first);
      return {nullptr, false};
    }
    link = &(*link)->nextFrame;
  }
  return {first, false};
}

}  // namespace korvel
