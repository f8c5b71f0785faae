#include "plugin/picture.h"

#include <cstring>

#include "platform/platform.h"

namespace korvel {

Picture* CreatePicture(uint16_t width, uint16_t height) {
  auto* picture = static_cast<Picture*>(platform::AllocateZeroed(sizeof(Picture)));
  if (picture == nullptr) return nullptr;
  picture->width = width;
  picture->height = height;
  // Decoders ask for at most 2040 x 65528 pixels (a BIT sheet), but a 32-bit
  // size_t cannot hold every width x height x 3, so the product is checked.
  const uint64_t bytes = uint64_t{width} * height * kBytesPerPixel;
  if (bytes <= SIZE_MAX) {
    picture->pixels = static_cast<uint8_t*>(platform::AllocateZeroed(static_cast<size_t>(bytes)));
  }
  if (picture->pixels == nullptr) {
    platform::Release(picture);
    return nullptr;
  }
  return picture;
}

bool ReleasePicture(Picture* picture) {
  if (picture == nullptr) return false;
  Picture* later = picture->nextFrame;
  platform::Release(picture->pixels);
  const bool released = platform::Release(picture);
  while (later != nullptr) {
    Picture* next = later->nextFrame;
    platform::Release(later->pixels);
    platform::Release(later);
    later = next;
  }
  return released;
}

bool JoinWhenDiffering(Picture& first, Picture* next, uint16_t delay) {
  const bool differ = next != nullptr && first.width == next->width && first.height == next->height &&
                      memcmp(first.pixels, next->pixels, PixelBytes(first)) != 0;
  if (!differ) {
    ReleasePicture(next);
    return false;
  }
  first.delay = next->delay = delay;
  first.nextFrame = next;
  return true;
}

}  // namespace korvel
