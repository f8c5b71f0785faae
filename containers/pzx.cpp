#include "containers/pzx.h"

#include <cstring>

#include "containers/tap.h"

namespace korvel {

namespace {

constexpr size_t kBlockHeaderBytes = 8;
constexpr size_t kDataHeaderBytes = 8;  // bit count, tail pulse, pulse counts of a 0 and a 1 bit
constexpr uint32_t kBitCountMask = 0x7FFFFFFF;

uint32_t Long(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<uint32_t>(bytes[3]) << 24;
}

// The tape block a DATA body carries: its data when they are whole bytes that
// lie in the body; else empty.
ByteSpan TapeBlockOf(ByteSpan body) {
  const uint8_t* header = body.Peek(0, kDataHeaderBytes);
  if (header == nullptr) return {};
  const uint32_t bits = Long(header) & kBitCountMask;
  const size_t pulseTable = 2 * (size_t{header[6]} + header[7]);
  if (bits == 0 || bits % 8 != 0) return {};
  const uint8_t* data = body.Peek(kDataHeaderBytes + pulseTable, bits / 8);
  return data != nullptr ? ByteSpan(data, bits / 8) : ByteSpan();
}

}  // namespace

WalkResult WalkPzxScreens(ByteSpan file, ScreenVisitor visit) {
  const uint8_t* first = file.Peek(0, kBlockHeaderBytes + 2);
  if (first == nullptr || std::memcmp(first, "PZXT", 4) != 0 || Long(first + 4) < 2 || first[8] != 1) {
    return WalkResult::kBroken;
  }
  TapeScreenFinder finder;
  int number = 0;
  ByteReader reader(file);
  while (reader.position() < file.size()) {
    const uint8_t* header = reader.Block(kBlockHeaderBytes);
    const uint32_t length = header != nullptr ? Long(header + 4) : 0;
    const uint8_t* body = header != nullptr ? reader.Block(length) : nullptr;
    if (body == nullptr) break;
    if (std::memcmp(header, "DATA", 4) != 0) continue;
    const ByteSpan block = TapeBlockOf(ByteSpan(body, length));
    if (block.size() == 0) continue;
    const ByteSpan screen = finder.Next(block);
    if (screen.size() != 0 && !visit(ContainerScreen{ScreenKind::kStandard, screen, ++number})) {
      return WalkResult::kStopped;
    }
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
