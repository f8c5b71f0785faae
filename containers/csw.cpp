#include "containers/csw.h"

#include <cstring>

#include "containers/tape_signal.h"
#include "platform/inflate.h"

namespace korvel {

namespace {

constexpr char kSignature[] = "Compressed Square Wave\x1A";
constexpr size_t kSignatureBytes = sizeof kSignature - 1;
constexpr size_t kVersion1HeaderBytes = 0x20;
constexpr size_t kVersion2HeaderBytes = 0x34;  // before its extension
constexpr uint8_t kRunLength = 1;
constexpr uint8_t kZlibRunLength = 2;
constexpr size_t kInputPiece = 16384;

// The run-length code, a byte at a time.
class PulseLengths {
 public:
  // Whether `byte` completes a pulse, and its length.
  bool Take(uint8_t byte, uint32_t& samples) {
    if (longBytesDue_ == 0) {
      if (byte == 0) {
        longBytesDue_ = 4;
        long_ = 0;
        return false;
      }
      samples = byte;
      return true;
    }
    long_ |= uint32_t{byte} << (8 * (4 - longBytesDue_));
    if (--longBytesDue_ != 0) return false;
    samples = long_;
    return true;
  }

 private:
  unsigned longBytesDue_ = 0;  // a 0 byte with fewer than 4 after it makes no pulse
  uint32_t long_ = 0;
};

// The pulses of `bytes`, in order; false when the visitor asked to stop.
bool TakePulses(ByteSpan bytes, PulseLengths& lengths, RecordedScreens& screens) {
  const uint8_t* data = bytes.Peek(0, bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint32_t samples;
    if (lengths.Take(data[i], samples) && !screens.Pulse(samples)) return false;
  }
  return true;
}

WalkResult WalkStoredPulses(ByteStream& file, RecordedScreens& screens) {
  PulseLengths lengths;
  for (ByteSpan piece; (piece = file.Some(kInputPiece)).size() != 0;) {
    if (!TakePulses(piece, lengths, screens)) return WalkResult::kStopped;
  }
  return screens.End();
}

// The zlib stream from here on, inflated a piece at a time into `work`, read
// as far as it goes.
WalkResult WalkInflatedPulses(ByteStream& file, MutableByteSpan work, RecordedScreens& screens) {
  platform::Inflater* inflater = platform::BeginInflate();
  if (inflater == nullptr) return WalkResult::kOutOfMemory;
  PulseLengths lengths;
  ByteSpan input;
  size_t used = 0;
  WalkResult result = WalkResult::kWalked;
  for (;;) {
    // With the file used up the inflater is still asked, with no input, for
    // what it holds: an inflate may take input ahead of the room it is given.
    // The pulses end when it makes nothing more.
    if (used == input.size()) {
      input = file.Some(kInputPiece);
      used = 0;
    }
    size_t consumed = 0;
    size_t produced = 0;
    const platform::InflateStatus status = platform::InflateSome(
        inflater, input.Peek(used, input.size() - used), input.size() - used, &consumed, work.data(), work.size(),
        &produced);
    used += consumed;
    if (status == platform::InflateStatus::kOutOfMemory) {
      result = WalkResult::kOutOfMemory;
      break;
    }
    if (!TakePulses(ByteSpan(work.data(), produced), lengths, screens)) {
      result = WalkResult::kStopped;
      break;
    }
    if (status != platform::InflateStatus::kGoingOn || (consumed == 0 && produced == 0)) break;
  }
  platform::EndInflate(inflater);
  return result == WalkResult::kWalked ? screens.End() : result;
}

}  // namespace

WalkResult WalkCswScreens(ByteStream& file, MutableByteSpan work, ScreenVisitor visit) {
  // Copied out: a later read may move the stream's window.
  uint8_t header[kVersion2HeaderBytes];
  const uint8_t* start = file.Take(kVersion1HeaderBytes);
  if (start == nullptr || memcmp(start, kSignature, kSignatureBytes) != 0) return WalkResult::kBroken;
  memcpy(header, start, kVersion1HeaderBytes);
  const uint8_t major = header[0x17];
  uint32_t rate = 0;
  uint8_t compression = 0;
  if (major == 1) {
    rate = LittleEndian(header + 0x19, 2);
    compression = header[0x1B];
    if (compression != kRunLength) return WalkResult::kBroken;
  } else if (major == 2) {
    const uint8_t* rest = file.Take(kVersion2HeaderBytes - kVersion1HeaderBytes);
    if (rest == nullptr) return WalkResult::kBroken;
    memcpy(header + kVersion1HeaderBytes, rest, kVersion2HeaderBytes - kVersion1HeaderBytes);
    rate = LittleEndian(header + 0x19, 4);
    compression = header[0x21];
    if (compression != kRunLength && compression != kZlibRunLength) return WalkResult::kBroken;
    if (!file.Skip(header[0x23])) return WalkResult::kBroken;  // the header extension
  } else {
    return WalkResult::kBroken;
  }
  if (rate == 0) return WalkResult::kBroken;

  RecordedScreens screens(rate, visit);
  return compression == kZlibRunLength ? WalkInflatedPulses(file, work, screens) : WalkStoredPulses(file, screens);
}

}  // namespace korvel
