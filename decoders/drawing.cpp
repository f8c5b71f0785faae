#include "decoders/drawing.h"

#include <cmath>

namespace korvel {

void BuildAttributeRuns(const Rgb* palette, int phase, AttributeRuns* runs) {
  for (int a = 0; a < 256; ++a) {
    const uint8_t attribute = static_cast<uint8_t>(a);
    const bool swapped = phase == 1 && (attribute & 0x80) != 0;
    const Rgb ink = palette[InkIndex(attribute)];
    const Rgb paper = palette[PaperIndex(attribute)];
    runs[a] = swapped ? RunsOf(paper, ink) : RunsOf(ink, paper);
  }
}

namespace {

// The sRGB transfer curves, in double precision.
double Decoded(int byte) {
  const double c = byte / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

uint8_t Encoded(double linear) {
  const double e = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return static_cast<uint8_t>(std::floor(255 * e + 0.5));
}

}  // namespace

void BuildLinearMeans(uint8_t* means) {
  double linear[256];
  for (int i = 0; i < 256; ++i) linear[i] = Decoded(i);
  for (int x = 0; x < 256; ++x) {
    for (int y = x; y < 256; ++y) {
      means[256 * x + y] = means[256 * y + x] = Encoded((linear[x] + linear[y]) / 2);
    }
  }
}

}  // namespace korvel
