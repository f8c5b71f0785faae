// The thumbnail provider as Explorer drives it, run under Wine by the native
// test suite. For every sample: the handler's CLSID from the extension's
// ShellEx key, CoCreateInstance, a stream from SHCreateStreamOnFileEx,
// Initialize, GetThumbnail at 32, 96, 256 and 1024 (each of the right size,
// a 32-bit top-down DIB, WTSAT_RGB) and at the picture's longest side, where
// nothing is scaled: that one is written as OUTPUT/NAME.png for the native
// side to compare with the Linux host's first picture. The picture's size is
// that of EXPECTED/NAME.png.
//
//   thumbnail_checks register SAMPLES EXPECTED OUTPUT SCRATCH DLL
//     registers DLL (DllRegisterServer, then DllInstall for .scr), runs the
//     above, the bad inputs and DllCanUnloadNow, unregisters and checks that
//     no key is left;
//   thumbnail_checks installed SAMPLES EXPECTED OUTPUT SCRATCH DLL
//     checks that an installer registered DLL, and runs the above through it.

#include <windows.h>

#include <objidl.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/windows/thumbnail_class.h"
#include "desktop/windows/thumbnail_extensions.h"
#include "desktop/windows/thumbnail_scale.h"
#include "host/png_writer.h"

namespace {

namespace fs = std::filesystem;
using korvel::desktop::FitThumbnail;
using korvel::desktop::kThumbnailHandlerKey;
using korvel::desktop::kThumbnailProviderClass;
using korvel::desktop::kThumbnailProviderClassText;
using korvel::desktop::ThumbnailSize;

int passed = 0;
int failed = 0;

bool Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAIL %s\n", what.c_str());
  }
  return ok;
}

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
  return text;
}

std::wstring Wide(const std::string& text) { return fs::path(text).wstring(); }

std::wstring HandlerKey(const std::string& extension) { return L"." + Wide(extension) + L"\\" + kThumbnailHandlerKey; }

// The default value of HKCR\KEY (HKLM and HKCU merged, as the Shell reads).
std::wstring ReadClassesDefault(const std::wstring& key) {
  wchar_t text[512] = L"";
  DWORD bytes = sizeof text;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
    return L"";
  }
  return text;
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// Width and height from a PNG file's header (big-endian at offsets 16 and 20).
bool PngSize(const fs::path& png, uint32_t& width, uint32_t& height) {
  std::ifstream in(png, std::ios::binary);
  unsigned char header[24] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  const auto word = [&](int at) {
    return uint32_t{header[at]} << 24 | uint32_t{header[at + 1]} << 16 | uint32_t{header[at + 2]} << 8 | header[at + 3];
  };
  width = word(16);
  height = word(20);
  return true;
}

template <typename Interface>
struct Held {
  Interface* p = nullptr;
  ~Held() {
    if (p != nullptr) p->Release();
  }
  Interface** operator&() { return &p; }
  Interface* operator->() const { return p; }
};

// GetDIBits of a thumbnail: checks its format and gives its pixels as RGB.
bool ReadThumbnail(HBITMAP bitmap, ThumbnailSize size, korvel::host::Image& image, std::string& problem) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) != sizeof section) {
    problem = "not a DIB section";
    return false;
  }
  // GetObject gives the height without its sign; the bits below tell the order.
  const BITMAPINFOHEADER& header = section.dsBmih;
  if (header.biBitCount != 32 || header.biCompression != BI_RGB || static_cast<uint32_t>(header.biWidth) != size.width ||
      static_cast<uint32_t>(std::abs(header.biHeight)) != size.height || section.dsBm.bmBits == nullptr) {
    problem = "a " + std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) + " DIB of " +
              std::to_string(header.biBitCount) + " bits, not " + std::to_string(size.width) + "x" +
              std::to_string(size.height) + " of 32";
    return false;
  }
  BITMAPINFO info{};
  info.bmiHeader = header;
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biHeight = -static_cast<LONG>(size.height);
  std::vector<uint8_t> bgra(size_t{size.width} * size.height * 4);
  const HDC dc = CreateCompatibleDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, size.height, bgra.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (rows != static_cast<int>(size.height)) {
    problem = "GetDIBits gave " + std::to_string(rows) + " rows";
    return false;
  }
  // The section's own bits, as Explorer reads them, are the rows from the top.
  if (memcmp(section.dsBm.bmBits, bgra.data(), bgra.size()) != 0) {
    problem = "the DIB's bits are not its rows from the top";
    return false;
  }
  image.width = static_cast<int>(size.width);
  image.height = static_cast<int>(size.height);
  image.rgb.resize(bgra.size() / 4 * 3);
  for (size_t i = 0, j = 0; i < bgra.size(); i += 4, j += 3) {
    image.rgb[j] = bgra[i + 2];
    image.rgb[j + 1] = bgra[i + 1];
    image.rgb[j + 2] = bgra[i];
  }
  return true;
}

