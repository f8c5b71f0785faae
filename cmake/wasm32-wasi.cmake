# The WebAssembly build: clang 14's wasm32-wasi target over Debian's wasi-libc
# and the wasm32 libc++ packages. It builds the core and the C API into one
# module, korvel.wasm, and the viewer site around it (web/).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(KORVEL_WASM ON)

find_program(KORVEL_WASM_CLANG NAMES clang-14 clang REQUIRED)
find_program(KORVEL_WASM_CLANGXX NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_C_COMPILER ${KORVEL_WASM_CLANG})
set(CMAKE_CXX_COMPILER ${KORVEL_WASM_CLANGXX})
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# The compiler checks build objects only: a module needs the link flags of web/.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# 128-bit SIMD (every current browser and node): the decoders' 16-byte vectors.
set(CMAKE_C_FLAGS_INIT -msimd128)
set(CMAKE_CXX_FLAGS_INIT -msimd128)
