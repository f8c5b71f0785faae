#include "samples/zx_canvas.h"

#include <algorithm>
#include <cmath>
#include <string>

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

uint8_t InkBits(const Canvas& canvas, int x0, int y, uint8_t attribute) {
  uint8_t bits = 0;
  for (int k = 0; k < 8; ++k) {
    if ((canvas.At(x0 + k, y) & 7) == (attribute & 7) && (attribute & 7) != ((attribute >> 3) & 7)) {
      bits |= static_cast<uint8_t>(0x80 >> k);
    }
  }
  return bits;
}

Bytes EncodeStandardScreen(const Canvas& canvas) {
  Bytes screen(6912);
  for (int row = 0; row < 24; ++row) {
    for (int column = 0; column < 32; ++column) {
      const uint8_t attribute = CellAttribute(canvas, 8 * column, 8 * row, 8);
      screen[6144 + 32 * row + column] = attribute;
      for (int line = 0; line < 8; ++line) {
        const int y = 8 * row + line;
        screen[DisplayRowOffset(y) + column] = InkBits(canvas, 8 * column, y, attribute);
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
      screen[32 * y + column] = InkBits(canvas, 8 * column, y, attribute);
    }
  }
  return screen;
}


namespace {

// A few scattered pixels, about one in `rarity`, without visible rows.
bool Scattered(int x, int y, uint32_t rarity) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return (h ^ (h >> 16)) % rarity == 0;
}

bool InDisc(int x, int y, double cx, double cy, double r) {
  const double dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy < r * r;
}

}  // namespace

Canvas DrawSunset(int frame) {
  // Sky bands of 8 rows, one colour per frame each; the pairs step from
  // night blue through magenta and red to a pale yellow at the horizon.
  static const uint8_t kSkyPairs[14][2] = {{0, 0},  {0, 1},   {1, 1},   {1, 9},   {9, 3},   {3, 3},   {3, 11},
                                           {11, 2}, {2, 2},   {2, 10},  {10, 6},  {6, 14},  {14, 14}, {14, 15}};
  Canvas canvas;
  const int horizon = 112;
  const double sunX = 176, sunY = 96, sunR = 22;
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      uint8_t colour;
      if (y < horizon) {
        colour = InDisc(x, y, sunX, sunY, sunR) ? 14 : kSkyPairs[y / 8][frame & 1];
      } else {
        // The sea: waves whose phase differs between the frames, and a
        // glitter of sunlight under the sun that narrows towards the shore.
        const int depth = y - horizon;
        const double reach = sunR * (1.0 - depth / 110.0);
        const bool glitter = std::abs(x - sunX) < reach && (y + frame) % 3 == 0 && ((x / 3 + y) % 4) != 0;
        const bool wave = ((x + 3 * (y / 4) + 2 * frame) / 6 + y) % 7 == 0;
        colour = glitter ? (frame == 0 ? 6 : 14) : wave ? 5 : 1;
      }
      canvas.At(x, y) = colour;
    }
  }
  // A sailing boat, black against the light.
  for (int y = 70; y < 118; ++y) {
    for (int x = 30; x < 110; ++x) {
      const bool hull = y >= 108 && y < 116 && x >= 40 + (y - 108) && x < 100 - (y - 108);
      const bool mast = x >= 68 && x < 70 && y >= 72 && y < 108;
      const bool sail = y >= 76 && y < 104 && x > 70 && x < 70 + (y - 76) * 0.9;
      const bool jib = y >= 84 && y < 104 && x < 67 && x > 67 - (y - 84) * 0.9;
      if (hull || mast || sail || jib) canvas.At(x, y) = 0;
    }
  }
  return canvas;
}

Canvas DrawColourDiscs() {
  Canvas canvas;
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const bool red = InDisc(x, y, 100, 78, 58);
      const bool green = InDisc(x, y, 156, 78, 58);
      const bool blue = InDisc(x, y, 128, 124, 58);
      uint8_t colour = static_cast<uint8_t>((red ? 2 : 0) | (green ? 4 : 0) | (blue ? 1 : 0));
      // Stars in the dark around the discs.
      if (colour == 0 && Scattered(x, y, 150)) colour = 7;
      canvas.At(x, y) = colour;
    }
  }
  return canvas;
}

