#pragma once
// Multicolour screens (8x1 attribute cells, 12288 bytes) and gigascreens:
// pairs of standard (13824 bytes) or multicolour (24576 bytes) screens shown
// as the average of the two frames.

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

inline constexpr size_t kMulticolourScreenBytes = 12288;
inline constexpr size_t kGigascreenBytes = 13824;
inline constexpr size_t kMulticolourGigascreenBytes = 24576;

Picture* DecodeMulticolourScreen(ByteSpan data, const Drawing& drawing = kDefaultDrawing);
Picture* DecodeGigascreen(ByteSpan data, const Drawing& drawing = kDefaultDrawing);
Picture* DecodeMulticolourGigascreen(ByteSpan data, const Drawing& drawing = kDefaultDrawing);

// Every pixel byte of `result` becomes the average of the bytes of `a` and
// `b` at the same place, the remainder dropped. All three are the same size.
void GigascreenBlend(const Picture& a, const Picture& b, Picture& result);

// The two screens as the drawing's mode says: blended (byte by byte, or in
// linear light through its table), `result` as GigascreenBlend's.
void BlendScreens(const Picture& a, const Picture& b, Picture& result, const Drawing& drawing);

// The same over `bytes` bytes: out[i] = (a[i] + b[i]) / 2. `out` may be `a`
// or `b`.
void BlendBytes(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t bytes);

}  // namespace korvel
