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

// The decoders write each row with WriteChannelRow (decoders/zx_tables.h), or,
// on processors with AVX-512 VBMI, with WriteWideChannelRow: the same 768
// bytes, 64 pixels to three 64-byte stores. Only WideChannelRowsAvailable()
// makes the second safe to call.
bool WideChannelRowsAvailable();
void WriteWideChannelRow(uint8_t* out, const uint8_t* red, const uint8_t* green, const uint8_t* blue);

}  // namespace korvel
