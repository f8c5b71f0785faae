#include "containers/tap.h"

namespace korvel {

namespace {

constexpr size_t kScreenBytes = 6912;
constexpr size_t kScreenBlockBytes = kScreenBytes + 2;  // flag and checksum around it
static_assert(TapeScreenFinder::kBlockBytesLookedAt >= kScreenBlockBytes - 1);
constexpr size_t kHeaderBlockBytes = 19;
constexpr uint8_t kHeaderFlag = 0x00;
constexpr uint8_t kDataFlag = 0xFF;
constexpr uint8_t kCodeType = 3;

uint16_t WordAt(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

}  // namespace

ByteSpan TapeScreenFinder::Next(ByteSpan block) { return Next(block, block.size()); }

ByteSpan TapeScreenFinder::Next(ByteSpan start, size_t size) {
  const bool afterLongCodeHeader = afterLongCodeHeader_;
  afterLongCodeHeader_ = false;
  const uint8_t* flag = size != 0 ? start.Peek(0, 1) : nullptr;
  if (flag == nullptr) return {};

  if (*flag == kHeaderFlag && size == kHeaderBlockBytes) {
    // flag, type, 10-byte name, data length, start, second parameter, checksum
    const uint8_t* header = start.Peek(0, kHeaderBlockBytes);
    if (header == nullptr) return {};
    afterLongCodeHeader_ = header[1] == kCodeType && WordAt(header + 12) > kScreenBytes && WordAt(header + 14) == 16384;
    return {};
  }
  if (*flag != kDataFlag) return {};
  if (size == kScreenBlockBytes || (afterLongCodeHeader && size > kScreenBlockBytes)) {
    const uint8_t* screen = start.Peek(1, kScreenBytes);
    return screen != nullptr ? ByteSpan(screen, kScreenBytes) : ByteSpan();
  }
  return {};
}

WalkResult WalkTapScreens(ByteSpan file, ScreenVisitor visit) {
  ByteReader reader(file);
  TapeScreenFinder finder;
  int number = 0;
  while (reader.position() < file.size()) {
    const uint16_t length = reader.Word();
    const uint8_t* block = reader.Block(length);
    if (block == nullptr) break;
    const ByteSpan screen = finder.Next(ByteSpan(block, length));
    if (screen.size() != 0 && !visit(ContainerScreen{ScreenKind::kStandard, screen, ++number})) {
      return WalkResult::kStopped;
    }
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
