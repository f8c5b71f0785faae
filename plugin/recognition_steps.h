#pragma once
// Recognition as an ordered table of named steps: each step tests a
// signature, an extension (and size) or a size alone, and hands the whole
// file to its reader. The first step that gives a picture decides; a step
// whose data turn out not to be its form passes the file on; a failed
// allocation ends the load.

#include <cstddef>
#include <cstdint>

#include "containers/container.h"
#include "decoders/drawing.h"
#include "plugin/byte_reader.h"
#include "plugin/deliverable.h"
#include "plugin/picture.h"

namespace korvel {

// What a step sees of a file.
struct FileToRead {
  ByteSpan file;         // exactly the file's bytes
  const char* fileName;  // only its extension is looked at
  // korvel_hobeta's load area: the file, zero-filled beyond it, then the
  // work area. Null when the file is not 17 to 65552 bytes long.
  uint8_t* loadArea;
  const Drawing* drawing = &kDefaultDrawing;
};

enum class StepTestKind : uint8_t {
  kSignature,          // the file begins with `text`
  kSignatureAnyCase,   // the same, letters compared without regard to case
  kExtension,          // the extension is `text` (without regard to case), and the size is one given
  kSize,               // the size is one given
  kHobetaSized,        // 17 to 65552 bytes: what korvel_hobeta's load area holds
};

struct StepTest {
  StepTestKind kind;
  const char* text;
  uint32_t sizes[2];  // 0: no size (for an extension: any size)
};

constexpr StepTest Signature(const char* bytes) { return {StepTestKind::kSignature, bytes, {0, 0}}; }
constexpr StepTest SignatureAnyCase(const char* text) { return {StepTestKind::kSignatureAnyCase, text, {0, 0}}; }
constexpr StepTest Extension(const char* dotExtension, uint32_t size = 0, uint32_t otherSize = 0) {
  return {StepTestKind::kExtension, dotExtension, {size, otherSize}};
}
constexpr StepTest Size(uint32_t size) { return {StepTestKind::kSize, nullptr, {size, 0}}; }
constexpr StepTest HobetaSized() { return {StepTestKind::kHobetaSized, nullptr, {0, 0}}; }

struct RecognitionStep {
  const char* name;  // what the step recognises, for people
  StepTest test;
  // Sets `formName` when the form it read has a name of its own (a Hobeta
  // rule); otherwise the step's name stands.
  DecodeResult (*read)(const FileToRead& file, const char** formName);
  // A tape, snapshot or disk image: `read` gives its first picture, and
  // in-process front-ends can walk all of them.
  ContainerKind container = ContainerKind::kNone;
};

bool StepTestHolds(const StepTest& test, const FileToRead& file);

// A step reader for a decoder of the whole file.
template <DecodeResult (*Decode)(ByteSpan, const Drawing&)>
DecodeResult ReadWhole(const FileToRead& file, const char** /*formName*/) {
  return Decode(file.file, *file.drawing);
}

// A step reader for a decoder of the whole file that needs no checks (the
// step's size test is its whole layout): null is a failed allocation.
template <Picture* (*Decode)(ByteSpan)>
DecodeResult ReadWholeChecked(const FileToRead& file, const char** /*formName*/) {
  return Decoded(Decode(file.file));
}

// A picture and the name of the step or rule that gave it (null with none).
struct StepsReading {
  DecodeResult result;
  const char* formName = nullptr;
  ContainerKind container = ContainerKind::kNone;  // of the step that gave it
};

StepsReading RunRecognitionSteps(const FileToRead& file, const RecognitionStep* steps, size_t stepCount);

// Whether `file` begins with `text`, letters compared without regard to case
// when `anyCase`.
bool StartsWith(ByteSpan file, const char* text, bool anyCase);

// Whether `a` and `b` are the same text, ASCII letters compared without regard to case.
bool TextEqualsAnyCase(const char* a, const char* b);

}  // namespace korvel
