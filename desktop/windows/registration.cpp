#include "desktop/windows/registration.h"

#include <shlobj.h>

#include <initializer_list>

#include "desktop/windows/thumbnail_class.h"
#include "desktop/windows/thumbnail_extensions.h"

namespace korvel::desktop {

namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
constexpr size_t kKeyChars = 256;

bool RunsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                        elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
}

HKEY RegistrationRoot() { return RunsElevated() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// `parts` joined after Software\Classes\ into `key`; false when too long.
bool ClassesPath(wchar_t (&key)[kKeyChars], const wchar_t* first, const wchar_t* second = L"",
                 const wchar_t* third = L"") {
  size_t at = 0;
  for (const wchar_t* part : {kClassesKey, first, second, third}) {
    for (; *part != L'\0'; ++part) {
      if (at + 1 >= kKeyChars) return false;
      key[at++] = *part;
    }
  }
  key[at] = L'\0';
  return true;
}

bool ExtensionKey(wchar_t (&key)[kKeyChars], const char* extension, const wchar_t* below) {
  wchar_t name[kLongestThumbnailExtension + 3] = L".";
  size_t i = 0;
  for (; extension[i] != '\0'; ++i) name[i + 1] = static_cast<wchar_t>(static_cast<unsigned char>(extension[i]));
  name[i + 1] = L'\0';
  return ClassesPath(key, name, *below != L'\0' ? L"\\" : L"", below);
}

HRESULT FromStatus(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

HRESULT SetDefault(HKEY root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text) {
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status == ERROR_SUCCESS) {
    DWORD bytes = 0;
    while (text[bytes / sizeof(wchar_t)] != L'\0') bytes += sizeof(wchar_t);
    status = RegSetValueExW(handle, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes + sizeof(wchar_t));
    RegCloseKey(handle);
  }
  return FromStatus(status);
}

// The default value of `key` in registry view `view` (0: the process's own);
// empty when the key or the value is missing. False when it is there but is
// no text of fewer than kKeyChars characters.
bool ReadDefault(HKEY root, const wchar_t* key, REGSAM view, wchar_t (&text)[kKeyChars]) {
  text[0] = L'\0';
  HKEY handle = nullptr;
  LSTATUS status = RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, &handle);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  DWORD bytes = sizeof text - sizeof(wchar_t);
  status = RegGetValueW(handle, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, text, &bytes);
  RegCloseKey(handle);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool NamesThisClass(const wchar_t* text) {
  return CompareStringOrdinal(text, -1, kThumbnailProviderClassText, -1, TRUE) == CSTR_EQUAL;
}

// Whether the handler value at `key` under `root` names a class other than
// korvel's (an unreadable value counts as another's).
bool OtherHandler(HKEY root, const wchar_t* key) {
  wchar_t text[kKeyChars];
  if (!ReadDefault(root, key, 0, text)) return true;
  return text[0] != L'\0' && !NamesThisClass(text);
}

// Whether `optIn` names `extension` (lower-case, no dot).
bool Names(const wchar_t* optIn, const char* extension) {
  if (optIn == nullptr) return false;
  for (const wchar_t* p = optIn; *p != L'\0';) {
    while (*p == L';' || *p == L',' || *p == L' ' || *p == L'.') ++p;
    const char* e = extension;
    while (*p != L'\0' && *e != '\0' && towlower(*p) == static_cast<wchar_t>(static_cast<unsigned char>(*e))) ++p, ++e;
    const bool whole = *e == '\0' && (*p == L'\0' || *p == L';' || *p == L',' || *p == L' ');
    if (whole) return true;
    while (*p != L'\0' && *p != L';' && *p != L',' && *p != L' ') ++p;
  }
  return false;
}

struct Registering {
  HKEY root;
  const wchar_t* optIn;
  HRESULT result;
};

void RegisterExtension(const char* extension, bool optIn, void* context) {
  auto& registering = *static_cast<Registering*>(context);
  if (FAILED(registering.result) || (optIn && !Names(registering.optIn, extension))) return;
  wchar_t key[kKeyChars];
  if (!ExtensionKey(key, extension, kThumbnailHandlerKey)) return;
  // Another class's handler stays; for this user only, one for all users too.
  if (OtherHandler(registering.root, key)) return;
  if (registering.root == HKEY_CURRENT_USER && OtherHandler(HKEY_LOCAL_MACHINE, key)) return;
  registering.result = SetDefault(registering.root, key, nullptr, kThumbnailProviderClassText);
}

// Deletes `key` when it has neither values nor subkeys.
void DeleteIfEmpty(HKEY root, const wchar_t* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  const LSTATUS status =
      RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
  RegCloseKey(handle);
  if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(root, key);
}

struct Unregistering {
  HKEY root;
  HRESULT result;
};

void UnregisterExtension(const char* extension, bool, void* context) {
  auto& unregistering = *static_cast<Unregistering*>(context);
  wchar_t handler[kKeyChars], shellEx[kKeyChars], extensionKey[kKeyChars];
  if (!ExtensionKey(handler, extension, kThumbnailHandlerKey) || !ExtensionKey(shellEx, extension, L"ShellEx") ||
      !ExtensionKey(extensionKey, extension, L"")) {
    return;
  }
  wchar_t text[kKeyChars];
  if (!ReadDefault(unregistering.root, handler, 0, text) || !NamesThisClass(text)) return;
  const LSTATUS status = RegDeleteKeyW(unregistering.root, handler);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(unregistering.result)) {
    unregistering.result = HRESULT_FROM_WIN32(status);
  }
  DeleteIfEmpty(unregistering.root, shellEx);
  DeleteIfEmpty(unregistering.root, extensionKey);
}

