#include "containers/snapshot_screen.h"

#include <cstring>

namespace korvel {

namespace {

constexpr size_t kSecondHalf = 8192;  // 0x6000, where the second screen file begins
constexpr size_t kHalfScreenBytes = 6144;

}  // namespace

ContainerScreen TimexScreen(MutableByteSpan page, uint8_t portFf) {
  uint8_t* bytes = page.data();
  switch (portFf & 7) {
    case 1:  // the second screen file
      return {ScreenKind::kStandard, ByteSpan(bytes + kSecondHalf, ScreenKindBytes(ScreenKind::kStandard)), 1};
    case 2:  // hi-colour: bitmap, then its 8x1 attributes from 0x6000
      std::memmove(bytes + kHalfScreenBytes, bytes + kSecondHalf, kHalfScreenBytes);
      return {ScreenKind::kTimexHiColour, ByteSpan(bytes, ScreenKindBytes(ScreenKind::kTimexHiColour)), 1};
    case 6:  // hi-res: even columns, odd columns from 0x6000, then the colours
      std::memmove(bytes + kHalfScreenBytes, bytes + kSecondHalf, kHalfScreenBytes);
      bytes[2 * kHalfScreenBytes] = portFf;
      return {ScreenKind::kTimexHiRes, ByteSpan(bytes, ScreenKindBytes(ScreenKind::kTimexHiRes)), 1};
    default: return {ScreenKind::kStandard, ByteSpan(bytes, ScreenKindBytes(ScreenKind::kStandard)), 1};
  }
}

}  // namespace korvel