Canvas DrawRainbowTown() {
  static const uint8_t kArcs[] = {2, 6, 4, 5, 1, 3};  // red, yellow, green, cyan, blue, magenta
  Canvas canvas;
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const double r = std::hypot(x - 128.0, y - 210.0);
      uint8_t colour = 0;
      if (r >= 120 && r < 180) colour = kArcs[std::min(5, static_cast<int>((180 - r) / 10))];
      if (colour == 0 && Scattered(x, y, 90) && y < 120) colour = 7;  // stars
      if (y >= 176) colour = ((x / 4 + y / 2) % 5 == 0) ? 6 : 4;              // grass with flowers
      canvas.At(x, y) = colour;
    }
  }
  // Houses of different heights, with lit windows and red roofs.
  struct House {
    int x, width, top;
  };
  const House houses[] = {{8, 40, 120}, {56, 32, 136}, {96, 48, 104}, {152, 32, 128}, {192, 56, 112}};
  for (const House& house : houses) {
    for (int y = house.top - 16; y < 176; ++y) {
      for (int x = house.x; x < house.x + house.width; ++x) {
        if (y < house.top) {
          const int inset = (house.top - y) * house.width / 34;
          if (x >= house.x + inset && x < house.x + house.width - inset) canvas.At(x, y) = 2;
          continue;
        }
        const int wx = (x - house.x) % 12, wy = (y - house.top) % 14;
        const bool window = wx >= 4 && wx < 10 && wy >= 4 && wy < 11 && x < house.x + house.width - 4;
        canvas.At(x, y) = window ? (((x / 12 + y / 14) % 3 == 0) ? 7 : 6) : 1;
      }
    }
  }
  return canvas;
}

