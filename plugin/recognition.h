#pragma once
// Format recognition: raw files by their exact size, wrapped files by their
// Hobeta header and signature bytes, through an ordered rule table.

#include <cstddef>
#include <cstdint>

#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/deliverable.h"
#include "plugin/picture.h"

namespace korvel {

inline constexpr size_t kHobetaHeaderBytes = 17;

struct HobetaHeader {
  uint8_t entryName[8];  // only summed into the checksum
  uint8_t entryType;     // type letter
  uint16_t startWord;
  uint16_t lengthWord;   // length of the data in bytes
  uint8_t unnamed;       // only summed into the checksum
  uint8_t sectorCount;   // 256-byte sectors the data occupy
  uint16_t checksum;
};

HobetaHeader ReadHobetaHeader(const uint8_t (&bytes)[kHobetaHeaderBytes]);

// Low 16 bits of (sum of header bytes 0 to 14) * 257 + 105.
uint16_t HobetaChecksum(const uint8_t* first15);

// The data bytes the rules look at: D[0] to D[264].
inline constexpr size_t kLeadBytes = 265;

// What a rule sees of a wrapped file.
struct WrappedFile {
  HobetaHeader header;
  bool checksumHolds;   // the stored checksum is that of header bytes 0 to 14
  uint32_t fileSize;
  ByteSpan data;        // from file offset 17 to the end of the read buffer
  const uint8_t* lead;  // the first kLeadBytes of `data`
  uint8_t* loadArea;    // where depackers write, laid out as `deliverable` says
  const DeliverableDescription* deliverable;
  const Drawing* drawing;
};

struct HobetaRule {
  const char* name;  // what the rule recognises
  bool (*matches)(const WrappedFile&);
  // Data that turn out not to be the form (a packed stream that fails) give
  // NotThisForm(), a failed allocation Decoded(nullptr).
  DecodeResult (*decode)(const WrappedFile&);
};

// Every rule, for the deliverables' tables, in the full order.
extern const HobetaRule kWrappedStandardScreen;
extern const HobetaRule kWrappedBitmapOnlyScreen;
extern const HobetaRule kBlockCodedScreen;
extern const HobetaRule kCharacterSet96;
extern const HobetaRule kCharacterSet256;
extern const HobetaRule kLcmp5PackedScreen;
extern const HobetaRule kHrPackedThreeColourScreen;
extern const HobetaRule kWrappedGigascreen;
extern const HobetaRule kHrPackedGigascreen;
extern const HobetaRule kWrappedThreeColourScreen;
extern const HobetaRule kWrappedMulticolourScreen;
extern const HobetaRule kWrappedMulticolourGigascreen;
extern const HobetaRule kBitSpriteSheet;

// The extension of `fileName`: from its last '.' on (the scan does not stop at
// path separators), or the whole name when it has no '.'.
const char* FileExtension(const char* fileName);

// The first rule of `deliverable` that `file` matches, or null.
const HobetaRule* FindHobetaRule(const WrappedFile& file, const DeliverableDescription& deliverable);

// The Hobeta view of a file of `fileSize` bytes at the start of `loadArea`
// (zero-filled beyond it, laid out as `deliverable` says); the header's size
// and checksum are not held against anything yet.
WrappedFile ViewAsWrapped(uint8_t* loadArea, uint32_t fileSize, const DeliverableDescription& deliverable,
                          const Drawing& drawing = kDefaultDrawing);

// A reading of a file and the name, for people, of the form that gave it
// (null when nothing claimed the file).
struct FormReading {
  DecodeResult result;
  const char* formName = nullptr;
};

// Recognises and decodes a file of `fileSize` bytes that fills the start of
// `loadArea` (zero-filled beyond it, laid out as `deliverable` says): the raw
// sizes, then the Hobeta checks and `deliverable`'s rules.
FormReading ReadRawOrHobeta(uint8_t* loadArea, uint32_t fileSize, const char* fileName,
                            const DeliverableDescription& deliverable, const Drawing& drawing = kDefaultDrawing);

// The picture of ReadRawOrHobeta, or null.
Picture* RecognisePicture(uint8_t* loadArea, uint32_t fileSize, const char* fileName,
                          const DeliverableDescription& deliverable);

}  // namespace korvel