// A provider of the class registered for `extension`, as Explorer finds it.
HRESULT CreateForExtension(const std::string& extension, IInitializeWithStream** provider) {
  CLSID classId{};
  const std::wstring text = ReadClassesDefault(HandlerKey(extension));
  if (text.empty() || FAILED(CLSIDFromString(text.c_str(), &classId))) return REGDB_E_CLASSNOTREG;
  return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IInitializeWithStream),
                          reinterpret_cast<void**>(provider));
}

bool Announced(const std::string& extension) {
  struct Finding {
    std::string lower;
    bool found;
  } finding{extension, false};
  for (char& c : finding.lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  korvel::desktop::ForEachThumbnailExtension(
      [](const char* announced, bool, void* context) {
        auto& f = *static_cast<Finding*>(context);
        f.found = f.found || f.lower == announced;
      },
      &finding);
  return finding.found;
}

void CheckSample(const fs::path& sample, const fs::path& expected, const fs::path& output) {
  const std::string name = sample.filename().string();
  const std::string extension = sample.extension().string().substr(sample.has_extension() ? 1 : 0);
  // Extensions no plug-in announces (.$g, .$y) get no handler; their files
  // are read through the class itself.
  // The opt-in ones (.scr, .wav) have one only where they were asked for.
  const std::wstring handler = ReadClassesDefault(HandlerKey(extension));
  const bool announced = Announced(extension) &&
                         !(korvel::desktop::IsOptInThumbnailExtension(extension.c_str()) && handler.empty());
  Check(announced ? handler == kThumbnailProviderClassText : handler.empty(),
        name + ": the ." + extension + " key names korvel's thumbnail handler when a plug-in announces it");
  uint32_t width = 0, height = 0;
  if (!Check(PngSize(expected / (name + ".png"), width, height), name + ": the host's first picture is there")) return;
  Held<IInitializeWithStream> initialize;
  HRESULT result = announced ? CreateForExtension(extension, &initialize)
                             : CoCreateInstance(kThumbnailProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                                __uuidof(IInitializeWithStream), reinterpret_cast<void**>(&initialize));
  if (!Check(SUCCEEDED(result), name + ": CoCreateInstance " + Hex(result))) return;
  Held<IStream> stream;
  result = SHCreateStreamOnFileEx(sample.wstring().c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                  FALSE, nullptr, &stream);
  if (!Check(SUCCEEDED(result), name + ": SHCreateStreamOnFileEx " + Hex(result))) return;
  result = initialize->Initialize(stream.p, STGM_READ);
  if (!Check(SUCCEEDED(result), name + ": Initialize " + Hex(result))) return;
  Check(FAILED(initialize->Initialize(stream.p, STGM_READ)), name + ": a second Initialize is refused");
  Held<IThumbnailProvider> provider;
  if (!Check(SUCCEEDED(initialize->QueryInterface(__uuidof(IThumbnailProvider), reinterpret_cast<void**>(&provider))),
             name + ": the object is an IThumbnailProvider")) {
    return;
  }
  const uint32_t exact = width > height ? width : height;
  for (const uint32_t side : {32u, 96u, 256u, 1024u, exact}) {
    const std::string at = name + " at " + std::to_string(side) + ": ";
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    result = provider->GetThumbnail(side, &bitmap, &alpha);
    if (!Check(SUCCEEDED(result) && bitmap != nullptr, at + "GetThumbnail " + Hex(result))) continue;
    Check(alpha == WTSAT_RGB, at + "WTSAT_RGB");
    korvel::host::Image image;
    std::string problem;
    const bool read = ReadThumbnail(bitmap, FitThumbnail(width, height, side), image, problem);
    if (Check(read, at + problem) && side == exact) {
      std::string error;
      Check(korvel::host::WritePng(image, output / (name + ".png"), true, error), at + error);
    }
    DeleteObject(bitmap);
  }
  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  Check(provider->GetThumbnail(0, &bitmap, &alpha) == E_INVALIDARG && bitmap == nullptr,
        name + ": a thumbnail of size 0 is refused");
}

// A stream over bytes in memory that can lie about its size, fail after a
// number of bytes, or go on for ever, and counts what it was asked.
class TestStream final : public IStream {
 public:
  std::vector<uint8_t> bytes;
  bool stats = true;            // false: Stat fails
  bool named = true;            // Stat gives a name
  uint64_t reportedSize = 0;    // what Stat says
  size_t failAfter = SIZE_MAX;  // Read fails once this many bytes have gone
  bool endless = false;         // past the bytes, reads give zeros for ever
  uint64_t delivered = 0;
  size_t reads = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IStream) || iid == __uuidof(ISequentialStream)) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* into, ULONG size, ULONG* read) override {
    ++reads;
    *read = 0;
    if (delivered >= failAfter) return STG_E_READFAULT;
    uint64_t room = endless ? size : (delivered < bytes.size() ? bytes.size() - delivered : 0);
    if (room > size) room = size;
    if (room > failAfter - delivered) room = failAfter - delivered;
    for (uint64_t i = 0; i < room; ++i) {
      static_cast<uint8_t*>(into)[i] = delivered + i < bytes.size() ? bytes[delivered + i] : 0;
    }
    delivered += room;
    *read = static_cast<ULONG>(room);
    return room < size ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stats) return E_NOTIMPL;
    *stat = {};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = reportedSize;
    if (named) {
      static const wchar_t kName[] = L"picture.scr";
      stat->pwcsName = static_cast<wchar_t*>(CoTaskMemAlloc(sizeof kName));
      memcpy(stat->pwcsName, kName, sizeof kName);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
};