Bytes EncodeChannelBitmaps(const Canvas& canvas, const int (&channelOfBitmap)[3], bool linear) {
  // Colour numbers: bit 1 red, bit 2 green, bit 0 blue.
  static const int kChannelBit[3] = {2, 4, 1};
  Bytes data(18432, 0);
  for (int b = 0; b < 3; ++b) {
    const int bit = kChannelBit[channelOfBitmap[b]];
    for (int y = 0; y < 192; ++y) {
      const size_t row = 6144 * static_cast<size_t>(b) + (linear ? 32 * static_cast<size_t>(y) : DisplayRowOffset(y));
      for (int x = 0; x < 256; ++x) {
        if ((canvas.At(x, y) & bit) != 0) data[row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return data;
}

namespace {

// Glyph drawing on an 8x8 grid. Strokes of a sixteen-segment display, laid
// on columns 1, 3, 5 and rows top, middle, bottom of a box: capitals use rows
// 0, 3, 6, small letters the same strokes in rows 2, 4, 6.
struct Glyph {
  uint8_t lines[8] = {};
  void Set(int x, int y) {
    if (x >= 0 && x < 8 && y >= 0 && y < 8) lines[y] |= static_cast<uint8_t>(0x80 >> x);
  }
  void Line(int x0, int y0, int x1, int y1) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
      const double t = steps == 0 ? 0 : static_cast<double>(i) / steps;
      Set(static_cast<int>(std::lround(x0 + (x1 - x0) * t)), static_cast<int>(std::lround(y0 + (y1 - y0) * t)));
    }
  }
};

// `strokes`: names separated by spaces (A1 A2 top halves, B C right, D1 D2
// bottom halves, E F left, G1 G2 middle halves, H I J upper diagonal, middle
// and diagonal, K L M lower ones, P Q lower inward diagonals from the sides,
// "." a dot at the bottom, "'" a dot at the top).
void DrawStrokes(Glyph& glyph, const char* strokes, int top, int middle, int bottom) {
  const int l = 1, c = 3, r = 5;
  std::string all(strokes);
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find(' ', start);
    if (end == std::string::npos) end = all.size();
    const std::string s = all.substr(start, end - start);
    start = end + 1;
    if (s == "A1") glyph.Line(l, top, c, top);
    if (s == "A2") glyph.Line(c, top, r, top);
    if (s == "B") glyph.Line(r, top, r, middle);
    if (s == "C") glyph.Line(r, middle, r, bottom);
    if (s == "D1") glyph.Line(l, bottom, c, bottom);
    if (s == "D2") glyph.Line(c, bottom, r, bottom);
    if (s == "E") glyph.Line(l, middle, l, bottom);
    if (s == "F") glyph.Line(l, top, l, middle);
    if (s == "G1") glyph.Line(l, middle, c, middle);
    if (s == "G2") glyph.Line(c, middle, r, middle);
    if (s == "H") glyph.Line(l, top, c, middle);
    if (s == "I") glyph.Line(c, top, c, middle);
    if (s == "J") glyph.Line(r, top, c, middle);
    if (s == "K") glyph.Line(c, middle, l, bottom);
    if (s == "L") glyph.Line(c, middle, c, bottom);
    if (s == "M") glyph.Line(c, middle, r, bottom);
    if (s == "P") glyph.Line(l, middle, c, bottom);
    if (s == "Q") glyph.Line(r, middle, c, bottom);
    if (s == ".") glyph.Set(c, bottom);
    if (s == "'") glyph.Set(c, top);
  }
}

const char* StrokesOf(int code) {
  switch (code) {
    case '0': return "A1 A2 B C D1 D2 E F J K";
    case '1': return "A1 I L D1 D2";
    case '2': return "A1 A2 B G1 G2 E D1 D2";
    case '3': return "A1 A2 B C D1 D2 G2";
    case '4': return "F G1 G2 B C";
    case '5': return "A1 A2 F G1 G2 C D1 D2";
    case '6': return "A1 A2 F E D1 D2 C G1 G2";
    case '7': return "A1 A2 J K";
    case '8': return "A1 A2 B C D1 D2 E F G1 G2";
    case '9': return "A1 A2 B C D1 D2 F G1 G2";
    case 'A': return "A1 A2 B C E F G1 G2";
    case 'B': return "A1 A2 B C D1 D2 I L G2";
    case 'C': return "A1 A2 F E D1 D2";
    case 'D': return "A1 A2 B C D1 D2 I L";
    case 'E': return "A1 A2 F E D1 D2 G1";
    case 'F': return "A1 A2 F E G1";
    case 'G': return "A1 A2 F E D1 D2 C G2";
    case 'H': return "F E B C G1 G2";
    case 'I': return "A1 A2 I L D1 D2";
    case 'J': return "B C D1 D2 E";
    case 'K': return "F E G1 J M";
    case 'L': return "F E D1 D2";
    case 'M': return "F E B C H J";
    case 'N': return "F E B C H M";
    case 'O': return "A1 A2 B C D1 D2 E F";
    case 'P': return "A1 A2 B F E G1 G2";
    case 'Q': return "A1 A2 B C D1 D2 E F M";
    case 'R': return "A1 A2 B F E G1 G2 M";
    case 'S': return "A1 A2 H M D1 D2";
    case 'T': return "A1 A2 I L";
    case 'U': return "F E D1 D2 B C";
    case 'V': return "F B P Q";
    case 'W': return "F E B C K M";
    case 'X': return "H J K M";
    case 'Y': return "H J L";
    case 'Z': return "A1 A2 J K D1 D2";
    case '!': return "I .";
    case '"': return "F B";
    case '#': return "I L G1 G2 B C";
    case '$': return "A1 A2 F G1 G2 C D1 D2 I L";
    case '%': return "J K ' .";
    case '&': return "A1 H M D1 E G1";
    case '\'': return "I";
    case '(': return "J M";
    case ')': return "H K";
    case '*': return "H J K M I L";
    case '+': return "G1 G2 I L";
    case ',': return "K";
    case '-': return "G1 G2";
    case '.': return ".";
    case '/': return "J K";
    case ':': return "' .";
    case ';': return "' K";
    case '<': return "J M G1";
    case '=': return "G1 G2 D1 D2";
    case '>': return "H K G2";
    case '?': return "A1 A2 B G2 .";
    case '@': return "A1 A2 B C D1 D2 E F G2 L";
    case '[': return "A2 I L D2";
    case '\\': return "H M";
    case ']': return "A1 I L D1";
    case '^': return "K M";
    case '_': return "D1 D2";
    case '`': return "H";
    case '{': return "A2 I L D2 G1";
    case '|': return "I L";
    case '}': return "A1 I L D1 G2";
    case '~': return "G1 J";
    default: return "";
  }
}

}  // namespace

std::vector<uint8_t> SampleGlyph(int code) {
  Glyph glyph;
  if (code < 32) {
    // Control codes: a frame with the code's five bits as dots inside.
    glyph.Line(0, 1, 6, 1);
    glyph.Line(0, 6, 6, 6);
    glyph.Line(0, 1, 0, 6);
    glyph.Line(6, 1, 6, 6);
    for (int bit = 0; bit < 5; ++bit) {
      if ((code >> bit & 1) != 0) glyph.Set(1 + bit, 3 + bit % 2);
    }
  } else if (code < 127) {
    if (code >= 'a' && code <= 'z') {
      DrawStrokes(glyph, StrokesOf(code - 'a' + 'A'), 2, 4, 6);
    } else {
      DrawStrokes(glyph, StrokesOf(code), 0, 3, 6);
    }
  } else if (code == 127) {
    for (int y = 1; y < 7; ++y) glyph.Line(1, y, 6, y);  // a solid box
  } else if (code < 144) {
    // Block graphics: the four quarters of the cell, one bit each.
    for (int q = 0; q < 4; ++q) {
      if ((code >> q & 1) == 0) continue;
      const int x0 = (q & 1) != 0 ? 0 : 4, y0 = (q & 2) != 0 ? 4 : 0;
      for (int y = y0; y < y0 + 4; ++y) glyph.Line(x0, y, x0 + 3, y);
    }
  } else {
    // Patterns, sixteen of each family.
    const int family = (code - 144) / 16, n = (code - 144) % 16;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        bool on = false;
        switch (family) {
          case 0: on = y % (1 + n % 4) == 0 && y >= n / 4; break;                 // rules
          case 1: on = x % (1 + n % 4) == 0 && x >= n / 4; break;                 // columns
          case 2: on = (x + y + n) % (2 + n % 3) == 0; break;                     // diagonals
          case 3: on = std::abs(std::hypot(x - 3.5, y - 3.5) - n / 4.0) < 0.6; break;  // rings
          case 4: on = ((x / (1 + n % 4)) + (y / (1 + n / 4))) % 2 == 0; break;   // chequers
          case 5: on = x >= 4 - n / 4 && x < 4 + n / 4 && y >= 4 - n % 4 && y < 4 + n % 4; break;  // boxes
          default: on = y >= 7 - (n * 7 + x * 3) % 8 && x % 2 == 0; break;  // bars
        }
        if (on) glyph.Set(x, y);
      }
    }
  }
  return std::vector<uint8_t>(glyph.lines, glyph.lines + 8);
}

