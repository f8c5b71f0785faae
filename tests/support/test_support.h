#pragma once
// Helpers shared by the tests: pictures that release themselves, loading
// through the in-memory path or through a built plug-in as a host does.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoders/zx_tables.h"
#include "plugin/deliverable.h"
#include "plugin/picture.h"
#include "tests/support/hobeta_writer.h"

namespace korvel::testing {

struct PictureDeleter {
  void operator()(Picture* picture) const { ReleasePicture(picture); }
};
using PicturePtr = std::unique_ptr<Picture, PictureDeleter>;

// The in-memory load path of one deliverable.
PicturePtr LoadBytes(const Bytes& file, const std::string& fileName, const DeliverableDescription& deliverable);

// The colour of pixel (x, y).
Rgb PixelAt(const Picture& picture, int x, int y);

// A built plug-in, opened with dlopen, driven through its six exports.
class LoadedPlugin {
 public:
  explicit LoadedPlugin(const char* path);
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  template <typename Function>
  Function Export(const char* name) const {
    return reinterpret_cast<Function>(Symbol(name));
  }

  // Writes `file` to a temporary file named `fileName` and loads it: Init,
  // GetInfo, every row, Exit. Empty pixels and width/height -1 when the
  // plug-in returns null.
  struct Result {
    int width = -1;
    int height = -1;
    std::vector<uint8_t> pixels;
    bool loaded() const { return width >= 0; }
  };
  Result Load(const Bytes& file, const std::string& fileName) const;
  Result LoadPath(const std::string& path) const;

 private:
  void* Symbol(const char* name) const;
  void* library_;
};

// A fresh folder under the system temporary folder, removed at destruction.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const Bytes& bytes) const;

 private:
  std::string path_;
};

Bytes ReadFileBytes(const std::string& path);

}  // namespace korvel::testing

namespace korvel::testing {

// Runs a shell command; returns its exit status and what it printed on
// stdout and stderr together.
struct CommandResult {
  int status;
  std::string output;
};
CommandResult RunCommand(const std::string& command);

// Quotes a path for the shell.
std::string ShellQuote(const std::string& text);

// Runs the built korvel host with these (already quoted) arguments.
CommandResult RunKorvel(const std::string& arguments);

// Decodes an 8-bit RGB PNG file; width -1 when it cannot be read.
struct PngImage {
  int width = -1;
  int height = -1;
  std::vector<uint8_t> rgb;
};
PngImage ReadPng(const std::string& path);

}  // namespace korvel::testing
