#include "tests/support/test_support.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "plugin/exports.h"
#include "plugin/load.h"

namespace korvel::testing {

PicturePtr LoadBytes(const Bytes& file, const std::string& fileName, const DeliverableDescription& deliverable) {
  return PicturePtr(LoadPictureBytes(file.data(), file.size(), fileName.c_str(), deliverable));
}

Rgb PixelAt(const Picture& picture, int x, int y) {
  const uint8_t* p = picture.pixels + 3 * (static_cast<size_t>(y) * picture.width + x);
  return {p[0], p[1], p[2]};
}

LoadedPlugin::LoadedPlugin(const char* path) : library_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
  if (library_ == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
}

LoadedPlugin::~LoadedPlugin() { dlclose(library_); }

void* LoadedPlugin::Symbol(const char* name) const { return dlsym(library_, name); }

LoadedPlugin::Result LoadedPlugin::LoadPath(const std::string& path) const {
  auto init = Export<decltype(&gfpLoadPictureInit)>("gfpLoadPictureInit");
  auto getInfo = Export<decltype(&gfpLoadPictureGetInfo)>("gfpLoadPictureGetInfo");
  auto getLine = Export<decltype(&gfpLoadPictureGetLine)>("gfpLoadPictureGetLine");
  auto exit = Export<decltype(&gfpLoadPictureExit)>("gfpLoadPictureExit");
  Result result;
  void* picture = init(path.c_str());
  if (picture == nullptr) return result;
  int32_t type, width, height, dpi, bits, bytesPerLine, colormap;
  getInfo(picture, &type, &width, &height, &dpi, &bits, &bytesPerLine, &colormap, nullptr, nullptr);
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<size_t>(bytesPerLine) * height);
  for (int32_t row = 0; row < height; ++row) getLine(picture, row, result.pixels.data() + size_t{3} * width * row);
  exit(picture);
  return result;
}

LoadedPlugin::Result LoadedPlugin::Load(const Bytes& file, const std::string& fileName) const {
  TemporaryFolder folder;
  return LoadPath(folder.Write(fileName, file));
}

TemporaryFolder::TemporaryFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TemporaryFolder::Write(const std::string& name, const Bytes& bytes) const {
  const std::filesystem::path path = std::filesystem::path(path_) / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace korvel::testing

#include <png.h>
#include <sys/wait.h>

#include <cstdio>

namespace korvel::testing {

CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

CommandResult RunKorvel(const std::string& arguments) {
#ifdef KORVEL_HOST
  return RunCommand(ShellQuote(KORVEL_HOST) + " " + arguments);
#else
  return {-1, "the korvel host is not built: " + arguments};
#endif
}

PngImage ReadPng(const std::string& path) {
  PngImage image;
  png_image png = {};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return image;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgb = std::move(rgb);
  return image;
}

}  // namespace korvel::testing
