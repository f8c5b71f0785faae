#pragma once
// Loading a shared library and finding its functions: dlopen on POSIX,
// LoadLibraryA on Windows.

#include <filesystem>
#include <string>

namespace korvel::host {

void* OpenLibrary(const std::filesystem::path& path, std::string& error);
void* LibrarySymbol(void* library, const char* name);
void CloseLibrary(void* library);

}  // namespace korvel::host
