#include "containers/sna.h"

#include "containers/snapshot_screen.h"

namespace korvel {

namespace {

constexpr size_t kBorderOffset = 26;  // the header's last byte

constexpr size_t kBankBytes = kSnapshotPageBytes;
constexpr size_t kHeaderBytes = 27;
constexpr size_t k48kBytes = kHeaderBytes + 3 * kBankBytes;  // 49179
constexpr size_t kPagedBankOffset = kHeaderBytes + 2 * kBankBytes;
constexpr size_t kPortOffset = k48kBytes + 2;  // after the PC word
constexpr size_t kOtherBanksOffset = k48kBytes + 4;

}  // namespace

std::optional<ContainerScreen> SnaScreen(ByteSpan file) {
  size_t screenOffset = kHeaderBytes;  // bank 5, at 0x4000
  if (file.size() == 131103 || file.size() == 147487) {
    const uint8_t port = *file.Peek(kPortOffset, 1);
    const unsigned paged = port & 7;
    if (ShownBank(port) == 7) {
      // Bank 7 is either the paged bank or the last of the others (banks
      // 0, 1, 3, 4, 6, 7 without the paged one), whatever the file size says.
      const size_t others = paged == 2 || paged == 5 ? 6 : 5;
      screenOffset = paged == 7 ? kPagedBankOffset : kOtherBanksOffset + (others - 1) * kBankBytes;
    }
  } else if (file.size() != k48kBytes) {
    return std::nullopt;
  }
  const uint8_t* screen = file.Peek(screenOffset, ScreenKindBytes(ScreenKind::kStandard));
  const uint8_t* border = file.Peek(kBorderOffset, 1);
  if (screen == nullptr || border == nullptr) return std::nullopt;
  return ContainerScreen{ScreenKind::kStandard, ByteSpan(screen, ScreenKindBytes(ScreenKind::kStandard)), 1,
                         static_cast<int8_t>(*border & 7)};
}

}  // namespace korvel
