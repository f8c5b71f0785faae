#pragma once
// TR-DOS images made from the sectors of other disk-image files (FDI, UDI,
// TD0), so that they are read exactly as a .trd image is. Logical track t
// (t = sides x cylinder + side) holds sectors 1 to 16 of 256 bytes at image
// bytes (16t + R - 1) x 256; bytes that no sector fills stay 0.

#include <cstddef>
#include <cstdint>

#include "containers/container.h"

namespace korvel {

inline constexpr unsigned kTrdosImageTracks = 256;  // logical tracks from 256 on are not read
inline constexpr size_t kTrdosTrackBytes = 16 * 256;

// Collects sectors into an image. A reader of a disk-image file fills it
// twice: once with no image bytes, to count the logical tracks, then into a
// cleared area of size() bytes.
class TrdosImage {
 public:
  explicit TrdosImage(MutableByteSpan image = {}) : image_(image) {}

  // A sector of the file, for logical track `track`: used when its ID `r` is
  // 1 to 16, its size code is 1 (256 bytes) and the track has no sector of
  // that ID yet. `data` points to its 256 bytes.
  void Put(unsigned track, unsigned r, unsigned sizeCode, const uint8_t* data);

  // Whether Put would use such a sector (so that its data need be made);
  // never while counting tracks.
  bool Wants(unsigned track, unsigned r, unsigned sizeCode) const;

  // The image has at least `tracks` logical tracks (at most 256 count).
  void HoldTracks(unsigned tracks);

  unsigned tracks() const { return tracks_; }
  size_t size() const { return tracks_ * kTrdosTrackBytes; }
  // The image built: size() long, or empty when the area given was smaller.
  ByteSpan Image() const;

 private:
  MutableByteSpan image_;
  unsigned tracks_ = 0;
  uint16_t filled_[kTrdosImageTracks] = {};  // bit R - 1 set: sector R is in
};

}  // namespace korvel
