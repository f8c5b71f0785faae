// Unpacked samples: raw files recognised by their size, and Hobeta-wrapped
// ones.

#include "samples/sample_set.h"
#include "tests/support/hobeta_writer.h"

namespace korvel::samples {

namespace {

Bytes Wrap(const Bytes& data, uint8_t type, uint16_t start = 0x4000) {
  testing::HobetaFields fields;
  fields.type = type;
  fields.start = start;
  return testing::WrapHobeta(data, fields);
}

}  // namespace

void AddScreenSamples(std::vector<Sample>& samples) {
  const Bytes screen = EncodeStandardScreen(DrawLandscape());
  samples.push_back({"landscape.scr", screen, "standard screen, raw"});
  samples.push_back({"landscape.$s", Wrap(screen, 'C'), "standard screen, Hobeta-wrapped"});
  const Bytes bitmap(screen.begin(), screen.begin() + 6144);
  samples.push_back({"landscape-bitmap.scr", bitmap, "bitmap-only screen, raw"});
  samples.push_back({"landscape-bitmap.$s", Wrap(bitmap, 'C'), "bitmap-only screen, Hobeta-wrapped"});
}

}  // namespace korvel::samples
