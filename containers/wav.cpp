#include "containers/wav.h"

#include <cstring>

#include "containers/tape_signal.h"

namespace korvel {

namespace {

constexpr size_t kRiffHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kFormatBytes = 16;
constexpr size_t kExtensibleFormatBytes = 26;  // up to the sub-format's first word
constexpr uint16_t kPcm = 1;
constexpr uint16_t kExtensible = 0xFFFE;

struct Format {
  uint32_t rate;
  uint16_t frameBytes;  // the block alignment: every channel's sample
  bool sixteenBits;
};

bool Is(const uint8_t* bytes, const char* text) { return memcmp(bytes, text, 4) == 0; }

// The `fmt ` chunk's body of `length` bytes, which lie in the file.
bool ReadFormat(ByteStream& file, uint32_t length, Format& format) {
  if (length < kFormatBytes) return false;
  const size_t read = length < kExtensibleFormatBytes ? length : kExtensibleFormatBytes;
  const uint8_t* body = file.Take(read);
  const uint16_t kind = static_cast<uint16_t>(LittleEndian(body, 2));
  if (kind == kExtensible) {
    if (read < kExtensibleFormatBytes || LittleEndian(body + 24, 2) != kPcm) return false;
  } else if (kind != kPcm) {
    return false;
  }
  const uint32_t channels = LittleEndian(body + 2, 2);
  const uint32_t bits = LittleEndian(body + 14, 2);
  format.rate = LittleEndian(body + 4, 4);
  format.frameBytes = static_cast<uint16_t>(LittleEndian(body + 12, 2));
  format.sixteenBits = bits == 16;
  return channels >= 1 && format.rate != 0 && (bits == 8 || bits == 16) &&
         format.frameBytes == channels * (bits / 8) && file.Skip(length - read);
}

// The first channel's samples, made into levels with a running middle and
// peak (all in integers, rounding down), and the levels into pulses.
WalkResult WalkSamples(ByteStream& file, const Format& format, uint64_t frames, ScreenVisitor visit) {
  RecordedScreens screens(format.rate, visit);
  int64_t sum = 0;   // M: 512 times the signal's middle, as it follows the signal
  int64_t peak = 0;  // E: falls slowly between loud samples
  int level = 0;     // 1 high, -1 low, 0 not decided yet
  bool edgeSeen = false;
  uint64_t lastEdge = 0;
  for (uint64_t frame = 0; frame < frames; ++frame) {
    const uint8_t* bytes = file.Take(format.frameBytes);
    if (bytes == nullptr) break;  // a failed read ends the recording
    const int64_t sample = format.sixteenBits ? int64_t{static_cast<int16_t>(bytes[0] | bytes[1] << 8)}
                                              : (int64_t{bytes[0]} - 128) * 256;
    const int64_t difference = sample - (sum >> 9);  // >> rounds down: floor(M / 512)
    sum += difference;
    const int64_t size = difference < 0 ? -difference : difference;
    peak = size > peak ? size : peak - (peak >> 10);
    const int64_t hysteresis = peak >> 2 > 512 ? peak >> 2 : 512;
    const int now = difference >= hysteresis ? 1 : difference <= -hysteresis ? -1 : level;
    if (now == level) continue;
    level = now;
    if (edgeSeen) {
      const uint64_t samples = frame - lastEdge;
      if (!screens.Pulse(samples < UINT32_MAX ? static_cast<uint32_t>(samples) : UINT32_MAX)) {
        return WalkResult::kStopped;
      }
    }
    edgeSeen = true;
    lastEdge = frame;
  }
  return screens.End();
}

}  // namespace

WalkResult WalkWavScreens(ByteStream& file, ScreenVisitor visit) {
  const uint8_t* riff = file.Take(kRiffHeaderBytes);
  if (riff == nullptr || !Is(riff, "RIFF") || !Is(riff + 8, "WAVE")) return WalkResult::kBroken;
  Format format = {};
  bool formatRead = false;
  for (;;) {
    const uint8_t* header = file.Take(kChunkHeaderBytes);
    if (header == nullptr) return WalkResult::kBroken;  // the chunks end before the data
    const uint32_t length = LittleEndian(header + 4, 4);
    if (Is(header, "data")) {
      if (!formatRead) return WalkResult::kBroken;
      // A streamed recording's length is 0 or 0xFFFFFFFF; a cut one's runs past the end.
      const uint64_t bytes = length != 0 && length < file.Left() ? length : file.Left();
      return WalkSamples(file, format, bytes / format.frameBytes, visit);
    }
    if (length > file.Left()) return WalkResult::kBroken;
    if (Is(header, "fmt ") && !formatRead) {
      if (!ReadFormat(file, length, format)) return WalkResult::kBroken;
      formatRead = true;
    } else {
      file.Skip(length);
    }
    if ((length & 1) != 0) file.Skip(1);  // the pad byte (missing at the end: the next header fails)
  }
}

}  // namespace korvel
