#include "plugin/recognition_steps.h"

#include <cstring>

#include "plugin/recognition.h"

namespace korvel {

namespace {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SizeIsOneOf(size_t size, const uint32_t (&sizes)[2]) { return size == sizes[0] || size == sizes[1]; }

}  // namespace

bool StartsWith(ByteSpan file, const char* text, bool anyCase) {
  const size_t length = strlen(text);
  const uint8_t* bytes = file.Peek(0, length);
  if (bytes == nullptr) return false;
  for (size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(bytes[i]);
    if (anyCase ? Lower(c) != Lower(text[i]) : c != text[i]) return false;
  }
  return true;
}

bool TextEqualsAnyCase(const char* a, const char* b) {
  for (; *a != '\0' && Lower(*a) == Lower(*b); ++a, ++b) {
  }
  return *a == '\0' && *b == '\0';
}

bool StepTestHolds(const StepTest& test, const FileToRead& f) {
  switch (test.kind) {
    case StepTestKind::kSignature: return StartsWith(f.file, test.text, false);
    case StepTestKind::kSignatureAnyCase: return StartsWith(f.file, test.text, true);
    case StepTestKind::kExtension:
      return TextEqualsAnyCase(FileExtension(f.fileName), test.text) &&
             (test.sizes[0] == 0 || SizeIsOneOf(f.file.size(), test.sizes));
    case StepTestKind::kSize: return SizeIsOneOf(f.file.size(), test.sizes);
    case StepTestKind::kHobetaSized: return f.loadArea != nullptr;
  }
  return false;
}

StepsReading RunRecognitionSteps(const FileToRead& file, const RecognitionStep* steps, size_t stepCount) {
  for (size_t i = 0; i < stepCount; ++i) {
    if (!StepTestHolds(steps[i].test, file)) continue;
    const char* formName = steps[i].name;
    const DecodeResult result = steps[i].read(file, &formName);
    if (result.outOfMemory) return {result, nullptr};
    if (result.picture != nullptr) return {result, formName, steps[i].container};
  }
  return {};
}

}  // namespace korvel
