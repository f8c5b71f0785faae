#pragma once
// The user's drawing choices (palette, gigascreen mode, border, scale), read
// from the command line and handed to the library as korvel_options.

#include <array>
#include <cstdint>
#include <string>

namespace korvel::host {

using PaletteColours = std::array<uint8_t, 48>;  // RGB of colours 0-7, then bright 0-7

struct PictureChoices {
  bool paletteChosen = false;  // false: the library's own palette
  PaletteColours palette = {};
  int gigascreen = 0;    // KORVEL_GIGASCREEN_...
  int border = 0;        // KORVEL_BORDER_...
  int borderColour = 0;  // 0-7
  uint32_t scale = 0;    // 0 or 1-8
  bool everyFrame = false;  // copy every frame of a picture that moves, not only the first
};

// A palette file is refused past this size without being read further.
constexpr size_t kMaxPaletteFileBytes = 64 * 1024;

// The colours of a palette file's text: 16 lines #RRGGBB or R G B (15: bright
// black is black), ';' or '//' to the end of a line a comment, blank lines
// skipped. False with `error` naming the line (counting every line).
bool ParsePaletteText(const std::string& text, PaletteColours& palette, std::string& error);

enum class PaletteChoice { kChosen, kDefault, kUnknown, kBadFile };

// `default`, a plain palette (192, 205, 215, 224, 170: a lit channel at that
// level, 255 bright) or a file; a name wins over a file of the same name.
PaletteChoice ChoosePalette(const std::string& nameOrFile, PaletteColours& palette, std::string& error);

// Each false when `text` is not one of the values; the value is left alone.
bool ParseGigascreen(const std::string& text, int& mode);
bool ParseBorder(const std::string& text, int& border);
bool ParseBorderColour(const std::string& text, int& colour);
bool ParseScale(const std::string& text, uint32_t& scale);

}  // namespace korvel::host