// The class key's path, with `below` after it.
bool ClassKey(wchar_t (&key)[kKeyChars], const wchar_t* below = L"") {
  return ClassesPath(key, L"CLSID\\", kThumbnailProviderClassText, below);
}

// On 64-bit Windows the class is registered apart for each architecture
// (CLSID keys have a 32-bit view), the extension keys are shared.
bool OtherArchitectureRegistered(HKEY root) {
#if defined(_WIN64)
  const REGSAM otherView = KEY_WOW64_32KEY;
#else
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return false;
  const REGSAM otherView = KEY_WOW64_64KEY;
#endif
  wchar_t key[kKeyChars], text[kKeyChars];
  return ClassKey(key, L"\\InprocServer32") && ReadDefault(root, key, otherView, text) && text[0] != L'\0';
}

}  // namespace

HRESULT RegisterThumbnailProvider(HMODULE module, const wchar_t* optIn) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  const HKEY root = RegistrationRoot();
  wchar_t classKey[kKeyChars], serverKey[kKeyChars];
  if (!ClassKey(classKey) || !ClassKey(serverKey, L"\\InprocServer32")) return E_UNEXPECTED;
  HRESULT result = SetDefault(root, classKey, nullptr, kThumbnailProviderName);
  if (SUCCEEDED(result)) result = SetDefault(root, serverKey, nullptr, path);
  if (SUCCEEDED(result)) result = SetDefault(root, serverKey, L"ThreadingModel", L"Apartment");
  if (FAILED(result)) return result;
  Registering registering{root, optIn, S_OK};
  ForEachThumbnailExtension(RegisterExtension, &registering);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return registering.result;
}

HRESULT UnregisterThumbnailProvider() {
  const HKEY root = RegistrationRoot();
  Unregistering unregistering{root, S_OK};
  if (!OtherArchitectureRegistered(root)) ForEachThumbnailExtension(UnregisterExtension, &unregistering);
  wchar_t classKey[kKeyChars];
  if (!ClassKey(classKey)) return E_UNEXPECTED;
  const LSTATUS status = RegDeleteTreeW(root, classKey);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(unregistering.result)) {
    unregistering.result = HRESULT_FROM_WIN32(status);
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return unregistering.result;
}

}  // namespace korvel::desktop
