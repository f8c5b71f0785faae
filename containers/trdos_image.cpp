#include "containers/trdos_image.h"

#include <cstring>

namespace korvel {

bool TrdosImage::Wants(unsigned track, unsigned r, unsigned sizeCode) const {
  return image_.size() != 0 && track < kTrdosImageTracks && r >= 1 && r <= 16 && sizeCode == 1 &&
         (filled_[track] & (1u << (r - 1))) == 0;
}

void TrdosImage::HoldTracks(unsigned tracks) {
  if (tracks > kTrdosImageTracks) tracks = kTrdosImageTracks;
  if (tracks > tracks_) tracks_ = tracks;
}

void TrdosImage::Put(unsigned track, unsigned r, unsigned sizeCode, const uint8_t* data) {
  if (!Wants(track, r, sizeCode)) return;
  filled_[track] = static_cast<uint16_t>(filled_[track] | 1u << (r - 1));
  const size_t offset = track * kTrdosTrackBytes + (r - 1) * 256;
  if (offset + 256 <= image_.size()) std::memcpy(image_.data() + offset, data, 256);
}

ByteSpan TrdosImage::Image() const { return size() <= image_.size() ? ByteSpan(image_.data(), size()) : ByteSpan(); }

}  // namespace korvel
