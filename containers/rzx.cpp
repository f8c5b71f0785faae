#include "containers/rzx.h"

#include <cstring>

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 10;
constexpr size_t kBlockHeaderBytes = 5;      // ID and the length of the whole block
constexpr size_t kSnapshotHeaderBytes = 17;  // the block header, flags, kind, length
constexpr uint8_t kSnapshotBlock = 0x30;
constexpr uint32_t kExternal = 1;
constexpr uint32_t kCompressed = 2;

uint32_t Long(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<uint32_t>(bytes[3]) << 24;
}

char Lower(uint8_t c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); }

// The kind named by the bytes before the first 0 (all four without one).
ContainerKind KindNamed(const uint8_t* name) {
  char text[5] = {};
  for (size_t i = 0; i < 4 && name[i] != 0; ++i) text[i] = Lower(name[i]);
  if (std::strcmp(text, "z80") == 0) return ContainerKind::kZ80;
  if (std::strcmp(text, "szx") == 0) return ContainerKind::kSzx;
  if (std::strcmp(text, "sna") == 0) return ContainerKind::kSna;
  return ContainerKind::kNone;
}

}  // namespace

std::optional<RzxSnapshot> FindRzxSnapshot(ByteSpan file) {
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr || std::memcmp(header, "RZX!", 4) != 0) return std::nullopt;
  size_t position = kHeaderBytes;
  for (;;) {
    const uint8_t* blockHeader = file.Peek(position, kBlockHeaderBytes);
    if (blockHeader == nullptr) return std::nullopt;
    const uint32_t length = Long(blockHeader + 1);
    const uint8_t* block = file.Peek(position, length);
    if (length < kBlockHeaderBytes || block == nullptr) return std::nullopt;
    if (block[0] != kSnapshotBlock) {
      position += length;
      continue;
    }
    if (length < kSnapshotHeaderBytes) return std::nullopt;
    const uint32_t flags = Long(block + 5);
    const RzxSnapshot snapshot = {KindNamed(block + 9), (flags & kCompressed) != 0, Long(block + 13),
                                  ByteSpan(block + kSnapshotHeaderBytes, length - kSnapshotHeaderBytes)};
    if ((flags & kExternal) != 0 || snapshot.kind == ContainerKind::kNone) return std::nullopt;
    if (snapshot.compressed && snapshot.length > kLargestRzxSnapshot) return std::nullopt;
    return snapshot;
  }
}

}  // namespace korvel
