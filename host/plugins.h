#pragma once
// The host side of the plug-in interface: loading plug-in libraries, asking
// them for their label and extensions, and reading pictures through them in
// the interface's calling order.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvel::host {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * 3 bytes a row, rows top to bottom
};

class Plugin {
 public:
  // Loads the library at `path`; on failure `error` says why.
  static std::unique_ptr<Plugin> Open(const std::filesystem::path& path, std::string& error);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  const std::filesystem::path& path() const { return path_; }
  const std::string& label() const { return label_; }
  const std::string& extensionList() const { return extensionList_; }
  // Whether the extension list holds `extension` (no dot), regardless of case.
  bool ClaimsExtension(const std::string& extension) const;

  // Init, GetInfo, every row, Exit. Nothing when the plug-in does not open
  // the file.
  std::optional<Image> Load(const std::string& fileName) const;

  struct Api;

 private:
  Plugin() = default;
  std::filesystem::path path_;
  void* library_ = nullptr;
  std::unique_ptr<Api> api_;
  std::string label_;
  std::string extensionList_;
};

using PluginSet = std::vector<std::unique_ptr<Plugin>>;

// The default plug-ins: korvel_hobeta, korvel_screens, korvel_extra, from the host's
// own folder or else the installed plug-in folder.
std::vector<std::filesystem::path> DefaultPluginPaths();

// Opens every path in order; on the first failure `error` names it.
std::optional<PluginSet> OpenPlugins(const std::vector<std::filesystem::path>& paths, std::string& error);

// Plug-ins that claim the file's extension first, then the rest, each group
// in the given order.
std::vector<const Plugin*> PluginsToTry(const PluginSet& plugins, const std::filesystem::path& file);

}  // namespace korvel::host