HRESULT InitializeWith(IStream* stream, double& seconds) {
  Held<IInitializeWithStream> initialize;
  HRESULT result = CoCreateInstance(kThumbnailProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IInitializeWithStream), reinterpret_cast<void**>(&initialize));
  if (FAILED(result)) return result;
  LARGE_INTEGER start, end, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  result = initialize->Initialize(stream, STGM_READ);
  QueryPerformanceCounter(&end);
  seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  return result;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Streams that lie, fail or never end, and files that are no pictures: each
// fails at Initialize, within a second, having read no more than it must.
void CheckBadInput(const fs::path& screenFile, const fs::path& scratch) {
  const std::vector<uint8_t> screen = ReadFile(screenFile);
  constexpr uint64_t kLimit = 16 * 1024 * 1024;
  struct Case {
    const char* what;
    uint64_t reportedSize;
    size_t bytes;
    size_t failAfter;
    bool stats, named, endless, succeeds;
    uint64_t mostRead;
  };
  const Case cases[] = {
      {"a screen", 6912, 6912, SIZE_MAX, true, true, false, true, 6912},
      {"a screen with no name", 6912, 6912, SIZE_MAX, true, false, false, true, 6912},
      {"a screen whose stream tells no size", 0, 6912, SIZE_MAX, false, false, false, true, 6912},
      {"a stream that ends before its size", 6912, 6000, SIZE_MAX, true, true, false, false, 6912},
      {"a stream that goes on past its size", 6912, 7000, SIZE_MAX, true, true, false, false, 6913},
      {"a stream that fails half-way", 6912, 6912, 3000, true, true, false, false, 3000},
      {"a stream larger than 16 MiB", kLimit + 1, 0, SIZE_MAX, true, true, false, false, 0},
      {"an endless stream that tells no size", 0, 0, SIZE_MAX, false, true, true, false, kLimit + 1},
      {"an empty stream", 0, 0, SIZE_MAX, true, true, false, false, 0},
  };
  for (const Case& c : cases) {
    TestStream stream;
    stream.bytes.assign(screen.begin(), screen.end());
    stream.bytes.resize(c.bytes, 0x55);
    stream.reportedSize = c.reportedSize;
    stream.failAfter = c.failAfter;
    stream.stats = c.stats;
    stream.named = c.named;
    stream.endless = c.endless;
    double seconds = 0;
    const HRESULT result = InitializeWith(&stream, seconds);
    Check(SUCCEEDED(result) == c.succeeds, std::string(c.what) + ": Initialize " + Hex(result));
    Check(stream.delivered <= c.mostRead, std::string(c.what) + ": " + std::to_string(stream.delivered) + " bytes read");
    Check(seconds < 1, std::string(c.what) + ": " + std::to_string(seconds) + " s");
  }
  // Files through the Explorer path: zeros named .tap, junk, nothing.
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"zeros.tap", std::vector<uint8_t>(50000, 0)},
      {"junk.trd", std::vector<uint8_t>(655360, 0xE5)},
      {"empty.scr", {}},
  };
  for (const auto& [name, bytes] : files) {
    const fs::path path = scratch / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Held<IStream> stream;
    double seconds = 0;
    HRESULT result = SHCreateStreamOnFileEx(path.wstring().c_str(), STGM_READ, 0, FALSE, nullptr, &stream);
    if (SUCCEEDED(result)) result = InitializeWith(stream.p, seconds);
    Check(FAILED(result), name + ": Initialize fails (" + Hex(result) + ")");
    Check(seconds < 1, name + ": " + std::to_string(seconds) + " s");
  }
  // A provider never initialized has no thumbnail.
  Held<IThumbnailProvider> provider;
  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  Check(SUCCEEDED(CoCreateInstance(kThumbnailProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IThumbnailProvider), reinterpret_cast<void**>(&provider))) &&
            FAILED(provider->GetThumbnail(256, &bitmap, &alpha)) && bitmap == nullptr,
        "GetThumbnail before Initialize fails");
}

