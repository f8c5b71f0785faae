// Packed samples: LCMP5- and HR-packed pictures, Hobeta-wrapped.

#include "samples/sample_set.h"
#include "tests/support/hobeta_writer.h"
#include "tests/support/hr_writer.h"
#include "tests/support/lcmp5_writer.h"

namespace korvel::samples {

void AddPackedSamples(std::vector<Sample>& samples) {
  const Bytes screen = EncodeStandardScreen(DrawLandscape());
  samples.push_back({"landscape-lcmp5.$c", testing::WrapHobetaAs(testing::PackLcmp5Screen(screen), 'C'),
                     "LCMP5-packed standard screen, Hobeta-wrapped"});

  // Three-colour screens go in a 'Y' file loaded at 0xB800.
  const Bytes town = EncodeChannelBitmaps(DrawRainbowTown(), {0, 1, 2}, false);
  samples.push_back({"town-hr.$y", testing::WrapHobetaAs(testing::HrThreeColourData(testing::PackHr(town)), 'Y', 0xB800),
                     "HR-packed three-colour screen, Hobeta-wrapped"});

  Bytes sunset = EncodeStandardScreen(DrawSunset(0));
  const Bytes second = EncodeStandardScreen(DrawSunset(1));
  sunset.insert(sunset.end(), second.begin(), second.end());
  samples.push_back({"sunset-hr.$c", testing::WrapHobetaAs(testing::HrGigascreenData(testing::PackHr(sunset)), 'C'),
                     "HR-packed gigascreen, Hobeta-wrapped"});
}

}  // namespace korvel::samples
