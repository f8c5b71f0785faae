#pragma once
// Test-only writers of tape recordings: the standard loader's signal for
// tape blocks (pulses in T-states at the nominal timings), those pulses
// sampled at a rate with the tape running fast, slow or drifting, and the
// samples as CSW (versions 1 and 2, plain or zlib) and WAV files (8 or 16
// bits, several channels, an offset, noise).

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/container_writer.h"

namespace korvel::testing {

using Pulses = std::vector<uint32_t>;

// The pulses of one tape block as the standard loader saves it: the pilot
// (8063 pulses of 2168 T before a header, 3223 before data), the sync (667
// and 735 T), two pulses a bit (855 T for a 0, 1710 T for a 1), most
// significant bit first.
Pulses BlockPulses(const Bytes& block);

// Tape blocks one after the other, each after a pause of `pauseT` T-states
// (one pulse: the level does not change).
Pulses TapePulses(const std::vector<Bytes>& blocks, uint32_t pauseT = 3500000);

// How the tape ran past the recorder.
struct Sampling {
  uint32_t rate = 44100;
  double speed = 1.0;  // 1.03: 3% fast, every pulse shorter
  double drift = 0;    // the speed changes by this much (relative) from the start to the end
};

// Pulses in T-states as pulses in samples: each edge at the sample nearest
// its time, so the lengths keep their sum.
Pulses SamplePulses(const Pulses& tStates, const Sampling& sampling);

// The run-length code of CSW files: a pulse of 1 to 255 samples as one byte,
// longer ones (and 0) as a 0 byte and a 4-byte length.
Bytes CswRunLengths(const Pulses& samples);

struct CswOptions {
  int version = 2;
  bool zlib = true;          // version 2 only
  uint32_t rate = 44100;     // version 1 keeps the low 16 bits
  Bytes extension = {};      // version 2's header extension
};
Bytes CswFile(const Pulses& samples, const CswOptions& options);

// A RIFF chunk: the ID, a length (the body's, unless given), the body and
// its pad byte when the body's length is odd.
Bytes RiffChunk(const std::string& id, const Bytes& body, int64_t lengthField = -1);

// `RIFF`, a size, `WAVE`, then these chunks as they are.
Bytes RiffWave(const std::vector<Bytes>& chunks);

struct WavOptions {
  uint32_t rate = 44100;
  uint16_t bits = 16;
  uint16_t channels = 1;
  bool extensible = false;  // format 0xFFFE, PCM sub-format
  int amplitude = 12000;    // of the square wave, in 16-bit units
  int offset = 0;           // added to every sample
  int noise = 0;            // every sample moves by up to this much, either way
  int leadIn = 2000;        // samples of one level before the first edge
};

// The body of a `fmt ` chunk for these options.
Bytes WavFormatBody(const WavOptions& options);

// The samples of a square wave that changes level after each pulse: the
// first channel carries it, the others its inverse (so reading the wrong one
// would show), every frame laid out as `options` says.
Bytes WavSamples(const Pulses& samples, const WavOptions& options);

// A whole WAV file: a `fmt ` chunk and a `data` chunk of those samples.
Bytes WavFile(const Pulses& samples, const WavOptions& options);

}  // namespace korvel::testing
