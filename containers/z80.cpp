#include "containers/z80.h"

#include <cstring>

#include "containers/snapshot_screen.h"

namespace korvel {

namespace {

constexpr size_t kPageBytes = kSnapshotPageBytes;
constexpr size_t kVersion1HeaderBytes = 30;
constexpr size_t kVersion1MemoryBytes = 3 * kPageBytes;
constexpr uint8_t kScreenPage = 8;    // RAM bank 5, at 0x4000
constexpr uint8_t kFirstRamPage = 3;  // RAM bank b is page b + 3

// Expands the compressed memory in `packed` (`ED ED n b` is n copies of b,
// any other byte stands for itself) until `total` bytes are made, keeping
// the first `kept.size()` of them. Version-1 data stop at `00 ED ED 00`
// where a token begins and nothing after the last byte made is read; a block
// of later versions is read to its last byte. False when a run would go past
// `total`, a token is cut short, or the data end before `total` bytes.
bool Expand(ByteSpan packed, size_t total, MutableByteSpan kept, bool version1) {
  ByteReader in(packed);
  size_t made = 0;
  auto put = [&](uint8_t value, size_t count) {
    if (count > total - made) return false;
    if (made < kept.size()) {
      const size_t keep = count < kept.size() - made ? count : kept.size() - made;
      std::memset(kept.data() + made, value, keep);
    }
    made += count;
    return true;
  };
  while (version1 ? made < total : in.position() < packed.size()) {
    static constexpr uint8_t kEndMarker[4] = {0x00, 0xED, 0xED, 0x00};
    const uint8_t* next = packed.Peek(in.position(), 4);
    if (version1 && next != nullptr && std::memcmp(next, kEndMarker, 4) == 0) return false;
    const uint8_t* pair = packed.Peek(in.position(), 2);
    if (pair != nullptr && pair[0] == 0xED && pair[1] == 0xED) {
      in.Block(2);
      const uint8_t count = in.Byte();
      const uint8_t value = in.Byte();
      if (in.failed() || !put(value, count)) return false;
    } else {
      const uint8_t value = in.Byte();
      if (in.failed() || !put(value, 1)) return false;
    }
  }
  return made == total;
}

std::optional<ContainerScreen> Version1Screen(ByteSpan file, uint8_t flags, MutableByteSpan workArea) {
  constexpr size_t kScreenBytes = ScreenKindBytes(ScreenKind::kStandard);
  if (flags == 255) flags = 1;
  const ByteSpan memory = file.From(kVersion1HeaderBytes);
  if ((flags & 0x20) == 0) {
    if (memory.Peek(0, kVersion1MemoryBytes) == nullptr) return std::nullopt;
    return ContainerScreen{ScreenKind::kStandard, ByteSpan(memory.Peek(0, kScreenBytes), kScreenBytes), 1};
  }
  if (!Expand(memory, kVersion1MemoryBytes, MutableByteSpan(workArea.data(), kScreenBytes), true)) return std::nullopt;
  return ContainerScreen{ScreenKind::kStandard, ByteSpan(workArea.data(), kScreenBytes), 1};
}

bool Is128k(uint8_t machine, bool version2) {
  switch (machine) {
    case 3: return version2;
    case 4: return true;
    case 5: case 6: return !version2;
    case 7: case 8: case 9: case 10: case 12: case 13: return true;
    default: return false;
  }
}

bool IsTimex(uint8_t machine) { return machine == 14 || machine == 15 || machine == 128; }

// Finds the first memory block of `page` and expands it into `area`.
bool ReadPage(ByteSpan file, size_t firstBlock, uint8_t page, MutableByteSpan area) {
  ByteReader reader(file, firstBlock);
  while (reader.position() < file.size()) {
    const uint16_t length = reader.Word();
    const uint8_t blockPage = reader.Byte();
    const bool stored = length == 0xFFFF;
    const size_t dataBytes = stored ? kPageBytes : length;
    const uint8_t* data = reader.Block(dataBytes);
    if (data == nullptr) return false;
    if (blockPage != page) continue;
    if (stored) {
      std::memcpy(area.data(), data, kPageBytes);
      return true;
    }
    return Expand(ByteSpan(data, dataBytes), kPageBytes, area, false);
  }
  return false;
}

// The screen the snapshot shows.
std::optional<ContainerScreen> ShownScreen(ByteSpan file, MutableByteSpan workArea) {
  ByteReader header(file);
  header.Block(6);
  const uint16_t pc = header.Word();
  header.Block(4);
  const uint8_t flags = header.Byte();
  if (header.failed()) return std::nullopt;
  if (pc != 0) return Version1Screen(file, flags, workArea);

  ByteReader extra(file, kVersion1HeaderBytes);
  const uint16_t extraBytes = extra.Word();
  extra.Block(2);  // PC
  const uint8_t machine = extra.Byte();
  const uint8_t port7ffd = extra.Byte();
  const uint8_t portFf = extra.Byte();
  if (extra.failed() || (extraBytes != 23 && extraBytes != 54 && extraBytes != 55)) return std::nullopt;
  const size_t firstBlock = kVersion1HeaderBytes + 2 + extraBytes;
  if (file.Peek(0, firstBlock) == nullptr) return std::nullopt;

  const bool version2 = extraBytes == 23;
  const uint8_t page = Is128k(machine, version2) ? kFirstRamPage + ShownBank(port7ffd) : kScreenPage;
  const MutableByteSpan area(workArea.data(), kPageBytes);
  if (!ReadPage(file, firstBlock, page, area)) return std::nullopt;
  if (IsTimex(machine)) return TimexScreen(area, portFf);
  return ContainerScreen{ScreenKind::kStandard, ByteSpan(area.data(), ScreenKindBytes(ScreenKind::kStandard)), 1};
}

}  // namespace

std::optional<ContainerScreen> Z80Screen(ByteSpan file, MutableByteSpan workArea) {
  if (workArea.size() < kZ80WorkAreaBytes) return std::nullopt;
  std::optional<ContainerScreen> screen = ShownScreen(file, workArea);
  // Byte 12 holds the border colour in bits 1-3; 255 is read as 1.
  const uint8_t* flags = file.Peek(12, 1);
  if (screen && flags != nullptr) screen->border = static_cast<int8_t>(((*flags == 255 ? 1 : *flags) >> 1) & 7);
  return screen;
}

}  // namespace korvel
