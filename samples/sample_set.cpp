#include "samples/sample_set.h"

namespace korvel::samples {

std::vector<Sample> SampleSet() {
  std::vector<Sample> samples;
  AddScreenSamples(samples);
  AddPackedSamples(samples);
  AddExtraSamples(samples);
  AddContainerSamples(samples);
  return samples;
}

}  // namespace korvel::samples