// DllCanUnloadNow: no while an object lives or the server is locked.
void CheckUnloading(HMODULE module) {
  const auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  const auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (!Check(canUnload != nullptr && getClassObject != nullptr, "the DLL exports DllCanUnloadNow, DllGetClassObject")) {
    return;
  }
  Check(canUnload() == S_OK, "DllCanUnloadNow with nothing alive");
  Held<IClassFactory> factory;
  if (!Check(SUCCEEDED(getClassObject(kThumbnailProviderClass, __uuidof(IClassFactory),
                                      reinterpret_cast<void**>(&factory))),
             "DllGetClassObject gives the factory")) {
    return;
  }
  IUnknown* object = nullptr;
  Check(factory->CreateInstance(nullptr, __uuidof(IThumbnailProvider), reinterpret_cast<void**>(&object)) == S_OK,
        "the factory creates a provider");
  Check(canUnload() == S_FALSE, "DllCanUnloadNow while a provider lives");
  if (object != nullptr) object->Release();
  Check(canUnload() == S_OK, "DllCanUnloadNow once it is released");
  factory->LockServer(TRUE);
  Check(canUnload() == S_FALSE, "DllCanUnloadNow while locked");
  factory->LockServer(FALSE);
  Check(canUnload() == S_OK, "DllCanUnloadNow once unlocked");
  IUnknown* aggregated = nullptr;
  Check(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.p), __uuidof(IUnknown),
                                reinterpret_cast<void**>(&aggregated)) == CLASS_E_NOAGGREGATION,
        "aggregation is refused");
  CLSID other = kThumbnailProviderClass;
  other.Data1 ^= 1;
  IUnknown* none = nullptr;
  Check(getClassObject(other, __uuidof(IClassFactory), reinterpret_cast<void**>(&none)) == CLASS_E_CLASSNOTAVAILABLE,
        "DllGetClassObject refuses another class");
}

std::vector<fs::path> Samples(const fs::path& folder) {
  std::vector<fs::path> samples;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) samples.push_back(entry.path());
  }
  return samples;
}

std::wstring ClassKey() { return std::wstring(L"Software\\Classes\\CLSID\\") + kThumbnailProviderClassText; }

std::wstring ExtensionKey(const std::string& extension) { return L"Software\\Classes\\." + Wide(extension); }

