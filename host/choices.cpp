#include "host/choices.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "korvel/korvel.h"

namespace korvel::host {

namespace {

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\f\v");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\f\v") - first + 1);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// #RRGGBB, or three decimal numbers 0-255 apart.
bool ParseColour(const std::string& text, uint8_t rgb[3]) {
  if (text[0] == '#') {
    if (text.size() != 7) return false;
    for (int i = 0; i < 3; ++i) {
      const int high = HexDigit(text[1 + 2 * i]), low = HexDigit(text[2 + 2 * i]);
      if (high < 0 || low < 0) return false;
      rgb[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
  }
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    unsigned value = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4; ++at, ++digits) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    if (i < 2 && (at == text.size() || (text[at] != ' ' && text[at] != '\t'))) return false;
    rgb[i] = static_cast<uint8_t>(value);
  }
  return at == text.size();
}

PaletteColours PlainPalette(uint8_t level) {
  PaletteColours palette = {};
  for (int colour = 1; colour < 16; ++colour) {
    if (colour == 8) continue;  // bright black stays black
    const uint8_t on = colour < 8 ? level : 0xFF;
    uint8_t* rgb = palette.data() + 3 * colour;
    rgb[0] = (colour & 2) ? on : 0;  // red
    rgb[1] = (colour & 4) ? on : 0;  // green
    rgb[2] = (colour & 1) ? on : 0;  // blue
  }
  return palette;
}

}  // namespace

bool ParsePaletteText(const std::string& text, PaletteColours& palette, std::string& error) {
  palette = {};
  int colours = 0;
  int line = 0;
  for (size_t start = 0; start <= text.size(); ++line) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string content = text.substr(start, end - start);
    start = end + 1;
    content = Trim(content.substr(0, std::min(content.find(';'), content.find("//"))));
    if (content.empty()) continue;
    uint8_t rgb[3];
    if (!ParseColour(content, rgb)) {
      error = "line " + std::to_string(line + 1) + ": not a colour (write #RRGGBB or R G B, each 0-255)";
      return false;
    }
    if (colours == 16) {
      error = "line " + std::to_string(line + 1) + ": a 17th colour; a palette has 16 (colours 0-7, then bright 0-7)";
      return false;
    }
    std::copy(rgb, rgb + 3, palette.begin() + 3 * colours++);
  }
  if (colours < 15) {
    error = std::to_string(colours) + " colours; a palette has 16 (colours 0-7, then bright 0-7), or 15 "
                                      "when bright black is black";
    return false;
  }
  return true;
}

PaletteChoice ChoosePalette(const std::string& nameOrFile, PaletteColours& palette, std::string& error) {
  if (nameOrFile == "default") return PaletteChoice::kDefault;
  static const struct {
    const char* name;
    uint8_t level;
  } kPlain[] = {{"192", 192}, {"205", 205}, {"215", 215}, {"224", 224}, {"170", 170}};
  for (const auto& plain : kPlain) {
    if (nameOrFile == plain.name) {
      palette = PlainPalette(plain.level);
      return PaletteChoice::kChosen;
    }
  }
  std::ifstream file(nameOrFile, std::ios::binary);
  if (!file) {
    error = "--palette wants default, 192, 205, 215, 224, 170 or a palette file, not '" + nameOrFile + "'";
    return PaletteChoice::kUnknown;
  }
  // One byte past the limit tells a file over it, and no more is read.
  std::string text(kMaxPaletteFileBytes + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(file.gcount()));
  if (text.size() > kMaxPaletteFileBytes) {
    error = "palette " + nameOrFile + ": over 64 KiB, too large for a palette file";
    return PaletteChoice::kBadFile;
  }
  if (!ParsePaletteText(text, palette, error)) {
    error = "palette " + nameOrFile + ": " + error;
    return PaletteChoice::kBadFile;
  }
  return PaletteChoice::kChosen;
}

bool ParseGigascreen(const std::string& text, int& mode) {
  if (text == "blend") mode = KORVEL_GIGASCREEN_BLEND;
  else if (text == "linear") mode = KORVEL_GIGASCREEN_LINEAR;
  else if (text == "flicker") mode = KORVEL_GIGASCREEN_FLICKER;
  else return false;
  return true;
}

bool ParseBorder(const std::string& text, int& border) {
  if (text == "none") border = KORVEL_BORDER_NONE;
  else if (text == "small") border = KORVEL_BORDER_SMALL;
  else if (text == "medium") border = KORVEL_BORDER_MEDIUM;
  else if (text == "full") border = KORVEL_BORDER_FULL;
  else return false;
  return true;
}

bool ParseBorderColour(const std::string& text, int& colour) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '7') return false;
  colour = text[0] - '0';
  return true;
}

bool ParseScale(const std::string& text, uint32_t& scale) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '8') return false;
  scale = static_cast<uint32_t>(text[0] - '0');
  return true;
}

}  // namespace korvel::host
