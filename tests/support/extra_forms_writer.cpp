#include "tests/support/extra_forms_writer.h"

#include <algorithm>
#include <cstring>

namespace korvel::testing {

namespace {

void PutWord(Bytes& bytes, size_t at, unsigned word) {
  bytes[at] = static_cast<uint8_t>(word);
  bytes[at + 1] = static_cast<uint8_t>(word >> 8);
}

void AppendHexLine(std::string& text, const Bytes& bytes, const std::string& lineEnd) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  text += lineEnd;
}

}  // namespace

Bytes WriteMgh(int mode, const Bytes& bitmap1, const Bytes& bitmap2, const FrameAttribute& attribute) {
  Bytes file(256, 0);
  memcpy(file.data(), "MGH", 3);
  file[3] = 1;
  file[4] = static_cast<uint8_t>(mode);
  for (size_t i = 7; i < 256; ++i) file[i] = static_cast<uint8_t>(i);  // real files leave noise here
  file.insert(file.end(), bitmap1.begin(), bitmap1.end());
  file.insert(file.end(), bitmap2.begin(), bitmap2.end());
  if (mode != 1) {
    for (int frame = 0; frame < 2; ++frame) {
      for (int y = 0; y < 192; y += mode) {
        for (int c = 0; c < 32; ++c) file.push_back(attribute(frame, c, y));
      }
    }
    return file;
  }
  for (int frame = 0; frame < 2; ++frame) {  // the middle 16 columns, 8x1
    for (int y = 0; y < 192; ++y) {
      for (int c = 8; c < 24; ++c) file.push_back(attribute(frame, c, y));
    }
  }
  for (int frame = 0; frame < 2; ++frame) {  // the outer 8 + 8 columns, 8x8
    for (int y = 0; y < 192; y += 8) {
      for (int c = 0; c < 8; ++c) file.push_back(attribute(frame, c, y));
      for (int c = 24; c < 32; ++c) file.push_back(attribute(frame, c, y));
    }
  }
  return file;
}

std::string WriteTextPicture(const TextPicture& picture) {
  const std::string& end = picture.lineEnd;
  std::string text = (picture.extended ? "ZX-Paintbrush extended image" : "ZX-Paintbrush image") + end + end;
  for (const Bytes& row : picture.bitmapRows) {
    for (uint8_t byte : row) {
      for (int k = 7; k >= 0; --k) text += (byte >> k & 1) != 0 ? '1' : '0';
    }
    text += end;
  }
  text += end;
  for (const Bytes& row : picture.attributeRows) AppendHexLine(text, row, end);
  if (picture.palette) {
    text += end;
    AppendHexLine(text, *picture.palette, end);
  }
  return text;
}

Bytes WritePlus3dosScreen(const Bytes& screen) {
  Bytes file(128 + screen.size(), 0);
  memcpy(file.data(), "PLUS3DOS\x1A\x01\x00", 11);
  PutWord(file, 11, static_cast<unsigned>(128 + screen.size()));  // file length, low word
  file[15] = 3;                                                   // code
  PutWord(file, 16, static_cast<unsigned>(screen.size()));
  PutWord(file, 18, 0x4000);
  uint8_t sum = 0;
  for (int i = 0; i < 127; ++i) sum = static_cast<uint8_t>(sum + file[i]);
  file[127] = sum;
  std::copy(screen.begin(), screen.end(), file.begin() + 128);
  return file;
}

Bytes WriteSca(uint8_t type, uint16_t frameCount, const Bytes& frames, uint16_t payloadOffset) {
  Bytes file(payloadOffset < 14 ? 14 : payloadOffset, 0);
  memcpy(file.data(), "SCA", 3);
  file[3] = 1;
  PutWord(file, 4, 256);
  PutWord(file, 6, 192);
  file[8] = 0;
  PutWord(file, 9, frameCount);
  file[11] = type;
  PutWord(file, 12, payloadOffset);
  for (unsigned i = 0; i < frameCount; ++i) file.push_back(10);  // delays
  file.insert(file.end(), frames.begin(), frames.end());
  return file;
}

Bytes WriteScaScreens(const Bytes& delays, const std::vector<Bytes>& screens, uint16_t claimedFrames,
                      uint8_t border) {
  const uint16_t frames = claimedFrames != 0 ? claimedFrames : static_cast<uint16_t>(delays.size());
  Bytes file(14, 0);
  memcpy(file.data(), "SCA", 3);
  file[3] = 1;
  PutWord(file, 4, 256);
  PutWord(file, 6, 192);
  file[8] = border;
  PutWord(file, 9, frames);
  PutWord(file, 12, 14);
  for (size_t i = 0; i < frames; ++i) file.push_back(i < delays.size() ? delays[i] : 0);
  for (const Bytes& screen : screens) file.insert(file.end(), screen.begin(), screen.end());
  return file;
}

}  // namespace korvel::testing
