#pragma once
// The picture every decoder produces and the host holds as an opaque handle:
// 24-bit pixels, rows top to bottom, each pixel red, green, blue.

#include <cstddef>
#include <cstdint>

namespace korvel {

enum class BorderTaken : uint8_t { kChosen, kKept, kNone };

struct Picture {
  uint8_t* pixels;  // width * height * 3 bytes, zero-filled at creation
  uint16_t width;
  uint16_t height;
  // A picture that moves is a chain of frames of the same size, each shown
  // for `delay` 50ths of a second; a still picture has no next frame and a
  // delay of 0. Only the in-process reading makes frames beyond the first.
  uint16_t delay;
  Picture* nextFrame;
  // The colour an added border takes: the chosen one, the file's own
  // (`keptBorder`, red, green, blue), or none at all for pictures whose
  // colours are not the Spectrum's (ULAplus, Next).
  BorderTaken border;
  uint8_t keptBorder[3];
  // What another drawing of the same bytes could change, as the decoder
  // that drew it saw: a bit-7 attribute drawn as FLASH, or two screens of
  // which one was shown. The reading walks a file again in the second FLASH
  // phase, or for the other screen, only when one of its pictures says so.
  bool mayFlash;
  bool twoScreens;
};

constexpr size_t kBytesPerPixel = 3;

// Record and pixel block both come zero-filled from the process heap, so every
// pixel starts black. Null when either allocation fails (nothing is left
// allocated). A picture of 0 pixels is still a picture.
Picture* CreatePicture(uint16_t width, uint16_t height);

// Releases the pixel block, then the record, and so every later frame.
// Returns the heap's answer for the first record. Null is accepted and
// answers false.
bool ReleasePicture(Picture* picture);

// Makes `next` the frame after `first`, each shown for `delay`, when the two
// differ in a pixel; else releases `next` (null is accepted). True when joined.
bool JoinWhenDiffering(Picture& first, Picture* next, uint16_t delay);

inline size_t RowBytes(const Picture& picture) { return size_t{picture.width} * kBytesPerPixel; }
inline size_t PixelBytes(const Picture& picture) { return RowBytes(picture) * picture.height; }

}  // namespace korvel

namespace korvel {

// What a decoder gives when its data may turn out not to be its form at all:
// a picture, or none and why. For want of memory the whole load ends; for
// data that are not this form the load goes on to the next form.
struct DecodeResult {
  Picture* picture = nullptr;
  bool outOfMemory = false;
};

inline DecodeResult NotThisForm() { return {}; }
// A picture the decoder created (null only when it could not be allocated).
inline DecodeResult Decoded(Picture* created) { return {created, created == nullptr}; }

}  // namespace korvel
