#include "containers/tzx.h"

#include "containers/tap.h"

namespace korvel {

namespace {

constexpr uint8_t kSignature[8] = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A};
constexpr size_t kHeaderBytes = 10;

// A little-endian field of 1 to 4 bytes. Lengths are added in 64 bits: a
// 4-byte length plus its field must not wrap where size_t has 32.
uint64_t Field(const uint8_t* bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = count; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

// A block's body: its whole length and, when it carries a tape block, where
// that lies in it.
struct Body {
  uint64_t length;
  bool carriesTapeBlock;
  uint64_t dataStart;
  uint64_t dataBytes;
};

// A generalized-data block (its body from the 4-byte length on) carries a
// tape block when its data symbols are plain bits: two symbols in the data
// table, a whole number of bytes, and those bytes inside the block. Pulse
// lengths are never looked at.
void GeneralizedData(ByteSpan body, Body& out) {
  const uint8_t* fields = body.Peek(0, 18);
  if (fields == nullptr) return;
  const uint64_t pilotSymbols = Field(fields + 6, 4);
  const uint64_t pulsesPerPilot = fields[10], pilotTable = fields[11] == 0 ? 256 : fields[11];
  const uint64_t dataSymbols = Field(fields + 12, 4);
  const uint64_t pulsesPerData = fields[16], dataTable = fields[17] == 0 ? 256 : fields[17];
  if (dataTable != 2 || dataSymbols == 0 || dataSymbols % 8 != 0) return;
  uint64_t dataStart = 18;
  if (pilotSymbols > 0) dataStart += (2 * pulsesPerPilot + 1) * pilotTable + 3 * pilotSymbols;
  dataStart += (2 * pulsesPerData + 1) * dataTable;
  if (dataStart + dataSymbols / 8 > out.length) return;
  out.carriesTapeBlock = true;
  out.dataStart = dataStart;
  out.dataBytes = dataSymbols / 8;
}

// The body of block `id` whose bytes begin at `body`, or false for an ID this
// reader does not know or a length field that lies past the end.
bool MeasureBody(uint8_t id, ByteSpan body, Body& out) {
  auto fixed = [&](uint64_t length) {
    out = {length, false, 0, 0};
    return true;
  };
  // `before` bytes plus `unit` bytes for each count in the field at `offset`.
  auto counted = [&](size_t offset, size_t fieldBytes, uint64_t before, uint64_t unit) {
    const uint8_t* field = body.Peek(offset, fieldBytes);
    if (field == nullptr) return false;
    out = {before + unit * Field(field, fieldBytes), false, 0, 0};
    return true;
  };
  auto tapeBlock = [&](size_t lengthOffset, size_t fieldBytes, uint64_t dataStart) {
    if (!counted(lengthOffset, fieldBytes, dataStart, 1)) return false;
    out.carriesTapeBlock = true;
    out.dataStart = dataStart;
    out.dataBytes = out.length - dataStart;
    return true;
  };
  switch (id) {
    case 0x10: return tapeBlock(2, 2, 4);    // standard speed: pause, length, data
    case 0x11: return tapeBlock(15, 3, 18);  // turbo speed
    case 0x14: return tapeBlock(7, 3, 10);   // pure data
    case 0x12: return fixed(4);
    case 0x13: return counted(0, 1, 1, 2);
    case 0x15: return counted(5, 3, 8, 1);
    case 0x18: return counted(0, 4, 4, 1);
    case 0x19:  // generalized data
      if (!counted(0, 4, 4, 1)) return false;
      GeneralizedData(body, out);
      return true;
    case 0x20: case 0x23: case 0x24: return fixed(2);
    case 0x21: case 0x30: return counted(0, 1, 1, 1);
    case 0x22: case 0x25: case 0x27: return fixed(0);
    case 0x26: return counted(0, 2, 2, 2);
    case 0x28: case 0x32: return counted(0, 2, 2, 1);
    case 0x2A: return fixed(4);
    case 0x2B: return fixed(5);
    case 0x31: return counted(1, 1, 2, 1);
    case 0x33: return counted(0, 1, 1, 3);
    case 0x35: return counted(16, 4, 20, 1);
    case 0x5A: return fixed(9);
    default: return false;
  }
}

}  // namespace

WalkResult WalkTzxScreens(ByteSpan file, ScreenVisitor visit) {
  const uint8_t* header = file.Peek(0, kHeaderBytes);
  if (header == nullptr) return WalkResult::kBroken;
  for (size_t i = 0; i < sizeof kSignature; ++i) {
    if (header[i] != kSignature[i]) return WalkResult::kBroken;
  }

  TapeScreenFinder finder;
  int number = 0;
  size_t position = kHeaderBytes;
  while (position < file.size()) {
    const uint8_t id = *file.Peek(position, 1);
    const ByteSpan body = file.From(position + 1);
    Body measured;
    if (!MeasureBody(id, body, measured) || measured.length > body.size()) break;
    if (measured.carriesTapeBlock) {
      const size_t dataBytes = static_cast<size_t>(measured.dataBytes);
      const ByteSpan block(body.Peek(static_cast<size_t>(measured.dataStart), dataBytes), dataBytes);
      const ByteSpan screen = finder.Next(block);
      if (screen.size() != 0 && !visit(ContainerScreen{ScreenKind::kStandard, screen, ++number})) {
        return WalkResult::kStopped;
      }
    }
    position += 1 + static_cast<size_t>(measured.length);
  }
  return WalkResult::kWalked;
}

}  // namespace korvel