template <typename Function>
void Find(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int Register(const std::vector<fs::path>& samples, const fs::path& expected, const fs::path& output,
             const fs::path& scratch, const fs::path& dll) {
  // What the extension keys were before, to see that unregistering restores it.
  std::vector<std::pair<std::string, bool>> before;
  for (const fs::path& sample : samples) {
    const std::string extension = sample.extension().string().substr(1);
    before.emplace_back(extension, KeyExists(HKEY_LOCAL_MACHINE, ExtensionKey(extension)));
  }
  // An extension whose handler is another class's stays so.
  const std::wstring taken = ExtensionKey("mlt") + L"\\" + kThumbnailHandlerKey;
  const wchar_t otherClass[] = L"{00000000-1111-2222-3333-444444444444}";
  HKEY handle = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, taken.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
  RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(otherClass), sizeof otherClass);
  RegCloseKey(handle);

  const HMODULE module = LoadLibraryW(dll.wstring().c_str());
  if (!Check(module != nullptr, dll.string() + " loads")) return 1;
  HRESULT(STDAPICALLTYPE * registerServer)() = nullptr;
  HRESULT(STDAPICALLTYPE * unregisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE * install)(BOOL, LPCWSTR) = nullptr;
  Find(module, "DllRegisterServer", registerServer);
  Find(module, "DllUnregisterServer", unregisterServer);
  Find(module, "DllInstall", install);
  if (!Check(registerServer && unregisterServer && install, "the DLL exports its registration")) return 1;
  Check(registerServer() == S_OK, "DllRegisterServer");
  Check(ReadClassesDefault(HandlerKey("tap")) == kThumbnailProviderClassText, "DllRegisterServer registers .tap");
  Check(ReadClassesDefault(HandlerKey("scr")).empty(), "DllRegisterServer leaves .scr alone");
  Check(ReadClassesDefault(HandlerKey("mlt")) == otherClass, "another class's .mlt handler is left alone");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, ExtensionKey("mlt").c_str());
  Check(install(TRUE, L".SCR") == S_OK, "DllInstall with .scr");
  Check(ReadClassesDefault(HandlerKey("scr")) == kThumbnailProviderClassText, "DllInstall registers .scr");
  wchar_t server[MAX_PATH] = L"";
  DWORD bytes = sizeof server;
  RegGetValueW(HKEY_LOCAL_MACHINE, (ClassKey() + L"\\InprocServer32").c_str(), nullptr, RRF_RT_REG_SZ, nullptr, server,
               &bytes);
  Check(fs::equivalent(fs::path(server), dll), "InprocServer32 names the DLL");

  for (const fs::path& sample : samples) CheckSample(sample, expected, output);
  CheckBadInput(samples.front().parent_path() / "landscape.scr", scratch);
  CoFreeUnusedLibraries();
  CheckUnloading(module);

  Check(unregisterServer() == S_OK, "DllUnregisterServer");
  Check(!KeyExists(HKEY_LOCAL_MACHINE, ClassKey()), "unregistering removes the class");
  for (const auto& [extension, existed] : before) {
    Check(ReadClassesDefault(HandlerKey(extension)).empty(), "unregistering removes the ." + extension + " handler");
    Check(KeyExists(HKEY_LOCAL_MACHINE, ExtensionKey(extension)) == existed,
          "the ." + extension + " key is as before registering");
  }
  return 0;
}

int Installed(const std::vector<fs::path>& samples, const fs::path& expected, const fs::path& output,
              const fs::path& dll) {
  wchar_t server[MAX_PATH] = L"";
  DWORD bytes = sizeof server;
  const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, (ClassKey() + L"\\InprocServer32").c_str(), nullptr,
                                      RRF_RT_REG_SZ, nullptr, server, &bytes);
  Check(status == ERROR_SUCCESS && fs::exists(dll) && fs::equivalent(fs::path(server), dll),
        "the installed class's InprocServer32 names " + dll.string());
  for (const fs::path& sample : samples) CheckSample(sample, expected, output);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: thumbnail_checks register|installed SAMPLES EXPECTED OUTPUT SCRATCH DLL\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  const fs::path samplesFolder = argv[2], expected = argv[3], output = argv[4], scratch = argv[5], dll = argv[6];
  fs::create_directories(output);
  fs::create_directories(scratch);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::vector<fs::path> samples = Samples(samplesFolder);
  Check(!samples.empty(), "samples in " + samplesFolder.string());
  if (mode == L"register") {
    Register(samples, expected, output, scratch, dll);
  } else {
    Installed(samples, expected, output, dll);
  }
  CoUninitialize();
  std::printf("thumbnail checks: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