Canvas DrawSprite(int kind, int widthCells, int heightCells) {
  Canvas canvas;
  canvas.width = 8 * widthCells;
  canvas.height = 8 * heightCells;
  canvas.colour.assign(static_cast<size_t>(canvas.width) * canvas.height, 0);
  const double w = canvas.width, h = canvas.height;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      uint8_t colour = 0;
      switch (kind) {
        case 0:  // a red ball with a black seam
          if (InDisc(x, y, w / 2 - 0.5, h / 2 - 0.5, w / 2 - 1) &&
              std::abs(std::hypot(x - w * 1.1, y + h * 0.1) - w * 0.75) > 1.2) {
            colour = 10;
          }
          break;
        case 1: {  // a cottage: roof, walls, door and window
          const int roof = canvas.height / 3;
          if (y < roof) {
            if (std::abs(x - w / 2) < (y + 1) * (w / 2) / roof) colour = 2;
          } else {
            colour = 6;
            if (x >= w / 2 - 4 && x < w / 2 + 4 && y >= h - 12) colour = 1;
            if (x >= 3 && x < 9 && y >= roof + 4 && y < roof + 9) colour = 5;
            if (x >= w - 9 && x < w - 3 && y >= roof + 4 && y < roof + 9) colour = 5;
          }
          break;
        }
        case 2: {  // a fir tree of three tiers on a trunk, in one colour
          const double tier = (y % 7) + 2 + 1.5 * (y / 7);
          if (y < h - 3 && std::abs(x - w / 2 + 0.5) < tier * 0.5) colour = 7;
          if (y >= h - 3 && std::abs(x - w / 2 + 0.5) < 1.5) colour = 7;
          break;
        }
        case 3: {  // a steamer: black upper works on the sky, a red hull in the sea
          const double mid = h / 2;
          if (y < mid) {
            const bool cabin = y >= mid - 3 && x >= 5 && x < w - 8;
            const bool bridge = y >= mid - 6 && x >= 8 && x < 16;
            const bool funnel = y >= 1 && x >= 19 && x < 23;
            colour = cabin || bridge || funnel ? 8 : 13;
          } else {
            const double depth = y - mid;
            const bool hull = depth < 5 && x >= depth && x < w - depth * 0.6;
            colour = hull ? 10 : 9;
          }
          break;
        }
        default: {  // a star
          const double a = std::atan2(y - h / 2 + 0.5, x - w / 2 + 0.5);
          const double r = std::hypot(y - h / 2 + 0.5, x - w / 2 + 0.5);
          if (r < (w / 2) * (0.45 + 0.55 * std::pow(std::abs(std::cos(2.5 * a)), 3))) colour = 14;
          break;
        }
      }
      canvas.At(x, y) = colour;
    }
  }
  return canvas;
}

}  // namespace korvel::samples
