#include "containers/tape_signal.h"

namespace korvel {

namespace {

constexpr uint64_t kTStatesPerSecond = 3500000;
// The pilot's nominal 2168 T, 256 times: the sum of 256 pilot pulses S stands
// for it, so everything after the pilot is timed by the tape's own speed.
constexpr uint64_t kNominalPilotSum = 256 * 2168;

}  // namespace

void TapeSignalDecoder::LookForPilot(uint32_t samples) {
  // From 1500 to 3000 T: samples * 3500000 / rate T.
  const uint64_t time = uint64_t{samples} * kTStatesPerSecond;
  if (1500 * rate_ <= time && time <= 3000 * rate_) {
    pilotSum_ = pilotSum_ - pilots_[nextPilot_] + samples;
    pilots_[nextPilot_++] = samples;
    if (pilotCount_ < kPilotsKept) ++pilotCount_;
    return;
  }
  if (pilotCount_ >= kPilotsKept) {
    held_ = samples;  // tried as the sync with the pulse after it
    step_ = Step::kSync;
    return;
  }
  pilotCount_ = 0;
}

bool TapeSignalDecoder::IsSyncPulse(uint32_t samples) const {
  const uint64_t scaled = kNominalPilotSum * samples;
  return 200 * pilotSum_ <= scaled && scaled <= 1100 * pilotSum_;
}

void TapeSignalDecoder::AddBit(bool one) {
  byte_ = byte_ << 1 | (one ? 1 : 0);
  if (byte_ < 0x100) return;
  const uint8_t byte = static_cast<uint8_t>(byte_);
  if (blockSize_ < sizeof block_) block_[blockSize_] = byte;
  ++blockSize_;
  checksum_ ^= byte;
  byte_ = 1;
}

bool TapeSignalDecoder::EndBlock() {
  step_ = Step::kPilot;
  pilotCount_ = 0;
  return blockSize_ != 0;  // a block of no whole byte is no block
}

bool TapeSignalDecoder::Pulse(uint32_t samples) {
  switch (step_) {
    case Step::kPilot: LookForPilot(samples); return false;
    case Step::kSync:
      if (IsSyncPulse(held_) && IsSyncPulse(samples)) {
        step_ = Step::kFirstOfPair;
        blockSize_ = 0;
        checksum_ = 0;
        byte_ = 1;
        return false;
      }
      step_ = Step::kPilot;
      pilotCount_ = 0;
      LookForPilot(samples);  // the pulse after p is looked at again
      return false;
    case Step::kFirstOfPair:
      held_ = samples;
      step_ = Step::kSecondOfPair;
      return false;
    case Step::kSecondOfPair: {
      const uint64_t scaled = kNominalPilotSum * (uint64_t{held_} + samples);
      if (1000 * pilotSum_ <= scaled && scaled <= 4000 * pilotSum_) {
        AddBit(scaled >= 2565 * pilotSum_);
        step_ = Step::kFirstOfPair;
        return false;
      }
      // Not a bit: the block ends, and the search goes on from the pair's
      // first pulse.
      const bool ended = EndBlock();
      LookForPilot(held_);
      LookForPilot(samples);
      return ended;
    }
  }
  return false;
}

bool TapeSignalDecoder::End() {
  const bool decoding = step_ == Step::kFirstOfPair || step_ == Step::kSecondOfPair;
  step_ = Step::kPilot;
  pilotCount_ = 0;
  return decoding && EndBlock();
}

RecordedBlock TapeSignalDecoder::Block() const {
  const size_t kept = blockSize_ < sizeof block_ ? blockSize_ : sizeof block_;
  return {ByteSpan(block_, kept), blockSize_, checksum_ == 0};
}

bool RecordedScreens::HandBlock() {
  const RecordedBlock block = decoder_.Block();
  // A block spoiled by a dropout or noise is a tape block that is neither a
  // header nor a screen.
  const ByteSpan screen = block.checksumHolds ? finder_.Next(block.start, block.size) : finder_.Next(ByteSpan());
  return screen.size() == 0 || visit_(ContainerScreen{ScreenKind::kStandard, screen, ++number_});
}

}  // namespace korvel
