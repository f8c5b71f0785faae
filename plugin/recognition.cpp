#include "plugin/recognition.h"

#include "decoders/bit_sprite_sheet.h"
#include "decoders/block_coded.h"
#include "decoders/character_set.h"
#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/three_colour.h"
#include "depackers/hr.h"
#include "depackers/lcmp5.h"
#include "platform/platform.h"
#include "plugin/load.h"

namespace korvel {

HobetaHeader ReadHobetaHeader(const uint8_t (&bytes)[kHobetaHeaderBytes]) {
  HobetaHeader header = {};
  for (size_t i = 0; i < 8; ++i) header.entryName[i] = bytes[i];
  header.entryType = bytes[8];
  header.startWord = static_cast<uint16_t>(bytes[9] | bytes[10] << 8);
  header.lengthWord = static_cast<uint16_t>(bytes[11] | bytes[12] << 8);
  header.unnamed = bytes[13];
  header.sectorCount = bytes[14];
  header.checksum = static_cast<uint16_t>(bytes[15] | bytes[16] << 8);
  return header;
}

uint16_t HobetaChecksum(const uint8_t* first15) {
  unsigned sum = 0;
  for (size_t i = 0; i < 15; ++i) sum += first15[i];
  return static_cast<uint16_t>(sum * 257 + 105);
}

const char* FileExtension(const char* fileName) {
  const char* p = fileName + platform::TextLength(fileName);
  while (p > fileName && *p != '.') --p;
  return p;
}

// ---------------------------------------------------------------------------
// Raw files, recognised by their exact size.

namespace {

struct RawFormat {
  const char* name;  // what it is, for people
  uint32_t size;
  const char* extension;  // null: any name
  Picture* (*decode)(ByteSpan, const Drawing&);
};

Picture* DecodeBitmapOnlyScreen(ByteSpan data, const Drawing& drawing) { return DecodeScreenOrBitmap(data, 0, drawing); }
// Three-colour screens have pure channels, whatever the palette.
template <Picture* (*Decode)(ByteSpan)>
Picture* InPureChannels(ByteSpan data, const Drawing& /*drawing*/) {
  return Decode(data);
}

constexpr RawFormat kRawFormats[] = {
    {"standard screen", 6912, nullptr, DecodeStandardScreen},
    {"bitmap-only screen", 6144, nullptr, DecodeBitmapOnlyScreen},
    {"three-colour screen", 18432, ".rgb", InPureChannels<DecodeThreeColourScreen>},
    {"three-colour screen", 18432, ".xpc", InPureChannels<DecodeThreeColourScreen>},
    {"three-colour screen in plain row order", 18432, ".xpv", InPureChannels<DecodeLinearThreeColourScreen>},
    {"gigascreen", 13824, nullptr, DecodeGigascreen},
    {"multicolour screen", 12288, nullptr, DecodeMulticolourScreen},
    {"multicolour gigascreen", 24576, nullptr, DecodeMulticolourGigascreen},
};

const RawFormat* FindRawFormat(uint32_t fileSize, const char* fileName) {
  const char* extension = FileExtension(fileName);
  for (const RawFormat& format : kRawFormats) {
    if (format.size != fileSize) continue;
    if (format.extension == nullptr || platform::TextEquals(extension, format.extension)) return &format;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Wrapped files: the rule table.

bool HasLengthAndSectors(const WrappedFile& file, uint16_t length, uint8_t sectors) {
  return file.header.lengthWord == length && file.header.sectorCount == sectors;
}

bool LeadStartsWith(const WrappedFile& file, size_t offset, const char* text) {
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (file.lead[offset + i] != static_cast<uint8_t>(text[i])) return false;
  }
  return true;
}

uint16_t LeadWord(const WrappedFile& file, size_t offset) {
  return static_cast<uint16_t>(file.lead[offset] | file.lead[offset + 1] << 8);
}

MutableByteSpan OutputArea(const WrappedFile& file, size_t offset, size_t bytes) {
  return MutableByteSpan(file.loadArea + offset, bytes);
}

bool IsStandardScreen(const WrappedFile& f) { return HasLengthAndSectors(f, 6912, 27); }
DecodeResult DecodeWrappedStandardScreen(const WrappedFile& f) { return Decoded(DecodeScreenOrBitmap(f.data, 1, *f.drawing)); }

bool IsBitmapOnlyScreen(const WrappedFile& f) { return HasLengthAndSectors(f, 6144, 24); }
DecodeResult DecodeWrappedBitmapOnlyScreen(const WrappedFile& f) { return Decoded(DecodeScreenOrBitmap(f.data, 0, *f.drawing)); }

bool IsBlockCodedScreen(const WrappedFile& f) { return f.header.entryType == '8' && f.header.startWord == 0x3838; }
DecodeResult DecodeWrappedBlockCodedScreen(const WrappedFile& f) { return ReadBlockCodedScreen(f.data); }

bool IsCharacterSet96(const WrappedFile& f) { return HasLengthAndSectors(f, 768, 3); }
DecodeResult DecodeCharacterSet96(const WrappedFile& f) { return Decoded(DecodeCharacterSet(f.data, 96)); }

// A 2048-byte set is line-major unless the glyph of character 32 in the
// consecutive order (D[256] to D[263]) is blank, as a space is.
bool IsCharacterSet256(const WrappedFile& f) { return HasLengthAndSectors(f, 2048, 8); }
DecodeResult DecodeCharacterSet256(const WrappedFile& f) {
  for (size_t i = 256; i < 264; ++i) {
    if (f.lead[i] != 0) return Decoded(DecodeLineMajorCharacterSet(f.data));
  }
  return Decoded(DecodeCharacterSet(f.data, 256));
}

bool IsLcmp5Packed(const WrappedFile& f) { return LeadStartsWith(f, 0, "LCMP5"); }
DecodeResult DecodeLcmp5Packed(const WrappedFile& f) {
  const MutableByteSpan output = OutputArea(f, f.deliverable->layout.lcmp5Output, kLcmp5OutputBytes);
  if (!DepackLcmp5(f.data, output, f.deliverable->lcmp5)) return NotThisForm();
  return Decoded(DecodeStandardScreen(output.AsBytes(), *f.drawing));
}

// Type 'Y' at 0xB800, with an "HR" block at D[259]: unpacked length at D[261],
// packed length at D[263], packed data from D[265].
bool IsHrPackedThreeColourScreen(const WrappedFile& f) {
  if (f.header.entryType != 'Y' || f.header.startWord != 0xB800 || f.fileSize <= 264) return false;
  const uint16_t unpacked = LeadWord(f, 261);
  const uint16_t packed = LeadWord(f, 263);
  return LeadStartsWith(f, 259, "HR") && packed < unpacked && packed < f.fileSize - kHobetaHeaderBytes;
}
DecodeResult DecodeHrPackedThreeColourScreen(const WrappedFile& f) {
  const MutableByteSpan output =
      OutputArea(f, f.deliverable->layout.hrThreeColourOutput, kThreeColourScreenBytes);
  if (!DepackHr(f.data.From(265), output)) return NotThisForm();
  return Decoded(DecodeThreeColourScreen(output.AsBytes()));
}

bool IsGigascreen(const WrappedFile& f) { return HasLengthAndSectors(f, 13824, 54); }
DecodeResult DecodeWrappedGigascreen(const WrappedFile& f) { return Decoded(DecodeGigascreen(f.data, *f.drawing)); }

// "HR", then an unpacked length of 13824 (bytes 0x00 0x36); the packed length
// is not looked at.
bool IsHrPackedGigascreen(const WrappedFile& f) {
  return LeadStartsWith(f, 0, "HR") && f.lead[2] == 0x00 && f.lead[3] == 0x36;
}
DecodeResult DecodeHrPackedGigascreen(const WrappedFile& f) {
  const MutableByteSpan output = OutputArea(f, f.deliverable->layout.hrGigascreenOutput, kGigascreenBytes);
  if (!DepackHr(f.data.From(6), output)) return NotThisForm();
  return Decoded(DecodeGigascreen(output.AsBytes(), *f.drawing));
}

bool IsThreeColourScreen(const WrappedFile& f) { return HasLengthAndSectors(f, 18432, 72); }
DecodeResult DecodeWrappedThreeColourScreen(const WrappedFile& f) {
  return Decoded(f.header.entryType == 'b' ? DecodeBrgThreeColourScreen(f.data) : DecodeThreeColourScreen(f.data));
}

bool IsMulticolourScreen(const WrappedFile& f) { return HasLengthAndSectors(f, 12288, 48); }
DecodeResult DecodeWrappedMulticolourScreen(const WrappedFile& f) { return Decoded(DecodeMulticolourScreen(f.data, *f.drawing)); }

bool IsMulticolourGigascreen(const WrappedFile& f) { return HasLengthAndSectors(f, 24576, 96); }
DecodeResult DecodeWrappedMulticolourGigascreen(const WrappedFile& f) {
  return Decoded(DecodeMulticolourGigascreen(f.data, *f.drawing));
}

// "BIT", and the word at D[4] agrees with the Hobeta length less 256 (so a
// length below 256 never matches).
bool IsBitSpriteSheet(const WrappedFile& f) {
  return LeadStartsWith(f, 0, "BIT") && int{LeadWord(f, 4)} == int{f.header.lengthWord} - 256;
}
DecodeResult DecodeWrappedBitSpriteSheet(const WrappedFile& f) { return ReadBitSpriteSheet(f.data, *f.drawing); }

}  // namespace

const HobetaRule kWrappedStandardScreen = {"wrapped standard screen", IsStandardScreen, DecodeWrappedStandardScreen};
const HobetaRule kWrappedBitmapOnlyScreen = {"wrapped bitmap-only screen", IsBitmapOnlyScreen,
                                             DecodeWrappedBitmapOnlyScreen};
const HobetaRule kBlockCodedScreen = {"block-coded screen", IsBlockCodedScreen, DecodeWrappedBlockCodedScreen};
const HobetaRule kCharacterSet96 = {"96-character set", IsCharacterSet96, DecodeCharacterSet96};
const HobetaRule kCharacterSet256 = {"256-character set", IsCharacterSet256, DecodeCharacterSet256};
const HobetaRule kLcmp5PackedScreen = {"LCMP5-packed screen", IsLcmp5Packed, DecodeLcmp5Packed};
const HobetaRule kHrPackedThreeColourScreen = {"HR-packed three-colour screen", IsHrPackedThreeColourScreen,
                                               DecodeHrPackedThreeColourScreen};
const HobetaRule kWrappedGigascreen = {"wrapped gigascreen", IsGigascreen, DecodeWrappedGigascreen};
const HobetaRule kHrPackedGigascreen = {"HR-packed gigascreen", IsHrPackedGigascreen, DecodeHrPackedGigascreen};
const HobetaRule kWrappedThreeColourScreen = {"wrapped three-colour screen", IsThreeColourScreen,
                                              DecodeWrappedThreeColourScreen};
const HobetaRule kWrappedMulticolourScreen = {"wrapped multicolour screen", IsMulticolourScreen,
                                              DecodeWrappedMulticolourScreen};
const HobetaRule kWrappedMulticolourGigascreen = {"wrapped multicolour gigascreen", IsMulticolourGigascreen,
                                                  DecodeWrappedMulticolourGigascreen};
const HobetaRule kBitSpriteSheet = {"BIT sprite sheet", IsBitSpriteSheet, DecodeWrappedBitSpriteSheet};

const HobetaRule* FindHobetaRule(const WrappedFile& file, const DeliverableDescription& deliverable) {
  for (size_t i = 0; i < deliverable.ruleCount; ++i) {
    if (deliverable.rules[i]->matches(file)) return deliverable.rules[i];
  }
  return nullptr;
}

WrappedFile ViewAsWrapped(uint8_t* loadArea, uint32_t fileSize, const DeliverableDescription& deliverable,
                          const Drawing& drawing) {
  uint8_t headerBytes[kHobetaHeaderBytes];
  for (size_t i = 0; i < kHobetaHeaderBytes; ++i) headerBytes[i] = loadArea[i];
  WrappedFile file = {};
  file.header = ReadHobetaHeader(headerBytes);
  file.checksumHolds = HobetaChecksum(headerBytes) == file.header.checksum;
  file.fileSize = fileSize;
  file.data = ByteSpan(loadArea, kReadBufferBytes).From(kHobetaHeaderBytes);
  file.lead = file.data.Peek(0, kLeadBytes);
  file.loadArea = loadArea;
  file.deliverable = &deliverable;
  file.drawing = &drawing;
  return file;
}

FormReading ReadRawOrHobeta(uint8_t* loadArea, uint32_t fileSize, const char* fileName,
                            const DeliverableDescription& deliverable, const Drawing& drawing) {
  if (fileSize < kMinFileBytes || fileSize > kReadBufferBytes) return {};

  if (const RawFormat* raw = FindRawFormat(fileSize, fileName)) {
    return {Decoded(raw->decode(ByteSpan(loadArea, kReadBufferBytes), drawing)), raw->name};
  }

  const WrappedFile file = ViewAsWrapped(loadArea, fileSize, deliverable, drawing);
  if (fileSize < file.header.sectorCount * 256u + kHobetaHeaderBytes || !file.checksumHolds) return {};
  const HobetaRule* rule = FindHobetaRule(file, deliverable);
  if (rule == nullptr) return {};
  return {rule->decode(file), rule->name};
}

Picture* RecognisePicture(uint8_t* loadArea, uint32_t fileSize, const char* fileName,
                          const DeliverableDescription& deliverable) {
  return ReadRawOrHobeta(loadArea, fileSize, fileName, deliverable).result.picture;
}

}  // namespace korvel
