#pragma once
// The sample set, as bytes: every sample file with its name. The generator
// writes them; the tests check the committed samples against them.

#include <string>
#include <vector>

#include "samples/zx_canvas.h"

namespace korvel::samples {

struct Sample {
  std::string fileName;
  Bytes bytes;
  std::string description;  // what kind of picture it is
};

std::vector<Sample> SampleSet();

// Parts of the set, each in its own file.
void AddScreenSamples(std::vector<Sample>& samples);
void AddPackedSamples(std::vector<Sample>& samples);
void AddExtraSamples(std::vector<Sample>& samples);
void AddContainerSamples(std::vector<Sample>& samples);

}  // namespace korvel::samples
