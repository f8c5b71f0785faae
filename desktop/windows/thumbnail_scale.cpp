#include "desktop/windows/thumbnail_scale.h"

#include <cstring>

#include "platform/platform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVEL_SHUFFLED_ROWS 1
#endif

namespace korvel::desktop {

namespace {

void PutPixel(uint8_t* out, uint32_t red, uint32_t green, uint32_t blue) {
  out[0] = static_cast<uint8_t>(blue);
  out[1] = static_cast<uint8_t>(green);
  out[2] = static_cast<uint8_t>(red);
  out[3] = 255;
}

void ConvertRowPlain(const uint8_t* rgb, uint8_t* bgra, size_t from, size_t pixels) {
  for (size_t x = from; x < pixels; ++x) PutPixel(bgra + 4 * x, rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
}

#ifdef KORVEL_SHUFFLED_ROWS
bool HaveShuffle() { return __builtin_cpu_supports("ssse3"); }

// Four pixels a step: 12 of the 16 bytes loaded, reordered by one shuffle
// (lanes 0x80 come out 0) and the alpha bytes set by one OR. The last
// pixels, whose 16-byte load would pass the row, go the plain way.
__attribute__((target("ssse3"))) void ConvertRowShuffled(const uint8_t* rgb, uint8_t* bgra, size_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, -128, 5, 4, 3, -128, 8, 7, 6, -128, 11, 10, 9, -128);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  size_t x = 0;
  for (; 3 * x + 16 <= 3 * pixels; x += 4) {
    const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bgra + 4 * x), _mm_or_si128(_mm_shuffle_epi8(source, order), alpha));
  }
  ConvertRowPlain(rgb, bgra, x, pixels);
}
#endif

// Each picture pixel becomes a factor x factor square.
void Enlarge(const Picture& picture, uint32_t factor, uint8_t* bgra) {
  const size_t outRowBytes = size_t{picture.width} * factor * kThumbnailBytesPerPixel;
#ifdef KORVEL_SHUFFLED_ROWS
  const bool shuffle = factor == 1 && HaveShuffle();
#endif
  for (size_t y = 0; y < picture.height; ++y) {
    const uint8_t* rgb = picture.pixels + y * RowBytes(picture);
    uint8_t* row = bgra + y * factor * outRowBytes;
#ifdef KORVEL_SHUFFLED_ROWS
    if (shuffle) {
      ConvertRowShuffled(rgb, row, picture.width);
      continue;
    }
#endif
    if (factor == 1) {
      ConvertRowPlain(rgb, row, 0, picture.width);
      continue;
    }
    uint8_t* out = row;
    for (size_t x = 0; x < picture.width; ++x, rgb += 3) {
      for (uint32_t i = 0; i < factor; ++i, out += 4) PutPixel(out, rgb[0], rgb[1], rgb[2]);
    }
    for (uint32_t i = 1; i < factor; ++i) memcpy(row + i * outRowBytes, row, outRowBytes);
  }
}

// Along one axis of `pictureCount` picture cells and `thumbnailCount`
// thumbnail cells, both stretched to pictureCount * thumbnailCount units: the
// units picture cell `cell` shares with thumbnail cell `target`. A thumbnail
// cell's overlaps add up to `pictureCount`.
uint64_t Overlap(uint64_t cell, uint64_t pictureCount, uint64_t target, uint64_t thumbnailCount) {
  const uint64_t begin = target * pictureCount, end = begin + pictureCount;
  const uint64_t cellBegin = cell * thumbnailCount, cellEnd = cellBegin + thumbnailCount;
  return (end < cellEnd ? end : cellEnd) - (begin > cellBegin ? begin : cellBegin);
}

// Each thumbnail pixel is the exact mean of the picture area it covers,
// rounded: every picture row it touches is first summed across (weights
// adding up to the picture's width), then those sums down (weights adding up
// to its height).
bool Reduce(const Picture& picture, ThumbnailSize size, uint8_t* bgra) {
  const uint64_t width = picture.width, height = picture.height;
  const size_t values = size_t{size.width} * 3;
  auto* across = static_cast<uint32_t*>(platform::AllocateZeroed(values * sizeof(uint32_t)));
  auto* down = static_cast<uint64_t*>(platform::AllocateZeroed(values * sizeof(uint64_t)));
  if (across == nullptr || down == nullptr) {
    platform::Release(across);
    platform::Release(down);
    return false;
  }
  const uint64_t area = width * height;
  for (uint64_t ty = 0; ty < size.height; ++ty) {
    memset(down, 0, values * sizeof(uint64_t));
    const uint64_t firstRow = ty * height / size.height, lastRow = ((ty + 1) * height - 1) / size.height;
    for (uint64_t y = firstRow; y <= lastRow; ++y) {
      const uint8_t* rgb = picture.pixels + y * RowBytes(picture);
      for (uint64_t tx = 0; tx < size.width; ++tx) {
        const uint64_t firstColumn = tx * width / size.width, lastColumn = ((tx + 1) * width - 1) / size.width;
        uint32_t sums[3] = {0, 0, 0};
        for (uint64_t x = firstColumn; x <= lastColumn; ++x) {
          const auto weight = static_cast<uint32_t>(Overlap(x, width, tx, size.width));
          for (int c = 0; c < 3; ++c) sums[c] += weight * rgb[3 * x + c];
        }
        memcpy(across + 3 * tx, sums, sizeof sums);
      }
      const uint64_t weight = Overlap(y, height, ty, size.height);
      for (size_t i = 0; i < values; ++i) down[i] += weight * across[i];
    }
    uint8_t* out = bgra + ty * size.width * kThumbnailBytesPerPixel;
    for (size_t tx = 0; tx < size.width; ++tx, out += 4) {
      const uint64_t* sum = down + 3 * tx;
      PutPixel(out, static_cast<uint32_t>((sum[0] + area / 2) / area), static_cast<uint32_t>((sum[1] + area / 2) / area),
               static_cast<uint32_t>((sum[2] + area / 2) / area));
    }
  }
  platform::Release(across);
  platform::Release(down);
  return true;
}

}  // namespace

ThumbnailSize FitThumbnail(uint32_t width, uint32_t height, uint32_t side) {
  if (width == 0 || height == 0 || side == 0 || side > kLargestThumbnailSide) return {};
  if (width <= side && height <= side) {
    const uint32_t factor = side / width < side / height ? side / width : side / height;
    return {width * factor, height * factor};
  }
  // Rounded to the nearest, at least 1: 64-bit, since 65535 x 8192 passes 32 bits.
  const auto shorter = [side](uint64_t length, uint64_t longest) {
    const auto fitted = static_cast<uint32_t>((length * side + longest / 2) / longest);
    return fitted == 0 ? 1u : fitted;
  };
  if (width >= height) return {side, shorter(height, width)};
  return {shorter(width, height), side};
}

bool ScaleThumbnail(const Picture& picture, ThumbnailSize size, uint8_t* bgra) {
  if (size.width >= picture.width && size.height >= picture.height) {
    Enlarge(picture, size.width / picture.width, bgra);
    return true;
  }
  return Reduce(picture, size, bgra);
}

}  // namespace korvel::desktop
