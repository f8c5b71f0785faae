// libFuzzer target: one deliverable's in-memory load path. Any input must
// give a picture or null; every pixel byte of a picture lies in its block. The
// input layout (control byte, then the file) is in fuzz_input.h.

#include <cstddef>
#include <cstdint>

#include <sanitizer/asan_interface.h>

#include "fuzz/fuzz_input.h"
#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/picture.h"
#include "plugin/reading.h"

#ifndef KORVEL_FUZZ_DELIVERABLE
#error "KORVEL_FUZZ_DELIVERABLE names the deliverable description to fuzz"
#endif

namespace {

// Every pixel byte must lie in memory the picture owns. One check of the
// whole block instead of reading it byte by byte: a byte loop under the
// coverage instrumentation took most of each run on big pictures.
bool PixelsAddressable(const korvel::Picture& picture) {
  const size_t bytes = korvel::RowBytes(picture) * picture.height;
  return bytes == 0 || __asan_region_is_poisoned(picture.pixels, bytes) == nullptr;
}

void CheckPicture(korvel::Picture* picture) {
  if (picture->pixels == nullptr || picture->width > korvel::fuzzing::kLargestWidth ||
      picture->height > korvel::fuzzing::kLargestHeight) {
    __builtin_trap();
  }
  if (!PixelsAddressable(*picture)) __builtin_trap();
  if (!korvel::ReleasePicture(picture)) __builtin_trap();
}

bool CheckItem(korvel::FoundItem& item, void*) {
  if (item.picture != nullptr) CheckPicture(item.picture);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool extraNames = &korvel::KORVEL_FUZZ_DELIVERABLE == &korvel::kKorvelExtra;
  const korvel::fuzzing::FuzzFile file = korvel::fuzzing::DecodeFuzzInput(data, size, extraNames);
  if (file.fileName == nullptr) return 0;
  // korvel_extra's files go the in-process host's way when the control byte
  // says so: every picture and entry of a container, in every rule set's
  // order. Doing both walks for every input made each run twice as long,
  // while the mutations reach either walk from any input.
  if (file.hostWalk) {
    korvel::ReadEveryPicture(file.bytes.data(), file.bytes.size(), file.fileName, CheckItem, nullptr);
    return 0;
  }
  korvel::Picture* picture =
      korvel::LoadPictureBytes(file.bytes.data(), file.bytes.size(), file.fileName, korvel::KORVEL_FUZZ_DELIVERABLE);
  if (picture != nullptr) CheckPicture(picture);
  return 0;
}
