#include <dlfcn.h>

#include <system_error>

#include "host/dynamic_library.h"

namespace korvel::host {

void* OpenLibrary(const std::filesystem::path& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) error = dlerror();
  return library;
}

void* LibrarySymbol(void* library, const char* name) { return dlsym(library, name); }

void CloseLibrary(void* library) { dlclose(library); }

std::filesystem::path ExecutableFolder() {
  std::error_code ignored;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
  return self.empty() ? std::filesystem::current_path() : self.parent_path();
}

}  // namespace korvel::host
