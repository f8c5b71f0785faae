// PNG writer over zlib alone, for systems without libpng (the Windows
// build): the chunks are framed here, deflate and crc32 come from zlib.
// Rows are stored unfiltered; ZX pictures are flat colour and deflate well.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "host/png_palette.h"
#include "host/png_writer.h"

namespace korvel::host {

namespace {

constexpr char kExistsMessage[] = "already exists (use --force to overwrite)";

// The output file, created so that "never overwrite" holds even against a
// file that appears between the host's check and the write.
class OutputFile {
 public:
  ~OutputFile() { Close(); }

#if defined(_WIN32)
  bool Create(const std::filesystem::path& path, bool overwrite, std::string& error) {
    handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, overwrite ? CREATE_ALWAYS : CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) return true;
    const DWORD code = GetLastError();
    error = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? kExistsMessage : SystemMessage(code);
    return false;
  }

  bool Write(const uint8_t* bytes, size_t count, std::string& error) {
    while (count > 0) {
      const DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
      DWORD written = 0;
      if (!WriteFile(handle_, bytes, chunk, &written, nullptr) || written == 0) {
        error = SystemMessage(GetLastError());
        return false;
      }
      bytes += written;
      count -= written;
    }
    return true;
  }

  bool Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const bool ok = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  static std::string SystemMessage(DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
      message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message;
  }
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  // A file overwritten is cut to the new length at the end rather than
  // emptied at the open: ext4 flushes a file emptied and written again to
  // disk when it is closed, which is slow for a folder of them.
  bool Create(const std::filesystem::path& path, bool overwrite, std::string& error) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
    descriptor_ = open(path.c_str(), flags, 0666);
    if (descriptor_ < 0) {
      error = errno == EEXIST ? kExistsMessage : std::strerror(errno);
      return false;
    }
    struct stat status;
    cutAtEnd_ = overwrite && fstat(descriptor_, &status) == 0 && S_ISREG(status.st_mode);
    return true;
  }

  bool Write(const uint8_t* bytes, size_t count, std::string& error) {
    while (count > 0) {
      const ssize_t written = write(descriptor_, bytes, count);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        error = written < 0 ? std::strerror(errno) : "nothing written";
        return false;
      }
      bytes += written;
      count -= static_cast<size_t>(written);
      length_ += static_cast<off_t>(written);
    }
    return true;
  }

  bool Close() {
    if (descriptor_ < 0) return true;
    const bool cut = !cutAtEnd_ || ftruncate(descriptor_, length_) == 0;
    const bool ok = close(descriptor_) == 0 && cut;
    descriptor_ = -1;
    return ok;
  }

 private:
  int descriptor_ = -1;
  bool cutAtEnd_ = false;
  off_t length_ = 0;
#endif
};

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// One chunk: length, type, data, and the CRC of type and data.
bool WriteChunk(OutputFile& file, const char type[4], const uint8_t* data, size_t size, std::string& error) {
  std::vector<uint8_t> head;
  PutBigEndian(head, static_cast<uint32_t>(size));
  head.insert(head.end(), type, type + 4);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(type), 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  std::vector<uint8_t> tail;
  PutBigEndian(tail, static_cast<uint32_t>(crc));
  return file.Write(head.data(), head.size(), error) && (size == 0 || file.Write(data, size, error)) &&
         file.Write(tail.data(), tail.size(), error);
}

bool Encode(OutputFile& file, const Image& image, const std::vector<PngFrame>& frames, std::string& error) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const bool animated = frames.size() > 1;
  PngPalette palette;
  const bool indexed = animated ? BuildFramesPalette(image.width, image.height, frames, palette)
                                : BuildPalette(image, palette);
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(image.width));
  PutBigEndian(header, static_cast<uint32_t>(image.height));
  // Bit depth, colour type 3 (palette) or 2 (RGB), deflate, adaptive
  // filtering, no interlace.
  const uint8_t rest[] = {static_cast<uint8_t>(indexed ? palette.bitDepth : 8), static_cast<uint8_t>(indexed ? 3 : 2),
                          0, 0, 0};
  header.insert(header.end(), rest, rest + sizeof rest);
  const PngChunk chunk = [&](const char type[4], const uint8_t* data, size_t size, std::string& chunkError) {
    return WriteChunk(file, type, data, size, chunkError);
  };
  const DeflatedPiece idat = [&](const uint8_t* data, size_t size, std::string& pieceError) {
    return WriteChunk(file, "IDAT", data, size, pieceError);
  };
  if (!file.Write(kSignature, sizeof kSignature, error) ||
      !WriteChunk(file, "IHDR", header.data(), header.size(), error) ||
      (indexed && !WriteChunk(file, "PLTE", palette.rgb, 3 * static_cast<size_t>(palette.count), error))) {
    return false;
  }
  if (animated) {
    const std::vector<uint8_t> control = AnimationControl(frames.size());
    const std::vector<uint8_t> first = FrameControl(0, image.width, image.height, frames[0]);
    if (!WriteChunk(file, "acTL", control.data(), control.size(), error) ||
        !WriteChunk(file, "fcTL", first.data(), first.size(), error)) {
      return false;
    }
  }
  const uint8_t* firstRgb = animated ? frames[0].rgb : image.rgb.data();
  return DeflateRows(firstRgb, image.width, image.height, indexed ? &palette : nullptr, kFirstFrameLevel, idat,
                     error) &&
         (!animated ||
          WriteLaterFrames(image.width, image.height, frames, indexed ? &palette : nullptr, chunk, error)) &&
         WriteChunk(file, "IEND", nullptr, 0, error);
}

bool WriteFile(const Image& image, const std::vector<PngFrame>& frames, const std::filesystem::path& path,
               bool overwrite, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * 3 * static_cast<size_t>(image.height)) {
    error = "not a picture that a PNG file can hold";
    return false;
  }
  OutputFile file;
  if (!file.Create(path, overwrite, error)) return false;
  bool ok = Encode(file, image, frames, error);
  if (!file.Close() && ok) {
    error = "cannot finish writing it";
    ok = false;
  }
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
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
