#pragma once
// BIT sprite sheets: up to 255 sprites of 8x8 attribute cells, each cell
// stored with line-delta coding, stacked top to bottom at the left edge.

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/picture.h"

namespace korvel {

// Sum of sprite heights, in cells, that a picture's 16-bit height can hold.
inline constexpr unsigned kMaxSheetHeightCells = 8191;

// `data` starts at the "BIT" signature. Null when the sprite table or a cell
// lies past the end of `data`, the sprites are too tall for one picture, or
// the picture cannot be allocated. A sheet of no sprites gives 0x0 pixels.
Picture* DecodeBitSpriteSheet(ByteSpan data, const Drawing& drawing = kDefaultDrawing);
// The same, telling data that are no sheet from a failed allocation.
DecodeResult ReadBitSpriteSheet(ByteSpan data, const Drawing& drawing = kDefaultDrawing);

}  // namespace korvel
