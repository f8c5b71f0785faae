#pragma once
// Reading an animated PNG back in the tests, without libpng (which does not
// animate).

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/hobeta_writer.h"

namespace korvel::testing {

struct ApngFrame {
  uint32_t delayNumerator = 0;
  uint32_t delayDenominator = 0;
  std::vector<uint8_t> rgb;
};

struct Apng {
  std::string error;  // empty when it reads
  int width = 0, height = 0, bitDepth = 0, colourType = 0;
  uint32_t frameCount = 0, plays = 0;
  std::vector<std::string> chunkOrder;
  std::vector<ApngFrame> frames;  // from the fcTL chunks; a plain PNG has none
};

// Every chunk's CRC, fcTL and fdAT numbered 0, 1, 2... in turn, every frame
// whole at 0,0 (dispose none, blend source); `error` says what failed.
Apng ReadApng(const Bytes& file);

}  // namespace korvel::testing
