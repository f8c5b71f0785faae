#include "host/plugins.h"

#include <algorithm>
#include <cctype>

#include "host/dynamic_library.h"
#include "plugin/exports.h"

namespace korvel::host {

struct Plugin::Api {
  decltype(&gfpGetPluginInfo) getPluginInfo;
  decltype(&gfpLoadPictureInit) init;
  decltype(&gfpLoadPictureGetInfo) getInfo;
  decltype(&gfpLoadPictureGetLine) getLine;
  decltype(&gfpLoadPictureGetColormap) getColormap;
  decltype(&gfpLoadPictureExit) exit;
};

namespace {

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(LibrarySymbol(library, name));
  return function != nullptr;
}

}  // namespace

std::unique_ptr<Plugin> Plugin::Open(const std::filesystem::path& path, std::string& error) {
  std::unique_ptr<Plugin> plugin(new Plugin());
  plugin->path_ = path;
  plugin->library_ = OpenLibrary(path, error);
  if (plugin->library_ == nullptr) return nullptr;
  plugin->api_ = std::make_unique<Api>();
  Api& api = *plugin->api_;
  void* library = plugin->library_;
  if (!Find(library, "gfpGetPluginInfo", api.getPluginInfo) || !Find(library, "gfpLoadPictureInit", api.init) ||
      !Find(library, "gfpLoadPictureGetInfo", api.getInfo) || !Find(library, "gfpLoadPictureGetLine", api.getLine) ||
      !Find(library, "gfpLoadPictureGetColormap", api.getColormap) ||
      !Find(library, "gfpLoadPictureExit", api.exit)) {
    error = "not a picture plug-in (an export is missing)";
    return nullptr;
  }
  char label[256] = {};
  char extensions[1024] = {};
  int32_t flags = 0;
  if (api.getPluginInfo(2, label, sizeof label, extensions, sizeof extensions, &flags) == 0) {
    error = "the plug-in does not answer interface version 2";
    return nullptr;
  }
  plugin->label_ = label;
  plugin->extensionList_ = extensions;
  return plugin;
}

Plugin::~Plugin() {
  if (library_ != nullptr) CloseLibrary(library_);
}

bool Plugin::ClaimsExtension(const std::string& extension) const {
  const std::string wanted = Lowercase(extension);
  size_t start = 0;
  while (start <= extensionList_.size()) {
    const size_t end = std::min(extensionList_.find(';', start), extensionList_.size());
    if (Lowercase(extensionList_.substr(start, end - start)) == wanted) return true;
    start = end + 1;
  }
  return false;
}

std::optional<Image> Plugin::Load(const std::string& fileName) const {
  void* picture = api_->init(fileName.c_str());
  if (picture == nullptr) return std::nullopt;
  int32_t type = 0, width = 0, height = 0, dpi = 0, bits = 0, bytesPerLine = 0, hasColormap = 0;
  api_->getInfo(picture, &type, &width, &height, &dpi, &bits, &bytesPerLine, &hasColormap, nullptr, nullptr);
  Image image;
  const bool usable = bits == 24 && width >= 0 && height >= 0 && bytesPerLine == width * 3;
  if (usable) {
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(bytesPerLine) * static_cast<size_t>(height));
    for (int32_t row = 0; row < height; ++row) {
      api_->getLine(picture, row, image.rgb.data() + static_cast<size_t>(bytesPerLine) * static_cast<size_t>(row));
    }
  }
  api_->exit(picture);
  if (!usable) return std::nullopt;  // not the 24-bit RGB this host writes
  return image;
}

std::vector<std::filesystem::path> DefaultPluginPaths() {
  const char* names[] = {"korvel_hobeta", "korvel_screens", "korvel_extra"};
#if defined(_WIN32)
  const char* suffix = ".dll";
#else
  const char* suffix = ".so";
#endif
  const std::filesystem::path here = ExecutableFolder();
  std::filesystem::path folder = here;
  if (!std::filesystem::exists(here / (std::string(names[0]) + suffix))) {
    folder = (here / KORVEL_PLUGIN_RELATIVE_DIR).lexically_normal();
  }
  std::vector<std::filesystem::path> paths;
  for (const char* name : names) paths.push_back(folder / (std::string(name) + suffix));
  return paths;
}

std::optional<PluginSet> OpenPlugins(const std::vector<std::filesystem::path>& paths, std::string& error) {
  PluginSet plugins;
  for (const auto& path : paths) {
    std::string why;
    auto plugin = Plugin::Open(path, why);
    if (!plugin) {
      error = path.string() + ": " + why;
      return std::nullopt;
    }
    plugins.push_back(std::move(plugin));
  }
  return plugins;
}

std::vector<const Plugin*> PluginsToTry(const PluginSet& plugins, const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  std::vector<const Plugin*> first, rest;
  for (const auto& plugin : plugins) {
    (!extension.empty() && plugin->ClaimsExtension(extension) ? first : rest).push_back(plugin.get());
  }
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

}  // namespace korvel::host
