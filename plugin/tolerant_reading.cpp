#include "plugin/tolerant_reading.h"

#include <cstring>

#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/three_colour.h"
#include "depackers/hr.h"
#include "depackers/lcmp5.h"
#include "plugin/load.h"
#include "plugin/recognition.h"

namespace korvel {

namespace {

// Depacker output goes to the work area behind the read buffer, cleared
// first: an earlier step may have left a failed depack there.
MutableByteSpan ClearedWorkArea(const FileToRead& f, size_t bytes) {
  uint8_t* area = f.loadArea + kReadBufferBytes;
  memset(area, 0, bytes);
  return MutableByteSpan(area, bytes);
}

ByteSpan ReadBuffer(const FileToRead& f) { return ByteSpan(f.loadArea, kReadBufferBytes); }

// The PC names of Hobeta files: `$` or `!`, then one character.
bool HasHobetaPcName(const char* fileName) {
  const char* extension = FileExtension(fileName);
  return extension[0] == '.' && (extension[1] == '$' || extension[1] == '!') && extension[2] != '\0' &&
         extension[3] == '\0';
}

// HR-packed data of `unpacked` bytes, depacked from `packed` and decoded by that size.
DecodeResult DepackHrByUnpackedSize(const FileToRead& f, ByteSpan packed, uint16_t unpacked) {
  Picture* (*decode)(ByteSpan, const Drawing&) = nullptr;
  switch (unpacked) {
    case 6144: decode = [](ByteSpan d, const Drawing& drawing) { return DecodeScreenOrBitmap(d, 0, drawing); }; break;
    case 6912: decode = DecodeStandardScreen; break;
    case 13824: decode = DecodeGigascreen; break;
    case 18432: decode = [](ByteSpan d, const Drawing&) { return DecodeThreeColourScreen(d); }; break;
    default: return NotThisForm();
  }
  const MutableByteSpan output = ClearedWorkArea(f, unpacked);
  if (!DepackHr(packed, output)) return NotThisForm();
  return Decoded(decode(output.AsBytes(), *f.drawing));
}

uint16_t WordAt(ByteSpan bytes, size_t offset) {
  const uint8_t* word = bytes.Peek(offset, 2);
  return word == nullptr ? 0 : static_cast<uint16_t>(word[0] | word[1] << 8);
}

}  // namespace

DecodeResult ReadAsKorvelHobeta(const FileToRead& f, const char** formName) {
  if (f.loadArea == nullptr) return NotThisForm();
  const FormReading reading =
      ReadRawOrHobeta(f.loadArea, static_cast<uint32_t>(f.file.size()), f.fileName, kKorvelHobeta, *f.drawing);
  if (reading.formName != nullptr) *formName = reading.formName;
  return reading.result;
}

DecodeResult ReadTolerantHobeta(const FileToRead& f, const char** formName) {
  if (f.loadArea == nullptr) return NotThisForm();
  const WrappedFile wrapped = ViewAsWrapped(f.loadArea, static_cast<uint32_t>(f.file.size()), kKorvelHobeta, *f.drawing);
  const HobetaHeader& header = wrapped.header;
  const bool whole = f.file.size() >= header.sectorCount * 256u + kHobetaHeaderBytes;
  const bool holdsItsData = f.file.size() >= header.lengthWord + kHobetaHeaderBytes;
  if (!(wrapped.checksumHolds || HasHobetaPcName(f.fileName)) || !(whole || holdsItsData)) return NotThisForm();

  // korvel_hobeta refused the header: its rules, over the same zero-filled
  // area, read the file as if the header held.
  if (!wrapped.checksumHolds || !whole) {
    if (const HobetaRule* rule = FindHobetaRule(wrapped, kKorvelHobeta)) {
      const DecodeResult result = rule->decode(wrapped);
      if (result.picture != nullptr || result.outOfMemory) {
        *formName = !wrapped.checksumHolds ? "Hobeta file with a wrong checksum" : "short Hobeta file";
        return result;
      }
    }
  }

  // After the rules: a screen or bitmap packed with HR, its packed length
  // not looked at.
  const uint8_t* lead = wrapped.lead;
  if (lead[0] != 'H' || lead[1] != 'R' || lead[2] != 0x00 || (lead[3] != 0x1B && lead[3] != 0x18)) {
    return NotThisForm();
  }
  *formName = "HR-packed screen";
  return DepackHrByUnpackedSize(f, wrapped.data.From(6), lead[3] == 0x1B ? 6912 : 6144);
}

DecodeResult ReadHeaderlessPacked(const FileToRead& f, const char** formName) {
  if (f.loadArea == nullptr) return NotThisForm();
  const ByteSpan area = ReadBuffer(f);
  if (StartsWith(f.file, "LCMP5", false)) {
    *formName = "LCMP5-packed screen without header";
    const MutableByteSpan output = ClearedWorkArea(f, kLcmp5OutputBytes);
    if (!DepackLcmp5(area, output, kLcmp5Current)) return NotThisForm();
    return Decoded(DecodeStandardScreen(output.AsBytes(), *f.drawing));
  }
  if (StartsWith(f.file, "HR", false)) {
    *formName = "HR-packed data without header";
    return DepackHrByUnpackedSize(f, area.From(6), WordAt(area, 2));
  }
  return NotThisForm();
}

DecodeResult ReadThreeColourNamedInCapitals(const FileToRead& f, const char** /*formName*/) {
  if (f.file.size() != kThreeColourScreenBytes) return NotThisForm();
  const char* extension = FileExtension(f.fileName);
  if (TextEqualsAnyCase(extension, ".rgb") || TextEqualsAnyCase(extension, ".xpc")) {
    return Decoded(DecodeThreeColourScreen(f.file));
  }
  if (TextEqualsAnyCase(extension, ".xpv")) return Decoded(DecodeLinearThreeColourScreen(f.file));
  return NotThisForm();
}

}  // namespace korvel
