#pragma once
// The signal of a tape, as CSW and WAV recordings hold it: pulses, the times
// between two changes of level, in samples. The standard loader's blocks are
// found in them (a pilot tone, two sync pulses, then bits of two pulses each,
// all timed by the tape's own pilot) and read as a TAP's blocks are. Every
// test is in integers, so that the same pulses always give the same blocks;
// the decoder holds the last 256 pilot pulses and the start of the block it
// is decoding, nothing more of the recording.

#include <cstddef>
#include <cstdint>

#include "containers/container.h"
#include "containers/tap.h"

namespace korvel {

// A block found in the pulses.
struct RecordedBlock {
  ByteSpan start;      // its first bytes: all, or TapeScreenFinder::kBlockBytesLookedAt
  size_t size;         // its whole bytes (an unfinished last byte is dropped)
  bool checksumHolds;  // its bytes XOR to 0
};

class TapeSignalDecoder {
 public:
  // A recording of `sampleRate` samples a second (above 0).
  explicit TapeSignalDecoder(uint32_t sampleRate) : rate_(sampleRate) {}

  // Takes the next pulse. True when it ended a block, which Block() gives
  // until the next call.
  bool Pulse(uint32_t samples);
  // The recording has ended. True when it ended a block.
  bool End();
  RecordedBlock Block() const;

 private:
  enum class Step : uint8_t { kPilot, kSync, kFirstOfPair, kSecondOfPair };
  static constexpr size_t kPilotsKept = 256;  // as many as nextPilot_ counts

  void LookForPilot(uint32_t samples);
  bool IsSyncPulse(uint32_t samples) const;
  void AddBit(bool one);
  bool EndBlock();

  uint64_t rate_;
  Step step_ = Step::kPilot;
  uint32_t pilots_[kPilotsKept] = {};
  uint64_t pilotSum_ = 0;     // of the last 256 pilot pulses: S
  uint32_t pilotCount_ = 0;   // c, counted up to 256 only
  uint8_t nextPilot_ = 0;     // where the next pilot pulse goes in `pilots_` (wrapping at 256)
  uint32_t held_ = 0;         // the sync's first pulse p, or a pair's first pulse a
  uint8_t block_[TapeScreenFinder::kBlockBytesLookedAt] = {};
  size_t blockSize_ = 0;
  uint8_t checksum_ = 0;
  unsigned byte_ = 0;  // the bits of the byte being filled, after a leading 1
};

// Screens from a recording's pulses: the decoder's blocks read as a TAP's
// (a block whose checksum is wrong counts as an empty one), numbered from 1.
class RecordedScreens {
 public:
  RecordedScreens(uint32_t sampleRate, ScreenVisitor visit) : decoder_(sampleRate), visit_(visit) {}

  // False when the visitor asked to stop.
  bool Pulse(uint32_t samples) { return !decoder_.Pulse(samples) || HandBlock(); }
  // The recording has ended: kWalked, or kStopped when the visitor asked.
  WalkResult End() { return !decoder_.End() || HandBlock() ? WalkResult::kWalked : WalkResult::kStopped; }

 private:
  bool HandBlock();

  TapeSignalDecoder decoder_;
  TapeScreenFinder finder_;
  ScreenVisitor visit_;
  int number_ = 0;
};

}  // namespace korvel
