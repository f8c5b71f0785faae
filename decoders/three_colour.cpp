#include "decoders/three_colour.h"

#include "decoders/zx_tables.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVEL_WIDE_CHANNEL_ROWS 1
#endif

namespace korvel {

namespace {

#ifdef KORVEL_WIDE_CHANNEL_ROWS

// 64 pixels are 192 bytes, three 64-byte stores. Byte j of store s is
// channel (64s + j) % 3 of pixel (64s + j) / 3: it is lit when that pixel's
// bit is set in that channel's bitmap byte. With the eight red, green and
// blue bitmap bytes of the 64 pixels in bytes 0-7, 8-15 and 16-23 of one
// vector, `source` says which byte each output byte tests and `bit` which bit.
inline constexpr struct WideChannelTable {
  uint8_t source[3][64];
  uint8_t bit[3][64];
  constexpr WideChannelTable() : source(), bit() {
    for (unsigned s = 0; s < 3; ++s) {
      for (unsigned j = 0; j < 64; ++j) {
        const unsigned pixel = (64 * s + j) / 3, channel = (64 * s + j) % 3;
        source[s][j] = static_cast<uint8_t>(8 * channel + pixel / 8);
        bit[s][j] = PixelMasks[pixel % 8];
      }
    }
  }
} kWideChannels;

#endif

}  // namespace

#ifdef KORVEL_WIDE_CHANNEL_ROWS

bool WideChannelRowsAvailable() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi");
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void WriteWideChannelRow(uint8_t* out, const uint8_t* red,
                                                                                 const uint8_t* green,
                                                                                 const uint8_t* blue) {
  for (int c = 0; c < 32; c += 8, out += 192) {
    const __m512i bytes = _mm512_set_epi64(0, 0, 0, 0, 0, static_cast<long long>(Load8(blue + c)),
                                           static_cast<long long>(Load8(green + c)),
                                           static_cast<long long>(Load8(red + c)));
    for (int s = 0; s < 3; ++s) {
      const __m512i tested =
          _mm512_maskz_permutexvar_epi8(~__mmask64{0}, _mm512_loadu_si512(kWideChannels.source[s]), bytes);
      const __mmask64 lit = _mm512_test_epi8_mask(tested, _mm512_loadu_si512(kWideChannels.bit[s]));
      _mm512_storeu_si512(out + 64 * s, _mm512_movm_epi8(lit));
    }
  }
}

#else

bool WideChannelRowsAvailable() { return false; }

void WriteWideChannelRow(uint8_t* out, const uint8_t* red, const uint8_t* green, const uint8_t* blue) {
  WriteChannelRow(out, red, green, blue);
}

#endif

namespace {

enum class RowOrder { displayFile, linear };

// `channelOfBitmap[b]` is the pixel byte (0 red, 1 green, 2 blue) that bitmap
// b (at offset 6144 * b) lights.
Picture* DecodeChannels(ByteSpan data, const uint8_t (&channelOfBitmap)[3], RowOrder order) {
  const uint8_t* screen = data.Peek(0, kThreeColourScreenBytes);
  if (screen == nullptr) return nullptr;
  Picture* picture = CreatePicture(kScreenWidth, kScreenHeight);
  if (picture == nullptr) return nullptr;

  const uint8_t* bitmapOfChannel[3];
  for (unsigned bitmap = 0; bitmap < 3; ++bitmap) {
    bitmapOfChannel[channelOfBitmap[bitmap]] = screen + kBitmapBytes * bitmap;
  }
  const uint8_t* red = bitmapOfChannel[0];
  const uint8_t* green = bitmapOfChannel[1];
  const uint8_t* blue = bitmapOfChannel[2];
  // From tables, eight pixels at a time, or from the bits themselves with
  // wide vectors where the processor has them.
  const auto writeRow = WideChannelRowsAvailable() ? WriteWideChannelRow : WriteChannelRow;
  uint8_t* out = picture->pixels;
  for (unsigned y = 0; y < kScreenHeight; ++y) {
    const size_t row = order == RowOrder::linear ? 32 * y : ScreenRowOffset(y);
    writeRow(out, red + row, green + row, blue + row);
    out += 3 * kScreenWidth;
  }
  return picture;
}

}  // namespace

Picture* DecodeThreeColourScreen(ByteSpan data) {
  return DecodeChannels(data, {0, 1, 2}, RowOrder::displayFile);
}

Picture* DecodeBrgThreeColourScreen(ByteSpan data) {
  return DecodeChannels(data, {2, 0, 1}, RowOrder::displayFile);
}

Picture* DecodeLinearThreeColourScreen(ByteSpan data) {
  return DecodeChannels(data, {0, 1, 2}, RowOrder::linear);
}

}  // namespace korvel
