#include "tests/support/recording_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace korvel::testing {

namespace {

constexpr double kTStatesPerSecond = 3500000;

void Put(Bytes& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

}  // namespace

Pulses BlockPulses(const Bytes& block) {
  Pulses pulses(!block.empty() && block[0] < 0x80 ? 8063 : 3223, 2168);
  pulses.push_back(667);
  pulses.push_back(735);
  for (uint8_t byte : block) {
    for (int bit = 7; bit >= 0; --bit) {
      const uint32_t half = (byte >> bit & 1) != 0 ? 1710 : 855;
      pulses.insert(pulses.end(), {half, half});
    }
  }
  return pulses;
}

Pulses TapePulses(const std::vector<Bytes>& blocks, uint32_t pauseT) {
  Pulses pulses;
  for (const Bytes& block : blocks) {
    const Pulses one = BlockPulses(block);
    pulses.insert(pulses.end(), one.begin(), one.end());
    pulses.push_back(pauseT);
  }
  return pulses;
}

Pulses SamplePulses(const Pulses& tStates, const Sampling& sampling) {
  Pulses samples;
  double time = 0;  // in samples
  long last = 0;
  for (size_t i = 0; i < tStates.size(); ++i) {
    const double speed = sampling.speed * (1 + sampling.drift * static_cast<double>(i) / static_cast<double>(tStates.size()));
    time += tStates[i] * sampling.rate / kTStatesPerSecond / speed;
    const long edge = std::lround(time);
    samples.push_back(static_cast<uint32_t>(edge - last));
    last = edge;
  }
  return samples;
}

Bytes CswRunLengths(const Pulses& samples) {
  Bytes out;
  for (uint32_t pulse : samples) {
    if (pulse >= 1 && pulse <= 255) {
      out.push_back(static_cast<uint8_t>(pulse));
    } else {
      out.push_back(0);
      Put(out, pulse, 4);
    }
  }
  return out;
}

Bytes CswFile(const Pulses& samples, const CswOptions& options) {
  const std::string signature = "Compressed Square Wave\x1A";
  Bytes file(signature.begin(), signature.end());
  file.push_back(static_cast<uint8_t>(options.version));
  file.push_back(options.version == 1 ? 1 : 0);  // minor version
  Bytes data = CswRunLengths(samples);
  if (options.version == 1) {
    Put(file, options.rate & 0xFFFF, 2);
    file.push_back(1);  // RLE
    Put(file, 0, 4);    // flags, reserved
  } else {
    Put(file, options.rate, 4);
    Put(file, samples.size(), 4);
    file.push_back(options.zlib ? 2 : 1);
    file.push_back(0);  // flags
    file.push_back(static_cast<uint8_t>(options.extension.size()));
    const std::string program = "korvel tests";
    Bytes name(16, 0);
    std::copy(program.begin(), program.end(), name.begin());
    Append(file, name);
    Append(file, options.extension);
    if (options.zlib) {
      uLongf size = compressBound(static_cast<uLong>(data.size()));
      Bytes packed(size);
      compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()), 9);
      packed.resize(size);
      data = packed;
    }
  }
  Append(file, data);
  return file;
}

Bytes RiffChunk(const std::string& id, const Bytes& body, int64_t lengthField) {
  Bytes chunk(id.begin(), id.end());
  Put(chunk, lengthField >= 0 ? static_cast<uint64_t>(lengthField) : body.size(), 4);
  Append(chunk, body);
  if (body.size() % 2 == 1) chunk.push_back(0);
  return chunk;
}

Bytes RiffWave(const std::vector<Bytes>& chunks) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes& chunk : chunks) Append(body, chunk);
  Bytes file = {'R', 'I', 'F', 'F'};
  Put(file, body.size(), 4);
  Append(file, body);
  return file;
}

Bytes WavFormatBody(const WavOptions& options) {
  const unsigned frameBytes = options.channels * (options.bits / 8u);
  Bytes body;
  Put(body, options.extensible ? 0xFFFE : 1, 2);
  Put(body, options.channels, 2);
  Put(body, options.rate, 4);
  Put(body, uint64_t{options.rate} * frameBytes, 4);
  Put(body, frameBytes, 2);
  Put(body, options.bits, 2);
  if (options.extensible) {
    Put(body, 22, 2);            // extension size
    Put(body, options.bits, 2);  // valid bits
    Put(body, 4, 4);             // channel mask
    const uint8_t pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    body.insert(body.end(), pcm, pcm + 16);
  }
  return body;
}

Bytes WavSamples(const Pulses& samples, const WavOptions& options) {
  Bytes out;
  uint32_t noiseState = 12345;
  auto put = [&](int value) {
    if (options.noise != 0) {
      noiseState = noiseState * 1103515245 + 12345;
      value += static_cast<int>(noiseState >> 16) % (2 * options.noise + 1) - options.noise;
    }
    value = std::clamp(value, -32768, 32767);
    if (options.bits == 8) {
      out.push_back(static_cast<uint8_t>((value >> 8) + 128));
    } else {
      Put(out, static_cast<uint16_t>(value), 2);
    }
  };
  auto frame = [&](int level) {
    put(options.offset + level * options.amplitude);
    for (unsigned c = 1; c < options.channels; ++c) put(options.offset - level * options.amplitude);
  };
  int level = -1;
  for (int i = 0; i < options.leadIn; ++i) frame(level);
  for (uint32_t pulse : samples) {
    level = -level;
    for (uint32_t i = 0; i < pulse; ++i) frame(level);
  }
  return out;
}

Bytes WavFile(const Pulses& samples, const WavOptions& options) {
  return RiffWave({RiffChunk("fmt ", WavFormatBody(options)), RiffChunk("data", WavSamples(samples, options))});
}

}  // namespace korvel::testing
