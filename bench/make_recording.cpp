// Writes the benchmarks' 48K game tape (a BASIC loader, a loading screen,
// 38 000 bytes of code; its loader and screen alone when SECONDS is too
// short for the game) as a recording of SECONDS seconds, for timing and
// measuring the host on long recordings: a WAV file of 16-bit samples at
// 44.1 kHz, one channel, or a CSW file of the same pulses (by FILE's name).
//
// usage: make_recording SECONDS FILE.wav|FILE.csw

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_inputs.h"

int main(int argc, char** argv) {
  const std::string file = argc == 3 ? argv[2] : "";
  const double seconds = argc == 3 ? std::atof(argv[1]) : 0;
  const bool csw = file.size() > 4 && file.compare(file.size() - 4, 4, ".csw") == 0;
  const bool wav = file.size() > 4 && file.compare(file.size() - 4, 4, ".wav") == 0;
  if (seconds <= 0 || (!csw && !wav)) {
    std::fprintf(stderr, "usage: make_recording SECONDS FILE.wav|FILE.csw\n");
    return 2;
  }
  const korvel::bench::Bytes bytes =
      csw ? korvel::bench::GameCswRecording(seconds) : korvel::bench::GameWavRecording(seconds);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "make_recording: cannot write %s\n", file.c_str());
    return 1;
  }
  return 0;
}
