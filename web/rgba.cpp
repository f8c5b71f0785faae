// A helper only the WebAssembly module exports: a picture's RGB rows as the
// RGBA that canvases take, expanded here, four pixels to a vector, where it
// is several times faster than in script.

#include <wasm_simd128.h>

#include <cstddef>
#include <cstdint>

extern "C" __attribute__((export_name("korvel_wasm_rgba"))) void KorvelWasmRgba(const uint8_t* rgb, size_t pixels,
                                                                                 uint8_t* rgba) {
  // Indices of 16 and up read as 0, which the alpha bytes then fill.
  const v128_t spread = wasm_i8x16_make(0, 1, 2, 16, 3, 4, 5, 16, 6, 7, 8, 16, 9, 10, 11, 16);
  const v128_t alpha = wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u));
  size_t i = 0;
  // Each load takes 16 bytes for 12: the last four pixels go one by one.
  for (; i + 6 <= pixels; i += 4) {
    const v128_t four = wasm_v128_load(rgb + 3 * i);
    wasm_v128_store(rgba + 4 * i, wasm_v128_or(wasm_i8x16_swizzle(four, spread), alpha));
  }
  for (; i < pixels; ++i) {
    rgba[4 * i] = rgb[3 * i];
    rgba[4 * i + 1] = rgb[3 * i + 1];
    rgba[4 * i + 2] = rgb[3 * i + 2];
    rgba[4 * i + 3] = 0xFF;
  }
}
