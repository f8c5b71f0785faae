// An animated PNG read chunk by chunk with zlib, as a viewer that animates
// reads it: the sequence numbers checked, every frame inflated and unfiltered.

#include "tests/support/apng_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace korvel::testing {

namespace {

uint32_t BigEndian32(const uint8_t* at) {
  return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// Undoes the row filters and unpacks indices through the palette.
bool DecodeFrame(const Apng& png, const Bytes& palette, const Bytes& deflated, std::vector<uint8_t>& rgb) {
  const int bitsPerPixel = png.colourType == 3 ? png.bitDepth : 24;
  const size_t rowBytes = (static_cast<size_t>(png.width) * bitsPerPixel + 7) / 8;
  const size_t step = std::max(1, bitsPerPixel / 8);
  Bytes raw((rowBytes + 1) * static_cast<size_t>(png.height));
  uLongf size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &size, deflated.data(), static_cast<uLong>(deflated.size())) != Z_OK ||
      size != raw.size()) {
    return false;
  }
  Bytes previous(rowBytes, 0), row(rowBytes);
  rgb.clear();
  for (int y = 0; y < png.height; ++y) {
    const uint8_t* in = raw.data() + (rowBytes + 1) * static_cast<size_t>(y);
    for (size_t x = 0; x < rowBytes; ++x) {
      const int a = x >= step ? row[x - step] : 0, b = previous[x], c = x >= step ? previous[x - step] : 0;
      int predicted = 0;
      switch (in[0]) {
        case 0: break;
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: {
          const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
          break;
        }
        default: return false;
      }
      row[x] = static_cast<uint8_t>(in[1 + x] + predicted);
    }
    for (int x = 0; x < png.width; ++x) {
      if (png.colourType == 2) {
        rgb.insert(rgb.end(), row.begin() + 3 * x, row.begin() + 3 * x + 3);
        continue;
      }
      const int bit = x * png.bitDepth;
      const int index = (row[static_cast<size_t>(bit / 8)] >> (8 - png.bitDepth - bit % 8)) & ((1 << png.bitDepth) - 1);
      if (3 * static_cast<size_t>(index) + 3 > palette.size()) return false;
      rgb.insert(rgb.end(), palette.begin() + 3 * index, palette.begin() + 3 * index + 3);
    }
    previous = row;
  }
  return true;
}

}  // namespace

Apng ReadApng(const Bytes& file) {
  Apng png;
  Bytes palette, data;
  uint32_t sequence = 0;
  bool inFrame = false;
  auto fail = [&](const std::string& why) {
    png.error = why;
    return png;
  };
  auto finishFrame = [&]() {
    if (!inFrame) return true;
    inFrame = false;
    return DecodeFrame(png, palette, data, png.frames.back().rgb);
  };
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = BigEndian32(&file[at]);
    if (at + 12 + length > file.size()) return fail("a chunk past the end");
    const std::string type(file.begin() + static_cast<long>(at) + 4, file.begin() + static_cast<long>(at) + 8);
    const uint8_t* body = &file[at + 8];
    if (crc32(crc32(0, &file[at + 4], 4), body, length) != BigEndian32(body + length)) return fail(type + " CRC");
    png.chunkOrder.push_back(type);
    at += 12 + length;
    if (type == "IHDR") {
      png.width = static_cast<int>(BigEndian32(body));
      png.height = static_cast<int>(BigEndian32(body + 4));
      png.bitDepth = body[8];
      png.colourType = body[9];
    } else if (type == "PLTE") {
      palette.assign(body, body + length);
    } else if (type == "acTL") {
      png.frameCount = BigEndian32(body);
      png.plays = BigEndian32(body + 4);
    } else if (type == "fcTL" || type == "fdAT") {
      if (BigEndian32(body) != sequence++) return fail(type + " out of sequence");
      if (type == "fdAT") {
        if (!inFrame || png.frames.size() < 2) return fail("fdAT outside a later frame");
        data.insert(data.end(), body + 4, body + length);
        continue;
      }
      if (!finishFrame()) return fail("a frame that does not decode");
      if (BigEndian32(body + 4) != static_cast<uint32_t>(png.width) ||
          BigEndian32(body + 8) != static_cast<uint32_t>(png.height) || BigEndian32(body + 12) != 0 ||
          BigEndian32(body + 16) != 0 || body[24] != 0 || body[25] != 0) {
        return fail("a frame that is not whole, at 0,0, dispose none, blend source");
      }
      png.frames.push_back({uint32_t{body[20]} << 8 | body[21], uint32_t{body[22]} << 8 | body[23], {}});
      inFrame = true;
      data.clear();
    } else if (type == "IDAT") {
      if (png.frames.size() != 1) return fail("IDAT not the first frame");
      data.insert(data.end(), body, body + length);
    } else if (type == "IEND") {
      if (!finishFrame()) return fail("a frame that does not decode");
    }
  }
  if (png.frames.size() != png.frameCount) return fail("acTL counts another number of frames");
  return png;
}

}  // namespace korvel::testing

