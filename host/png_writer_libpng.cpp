#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "host/png_writer.h"

namespace korvel::host {

namespace {

// libpng reports errors through longjmp; the state it may not lose across
// one lives in this record.
struct PngState {
  std::string message;
};

void OnPngError(png_structp png, png_const_charp message) {
  static_cast<PngState*>(png_get_error_ptr(png))->message = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool Encode(const Image& image, FILE* file, std::string& error) {
  PngState state;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
  if (png == nullptr) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = state.message.empty() ? "out of memory" : state.message;
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.rgb.data() + rowBytes * static_cast<size_t>(y));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const Image& image, const std::filesystem::path& path, bool overwrite, std::string& error) {
  // O_EXCL makes "never overwrite" hold even against a file that appears
  // between the host's check and the write.
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
  const int descriptor = open(path.c_str(), flags, 0666);
  if (descriptor < 0) {
    error = errno == EEXIST ? "already exists (use --force to overwrite)" : std::strerror(errno);
    return false;
  }
  FILE* file = fdopen(descriptor, "wb");
  if (file == nullptr) {
    error = std::strerror(errno);
    close(descriptor);
    return false;
  }
  bool ok = Encode(image, file, error);
  if (fclose(file) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (!ok) std::filesystem::remove(path);
  return ok;
}

}  // namespace korvel::host
