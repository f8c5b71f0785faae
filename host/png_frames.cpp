#include "host/png_frames.h"

#include <zlib.h>

#include <cstring>
#include <memory>

namespace korvel::host {

namespace {

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutBigEndian16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

}  // namespace

bool BuildFramesPalette(int width, int height, const std::vector<PngFrame>& frames, PngPalette& palette) {
  palette = PngPalette();
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (const PngFrame& frame : frames) {
    if (!AddToPalette(frame.rgb, pixels, palette)) return false;
  }
  palette.bitDepth = PaletteBitDepth(palette.count);
  return true;
}

std::vector<uint8_t> AnimationControl(size_t frames) {
  std::vector<uint8_t> data;
  PutBigEndian32(data, static_cast<uint32_t>(frames));
  PutBigEndian32(data, 0);  // plays: 0, for ever
  return data;
}

std::vector<uint8_t> FrameControl(uint32_t sequence, int width, int height, const PngFrame& frame) {
  // The delay's two halves are 16 bits each; a fraction larger than that
  // (no ZX picture has one) is halved until it fits.
  uint32_t numerator = frame.delayNumerator;
  uint32_t denominator = frame.delayDenominator != 0 ? frame.delayDenominator : 1;
  while (numerator > 0xFFFF || denominator > 0xFFFF) {
    numerator = (numerator + 1) / 2;
    denominator = denominator > 1 ? (denominator + 1) / 2 : 1;
  }
  std::vector<uint8_t> data;
  PutBigEndian32(data, sequence);
  PutBigEndian32(data, static_cast<uint32_t>(width));
  PutBigEndian32(data, static_cast<uint32_t>(height));
  PutBigEndian32(data, 0);  // x offset
  PutBigEndian32(data, 0);  // y offset
  PutBigEndian16(data, static_cast<uint16_t>(numerator));
  PutBigEndian16(data, static_cast<uint16_t>(denominator));
  data.push_back(0);  // dispose: none
  data.push_back(0);  // blend: source
  return data;
}

bool DeflateRows(const uint8_t* rgb, int width, int height, const PngPalette* palette, int level,
                 const DeflatedPiece& piece, std::string& error) {
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  if (deflateInit(&stream, level) != Z_OK) {
    error = "out of memory";
    return false;
  }
  // Left uninitialised: deflate writes what is handed out.
  constexpr size_t kOutBytes = size_t{1} << 16;
  const std::unique_ptr<uint8_t[]> out(new uint8_t[kOutBytes]);
  const size_t rgbRowBytes = static_cast<size_t>(width) * 3;
  const size_t rowBytes = palette != nullptr ? PackedRowBytes(width, palette->bitDepth) : rgbRowBytes;
  std::vector<uint8_t> row(1 + rowBytes, 0);  // filter byte 0, then the row
  // Feeds `size` bytes (or, with Z_FINISH, the end of the stream), handing
  // out a piece each time the output buffer fills.
  auto feed = [&](const uint8_t* bytes, size_t size, int flush) {
    stream.next_in = const_cast<Bytef*>(bytes);
    stream.avail_in = static_cast<uInt>(size);
    for (;;) {
      stream.next_out = out.get();
      stream.avail_out = static_cast<uInt>(kOutBytes);
      const int result = deflate(&stream, flush);
      if (result == Z_STREAM_ERROR) {
        error = "compression failed";
        return false;
      }
      const size_t produced = kOutBytes - stream.avail_out;
      if (produced > 0 && !piece(out.get(), produced, error)) return false;
      if (flush == Z_FINISH ? result == Z_STREAM_END : stream.avail_out != 0) return true;
    }
  };
  bool ok = true;
  for (int y = 0; ok && y < height; ++y) {
    const uint8_t* line = rgb + rgbRowBytes * static_cast<size_t>(y);
    if (palette != nullptr) {
      PackRow(*palette, line, width, row.data() + 1);
    } else {
      std::memcpy(row.data() + 1, line, rgbRowBytes);
    }
    ok = feed(row.data(), row.size(), Z_NO_FLUSH);
  }
  if (ok) ok = feed(nullptr, 0, Z_FINISH);
  deflateEnd(&stream);
  return ok;
}

bool WriteLaterFrames(int width, int height, const std::vector<PngFrame>& frames, const PngPalette* palette,
                      const PngChunk& chunk, std::string& error) {
  uint32_t sequence = 1;
  std::vector<uint8_t> data;
  for (size_t i = 1; i < frames.size(); ++i) {
    const std::vector<uint8_t> control = FrameControl(sequence++, width, height, frames[i]);
    if (!chunk("fcTL", control.data(), control.size(), error)) return false;
    const bool ok = DeflateRows(
        frames[i].rgb, width, height, palette, kLaterFrameLevel,
        [&](const uint8_t* bytes, size_t size, std::string& pieceError) {
          data.clear();
          PutBigEndian32(data, sequence++);
          data.insert(data.end(), bytes, bytes + size);
          return chunk("fdAT", data.data(), data.size(), pieceError);
        },
        error);
    if (!ok) return false;
  }
  return true;
}

}  // namespace korvel::host
