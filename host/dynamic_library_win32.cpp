// Windows: LoadLibraryA and GetProcAddress, as a Windows image viewer loads
// its plug-ins.

#include <windows.h>

#include <string>
#include <system_error>

#include "host/dynamic_library.h"

namespace korvel::host {

namespace {

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                              message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

void* OpenLibrary(const std::filesystem::path& path, std::string& error) {
  // No message box for a library that cannot be loaded: the error comes back
  // as text instead.
  // A bare name would be looked for in the system folders first; the host
  // means exactly the file named, so it is made absolute.
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryA((absolute.empty() ? path : absolute).string().c_str());
  const DWORD code = GetLastError();
  SetErrorMode(previous);
  if (library == nullptr) error = SystemMessage(code);
  return reinterpret_cast<void*>(library);
}

void* LibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace korvel::host
