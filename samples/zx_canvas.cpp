#include "samples/zx_canvas.h"

#include <cmath>

namespace korvel::samples {

size_t DisplayRowOffset(int y) { return 32 * static_cast<size_t>((y & 0xC0) | ((y & 7) << 3) | ((y >> 3) & 7)); }

Canvas DrawLandscape(int variant) {
  Canvas canvas;
  const double shift = variant * 0.7;
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      uint8_t colour;
      const double hill = 120 + 18 * std::sin(x / 23.0 + shift) + 9 * std::sin(x / 7.0 - shift);
      const double sunX = 190 - 6 * variant, sunY = 48;
      const double dx = x - sunX, dy = y - sunY;
      if (y < 112 && dx * dx + dy * dy < 26 * 26) {
        colour = 14;  // bright yellow sun
      } else if (y < 40) {
        colour = 9;  // bright blue sky, high
      } else if (y < 112) {
        colour = ((x + y) % 6 == 0 && y > 80) ? 13 : 1;  // sky with a haze
      } else if (y < hill) {
        colour = 5;  // far hills
      } else if (y < 152) {
        colour = ((x / 16 + y / 8) % 2 == 0) ? 4 : 12;  // chequered field
      } else {
        colour = ((x / 8 + y / 8 + variant) % 2 == 0) ? 2 : 6;  // near field
      }
      canvas.At(x, y) = colour;
    }
  }
  return canvas;
}

uint8_t CellAttribute(const Canvas& canvas, int x0, int y0, int cellHeight) {
  int count[16] = {};
  for (int y = y0; y < y0 + cellHeight; ++y) {
    for (int x = x0; x < x0 + 8; ++x) ++count[canvas.At(x, y)];
  }
  int paper = 0;
  for (int c = 1; c < 16; ++c) {
    if (count[c] > count[paper]) paper = c;
  }
  int ink = paper == 0 ? 7 : 0;
  int best = -1;
  for (int c = 0; c < 16; ++c) {
    if (c != paper && (c & 7) != (paper & 7) && count[c] > best && count[c] > 0) {
      best = count[c];
      ink = c;
    }
  }
  const int bright = paper >= 8 ? 0x40 : 0;
  return static_cast<uint8_t>(bright | (paper & 7) << 3 | (ink & 7));
}

namespace {

// The bitmap byte of one 8-pixel run for a cell with this attribute: a pixel
// is ink when its colour matches the ink colour.
uint8_t CellBits(const Canvas& canvas, int x0, int y, uint8_t attribute) {
  uint8_t bits = 0;
  for (int k = 0; k < 8; ++k) {
    if ((canvas.At(x0 + k, y) & 7) == (attribute & 7) && (attribute & 7) != ((attribute >> 3) & 7)) {
      bits |= static_cast<uint8_t>(0x80 >> k);
    }
  }
  return bits;
}

}  // namespace

Bytes EncodeStandardScreen(const Canvas& canvas) {
  Bytes screen(6912);
  for (int row = 0; row < 24; ++row) {
    for (int column = 0; column < 32; ++column) {
      const uint8_t attribute = CellAttribute(canvas, 8 * column, 8 * row, 8);
      screen[6144 + 32 * row + column] = attribute;
      for (int line = 0; line < 8; ++line) {
        const int y = 8 * row + line;
        screen[DisplayRowOffset(y) + column] = CellBits(canvas, 8 * column, y, attribute);
      }
    }
  }
  return screen;
}

Bytes EncodeMulticolourScreen(const Canvas& canvas) {
  Bytes screen(12288);
  for (int y = 0; y < 192; ++y) {
    for (int column = 0; column < 32; ++column) {
      const uint8_t attribute = CellAttribute(canvas, 8 * column, y, 1);
      screen[6144 + 32 * y + column] = attribute;
      screen[32 * y + column] = CellBits(canvas, 8 * column, y, attribute);
    }
  }
  return screen;
}

}  // namespace korvel::samples
