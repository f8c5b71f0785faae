// Times a thumbnail against the in-memory load of the same file, side by
// side in one run: for a 6912-byte screen and for a 640 KB TR-DOS image (a
// disk image of the given file's catalogue and sectors, the rest of its 2560
// sectors empty), at 256.
// - the load: LoadPictureInHostOrder of the bytes already in memory, and
//   the picture released;
// - the thumbnail: the DLL's class creates a provider (from its factory,
//   taken once, as a process that makes many thumbnails holds it), which
//   reads a stream over the bytes in memory that tells their name and size,
//   then GetThumbnail(256), the bitmap deleted and the provider released.
// The two alternate in rounds; each figure is the median of the rounds'
// means. Last, the cost of the new bitmap alone, which is mostly the
// system's: the first write to each of its 48 fresh pages faults.
//
//   thumbnail_bench korvel_thumbnails.dll SCREEN.scr DISK.trd [ROUNDS]

#include <windows.h>

#include <objidl.h>
#include <propsys.h>
#include <thumbcache.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/windows/thumbnail_class.h"
#include "plugin/host_order.h"

namespace {

namespace fs = std::filesystem;

// A read-only stream over bytes in memory, with a name.
class MemoryStream final : public IStream {
 public:
  MemoryStream(const std::vector<uint8_t>& bytes, const wchar_t* name) : bytes_(bytes), name_(name) {}
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
    const size_t room = std::min<size_t>(size, bytes_.size() - at_);
    memcpy(into, bytes_.data() + at_, room);
    at_ += room;
    *read = static_cast<ULONG>(room);
    return room < size ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    *stat = {};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    const size_t bytes = (wcslen(name_) + 1) * sizeof(wchar_t);
    stat->pwcsName = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    memcpy(stat->pwcsName, name_, bytes);
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

 private:
  const std::vector<uint8_t>& bytes_;
  const wchar_t* name_;
  size_t at_ = 0;
};

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

bool Load(const std::vector<uint8_t>& bytes, const char* name) {
  korvel::Picture* picture = korvel::LoadPictureInHostOrder(bytes.data(), bytes.size(), name);
  korvel::ReleasePicture(picture);
  return picture != nullptr;
}

bool Thumbnail(IClassFactory* factory, const std::vector<uint8_t>& bytes, const wchar_t* name) {
  IInitializeWithStream* initialize = nullptr;
  if (FAILED(factory->CreateInstance(nullptr, __uuidof(IInitializeWithStream), reinterpret_cast<void**>(&initialize)))) {
    return false;
  }
  MemoryStream stream(bytes, name);
  IThumbnailProvider* provider = nullptr;
  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha;
  const bool made = SUCCEEDED(initialize->Initialize(&stream, STGM_READ)) &&
                    SUCCEEDED(initialize->QueryInterface(__uuidof(IThumbnailProvider),
                                                         reinterpret_cast<void**>(&provider))) &&
                    SUCCEEDED(provider->GetThumbnail(256, &bitmap, &alpha));
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (provider != nullptr) provider->Release();
  initialize->Release();
  return made;
}

// What every thumbnail at 256 of a screen must pay besides the load: a new
// 256x192 32-bit DIB section, its bits written once, deleted.
void FreshBitmap() {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 256;
  info.bmiHeader.biHeight = -192;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bits != nullptr) memset(bits, 0xFF, 256 * 192 * 4);
  DeleteObject(bitmap);
}

template <typename Run>
double MeanMicroseconds(Run run, int count) {
  const double start = Now();
  for (int i = 0; i < count; ++i) run();
  return (Now() - start) / count * 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: thumbnail_bench korvel_thumbnails.dll SCREEN.scr DISK.trd [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc == 5 ? _wtoi(argv[4]) : 21;
  const HMODULE module = LoadLibraryW(argv[1]);
  const auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(module != nullptr ? GetProcAddress(module, "DllGetClassObject") : nullptr));
  IClassFactory* factory = nullptr;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (getClassObject == nullptr ||
      FAILED(getClassObject(korvel::desktop::kThumbnailProviderClass, __uuidof(IClassFactory),
                            reinterpret_cast<void**>(&factory)))) {
    std::fprintf(stderr, "thumbnail_bench: no thumbnail class in %ls\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> screen = ReadFile(argv[2]);
  std::vector<uint8_t> disk = ReadFile(argv[3]);
  disk.resize(655360, 0);
  struct Input {
    const char* what;
    const std::vector<uint8_t>& bytes;
    const char* name;
    const wchar_t* wideName;
    int perRound;
  };
  const Input inputs[] = {{"6912-byte screen", screen, "picture.scr", L"picture.scr", 400},
                          {"640 KB TR-DOS image", disk, "disk.trd", L"disk.trd", 100}};
  for (const Input& input : inputs) {
    if (!Load(input.bytes, input.name) || !Thumbnail(factory, input.bytes, input.wideName)) {
      std::fprintf(stderr, "thumbnail_bench: the %s gives no picture\n", input.what);
      return 1;
    }
    std::vector<double> loads, thumbnails;
    for (int round = 0; round < rounds; ++round) {
      loads.push_back(MeanMicroseconds([&] { Load(input.bytes, input.name); }, input.perRound));
      thumbnails.push_back(MeanMicroseconds([&] { Thumbnail(factory, input.bytes, input.wideName); }, input.perRound));
    }
    const double load = Median(loads), thumbnail = Median(thumbnails);
    std::printf("%s: in-memory load %.1f us, thumbnail at 256 %.1f us, %.2fx\n", input.what, load, thumbnail,
                thumbnail / load);
  }
  std::vector<double> bitmaps;
  for (int round = 0; round < rounds; ++round) bitmaps.push_back(MeanMicroseconds(FreshBitmap, 400));
  std::printf("of which a new 256x192 DIB section, written once: %.1f us\n", Median(bitmaps));
  factory->Release();
  CoUninitialize();
  return 0;
}
