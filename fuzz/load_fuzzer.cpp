// libFuzzer target: one deliverable's in-memory load path. Any input must
// give a picture or null; every pixel byte of a picture is read back. The
// input layout (control byte, then the file) is in fuzz_input.h.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/picture.h"
#include "plugin/reading.h"

#ifndef KORVEL_FUZZ_DELIVERABLE
#error "KORVEL_FUZZ_DELIVERABLE names the deliverable description to fuzz"
#endif

namespace {

// Copies every row out as a host does and folds the bytes together, so that
// each pixel byte is read (and checked by the sanitizers).
unsigned ReadEveryRow(const korvel::Picture& picture) {
  const size_t rowBytes = korvel::RowBytes(picture);
  unsigned fold = 0;
  if (rowBytes == 0) return fold;  // a sheet of 0 sprites, or of width 0
  std::vector<uint8_t> row(rowBytes);
  for (unsigned y = 0; y < picture.height; ++y) {
    memcpy(row.data(), picture.pixels + rowBytes * y, rowBytes);
    for (const uint8_t byte : row) fold = fold * 31 + byte;
  }
  return fold;
}

void CheckPicture(korvel::Picture* picture) {
  if (picture->pixels == nullptr || picture->width > korvel::fuzzing::kLargestWidth ||
      picture->height > korvel::fuzzing::kLargestHeight) {
    __builtin_trap();
  }
  volatile unsigned sink = ReadEveryRow(*picture);
  (void)sink;
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
  korvel::Picture* picture =
      korvel::LoadPictureBytes(file.bytes.data(), file.bytes.size(), file.fileName, korvel::KORVEL_FUZZ_DELIVERABLE);
  if (picture != nullptr) CheckPicture(picture);
  // korvel_extra's files also go the in-process host's way: every picture
  // and entry of a container, in every rule set's order.
  if (extraNames) korvel::ReadEveryPicture(file.bytes.data(), file.bytes.size(), file.fileName, CheckItem, nullptr);
  return 0;
}
