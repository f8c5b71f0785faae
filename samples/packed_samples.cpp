// Packed samples: LCMP5- and HR-packed pictures, Hobeta-wrapped.

#include "samples/sample_set.h"

namespace korvel::samples {

void AddPackedSamples(std::vector<Sample>&) {}

}  // namespace korvel::samples
