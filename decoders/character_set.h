#pragma once
// Character sets shown as pictures: 8x8 glyphs, 32 to a row of cells, black
// glyphs on a white ground.

#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

// Glyphs stored one after another, 8 bytes each, top line first.
// `characterCount` is a multiple of 32 from 32 to 256; other counts give null.
// The picture is 256 wide and characterCount / 4 high.
Picture* DecodeCharacterSet(ByteSpan data, uint16_t characterCount);

// 256 glyphs stored line by line: byte k of character c at c + 256 * k.
Picture* DecodeLineMajorCharacterSet(ByteSpan data);

}  // namespace korvel
