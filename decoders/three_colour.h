#pragma once
// Three-colour screens: three 6144-byte bitmaps, one per colour channel; a
// set bit turns its channel fully on (255). 18432 bytes.

#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

inline constexpr size_t kThreeColourScreenBytes = 18432;

// Red, green, blue bitmaps, rows in display-file order (.rgb, .xpc).
Picture* DecodeThreeColourScreen(ByteSpan data);
// Blue, red, green bitmaps, rows in display-file order (Hobeta type 'b').
Picture* DecodeBrgThreeColourScreen(ByteSpan data);
// Red, green, blue bitmaps, rows in plain top-to-bottom order (.xpv).
Picture* DecodeLinearThreeColourScreen(ByteSpan data);

}  // namespace korvel
