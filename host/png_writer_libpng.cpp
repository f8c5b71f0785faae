#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include "host/png_frames.h"
#include "host/png_palette.h"
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

// Palette rows go unfiltered: the filters predict gradients, and rows of
// indices of flat colour deflate best as they are (adaptive filtering made
// the palette files a fifth larger and slower to write). Deflate at zlib's
// default level 6: level 1 leaves drawn pictures half as large again, level
// 9 takes four times as long for 2% less. RGB keeps libpng's adaptive
// filtering.
void ChooseEncoderSettings(png_structp png, bool indexed) {
  png_set_compression_level(png, kFirstFrameLevel);
  if (indexed) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
}

void PutBigEndian(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// The animation's chunks, which libpng does not know, go straight to the
// file between libpng's own: libpng keeps no bytes back from it (the last
// row flushes the IDAT stream), and a failed write here needs no longjmp.
bool WriteChunk(FILE* file, const char type[4], const uint8_t* data, size_t size, std::string& error) {
  uint8_t head[8];
  PutBigEndian(head, static_cast<uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, head + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  uint8_t tail[4];
  PutBigEndian(tail, static_cast<uint32_t>(crc));
  if (std::fwrite(head, 1, 8, file) != 8 || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
      std::fwrite(tail, 1, 4, file) != 4) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool Encode(const Image& image, const std::vector<PngFrame>& frames, FILE* file, std::string& error) {
  const bool animated = frames.size() > 1;
  PngPalette palette;
  const bool indexed = animated ? BuildFramesPalette(image.width, image.height, frames, palette)
                                : BuildPalette(image, palette);
  const PngChunk chunk = [file](const char type[4], const uint8_t* data, size_t size, std::string& chunkError) {
    return WriteChunk(file, type, data, size, chunkError);
  };
  std::vector<uint8_t> control, firstControl;
  if (animated) {
    control = AnimationControl(frames.size());
    firstControl = FrameControl(0, image.width, image.height, frames[0]);
  }
  bool written = true;
  std::vector<uint8_t> packed(indexed ? PackedRowBytes(image.width, palette.bitDepth) : 0);

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
  ChooseEncoderSettings(png, indexed);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
               indexed ? palette.bitDepth : 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) {
    png_color colours[256];
    for (int i = 0; i < palette.count; ++i) {
      colours[i] = {palette.rgb[3 * i], palette.rgb[3 * i + 1], palette.rgb[3 * i + 2]};
    }
    png_set_PLTE(png, info, colours, palette.count);
  }
  png_write_info(png, info);
  if (animated) {
    written = chunk("acTL", control.data(), control.size(), error) &&
              chunk("fcTL", firstControl.data(), firstControl.size(), error);
  }
  const size_t rgbRowBytes = static_cast<size_t>(image.width) * 3;
  for (int y = 0; written && y < image.height; ++y) {
    const uint8_t* row = (animated ? frames[0].rgb : image.rgb.data()) + rgbRowBytes * static_cast<size_t>(y);
    if (indexed) {
      PackRow(palette, row, image.width, packed.data());
      row = packed.data();
    }
    png_write_row(png, row);
  }
  if (written && animated) {
    written = WriteLaterFrames(image.width, image.height, frames, indexed ? &palette : nullptr, chunk, error);
  }
  if (written) png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return written;
}

bool WriteFile(const Image& image, const std::vector<PngFrame>& frames, const std::filesystem::path& path,
               bool overwrite, std::string& error) {
  // The pixels are read as width * height RGB triples: an image that does
  // not hold them is refused before anything is read or created.
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * 3 * static_cast<size_t>(image.height)) {
    error = "not a picture that a PNG file can hold";
    return false;
  }
  // O_EXCL makes "never overwrite" hold even against a file that appears
  // between the host's check and the write. A file overwritten is cut to
  // the new length after the write rather than emptied at the open: ext4
  // flushes a file emptied and written again to disk when it is closed,
  // which made converting a folder a second time several times slower.
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
  const int descriptor = open(path.c_str(), flags, 0666);
  if (descriptor < 0) {
    error = errno == EEXIST ? "already exists (use --force to overwrite)" : std::strerror(errno);
    return false;
  }
  struct stat status;
  const bool cutAtEnd = overwrite && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
  FILE* file = fdopen(descriptor, "wb");  // "w" does not empty a descriptor's file
  if (file == nullptr) {
    error = std::strerror(errno);
    close(descriptor);
    return false;
  }
  bool ok = Encode(image, frames, file, error);
  if (ok && cutAtEnd) {
    const long length = std::ftell(file);
    ok = std::fflush(file) == 0 && length >= 0 && ftruncate(descriptor, length) == 0;
    if (!ok) error = std::strerror(errno);
  }
  if (fclose(file) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (!ok) std::filesystem::remove(path);
  return ok;
}

}  // namespace

bool WritePng(const Image& image, const std::filesystem::path& path, bool overwrite, std::string& error) {
  return WriteFile(image, {}, path, overwrite, error);
}

bool WriteAnimatedPng(const Image& image, const std::vector<PngFrame>& frames, const std::filesystem::path& path,
                      bool overwrite, std::string& error) {
  return WriteFile(image, frames, path, overwrite, error);
}

}  // namespace korvel::host
