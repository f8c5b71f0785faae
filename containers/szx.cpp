#include "containers/szx.h"

#include <cstring>

#include "containers/snapshot_screen.h"
#include "platform/inflate.h"

namespace korvel {

namespace {

constexpr size_t kHeaderBytes = 8;
constexpr size_t kPaletteBytes = 64;

uint32_t Long(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<uint32_t>(bytes[3]) << 24;
}

bool Is128k(uint8_t machine) {
  switch (machine) {
    case 2: case 3: case 4: case 5: case 6: case 7: case 10: case 11: case 13: case 14: case 16: return true;
    default: return false;
  }
}

bool IsTimex(uint8_t machine) { return machine == 8 || machine == 9 || machine == 12; }

// The first block of one ID: its body, when that is long enough to hold the
// bytes read from it.
struct FirstBlock {
  bool seen = false;
  const uint8_t* body = nullptr;  // null: absent
};

void Note(FirstBlock& first, ByteSpan body, size_t bytesRead) {
  if (first.seen) return;
  first.seen = true;
  first.body = body.Peek(0, bytesRead);
}

}  // namespace

std::optional<ContainerScreen> SzxScreen(ByteSpan file, MutableByteSpan workArea, bool* outOfMemory) {
  *outOfMemory = false;
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr || std::memcmp(header, "ZXST", 4) != 0 || workArea.size() < kSzxWorkAreaBytes) {
    return std::nullopt;
  }
  const uint8_t machine = header[6];
  FirstBlock paging, timexPort, palette;
  ByteSpan pages[8];  // the first RAMP body of each bank that can be shown
  bool pageSeen[8] = {};

  ByteReader reader(file, kHeaderBytes);
  while (reader.position() < file.size()) {
    const uint8_t* blockHeader = reader.Block(8);
    if (blockHeader == nullptr) break;
    const uint32_t length = Long(blockHeader + 4);
    const uint8_t* bodyBytes = reader.Block(length);
    if (bodyBytes == nullptr) break;
    const ByteSpan body(bodyBytes, length);
    if (std::memcmp(blockHeader, "SPCR", 4) == 0) Note(paging, body, 2);
    if (std::memcmp(blockHeader, "SCLD", 4) == 0) Note(timexPort, body, 2);
    if (std::memcmp(blockHeader, "PLTT", 4) == 0) Note(palette, body, 2 + kPaletteBytes);
    if (std::memcmp(blockHeader, "RAMP", 4) == 0 && length >= 3 && body.Peek(2, 1)[0] < 8) {
      const uint8_t page = *body.Peek(2, 1);
      if (!pageSeen[page]) pages[page] = body;
      pageSeen[page] = true;
    }
  }

  const uint8_t port7ffd = paging.body != nullptr ? paging.body[1] : 0;
  const uint8_t shown = Is128k(machine) ? ShownBank(port7ffd) : 5;
  const ByteSpan ramp = pages[shown];
  if (!pageSeen[shown]) return std::nullopt;

  // Flags (bit 0: compressed), page number, then the page's data.
  const bool compressed = (*ramp.Peek(0, 1) & 1) != 0;
  const ByteSpan data = ramp.From(3);
  const MutableByteSpan page(workArea.data(), kSnapshotPageBytes);
  if (compressed) {
    const platform::InflateResult inflated =
        platform::InflateExactly(data.Peek(0, data.size()), data.size(), page.data(), page.size());
    *outOfMemory = inflated == platform::InflateResult::kOutOfMemory;
    if (inflated != platform::InflateResult::kInflated) return std::nullopt;
  } else {
    if (data.size() != kSnapshotPageBytes) return std::nullopt;
    std::memcpy(page.data(), data.Peek(0, kSnapshotPageBytes), kSnapshotPageBytes);
  }

  ContainerScreen screen = {ScreenKind::kStandard, ByteSpan(page.data(), ScreenKindBytes(ScreenKind::kStandard)), 1};
  if (IsTimex(machine) && timexPort.body != nullptr) screen = TimexScreen(page, timexPort.body[1]);
  if (screen.kind == ScreenKind::kStandard && palette.body != nullptr && (palette.body[0] & 1) != 0) {
    // The palette goes right after the screen in the page, which the screen
    // (at 0 or 0x2000) leaves room for.
    uint8_t* bytes = page.data() + (screen.bytes.Peek(0, 1) - page.data());
    std::memcpy(bytes + ScreenKindBytes(ScreenKind::kStandard), palette.body + 2, kPaletteBytes);
    screen = {ScreenKind::kUlaplus, ByteSpan(bytes, ScreenKindBytes(ScreenKind::kUlaplus)), 1};
  }
  return screen;
}

}  // namespace korvel
