// korvel_thumbnails.dll: the Windows Shell's thumbnail provider for ZX
// Spectrum pictures, tapes, snapshots and disk images, an in-process COM
// server on the shared core. Explorer (or its isolated dllhost) creates the
// class for a file, hands it the file's stream (IInitializeWithStream) and
// asks for a bitmap of a given size (IThumbnailProvider). The file's first
// picture is the one the command-line host and the Linux desktop loaders
// give: the rule sets tried in the host's order for the stream's name.

#include <windows.h>

#include <objidl.h>
#include <propsys.h>
#include <thumbcache.h>

#include <atomic>
#include <new>

#include "desktop/windows/registration.h"
#include "desktop/windows/thumbnail_class.h"
#include "desktop/windows/thumbnail_scale.h"
#include "plugin/host_order.h"
#include "plugin/load.h"

namespace korvel::desktop {

namespace {

// The one count COM asks of a server: live objects and LockServer locks, so
// that DllCanUnloadNow can say whether the DLL may go.
std::atomic<long> liveObjectsAndLocks{0};

// The largest stream read: korvel_extra's largest file.
constexpr uint64_t kLargestStreamBytes = kMaxExtraFileBytes;
// The name is only looked at for its extension: a last path component
// longer than this is taken as no name.
constexpr int kNameBytes = 1024;

void* Allocate(size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
void Free(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

// The last path component of `path`, in UTF-8; empty when there is none or
// it does not fit.
void NameFrom(const wchar_t* path, char (&name)[kNameBytes]) {
  name[0] = '\0';
  if (path == nullptr) return;
  const wchar_t* last = path;
  for (const wchar_t* p = path; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/' || *p == L':') last = p + 1;
  }
  if (WideCharToMultiByte(CP_UTF8, 0, last, -1, name, kNameBytes, nullptr, nullptr) == 0) name[0] = '\0';
}

// A file's bytes read from its stream.
struct StreamBytes {
  uint8_t* bytes = nullptr;  // from the process heap; Free() it
  size_t size = 0;
  char name[kNameBytes] = "";
};

// Reads into `into` until `room` bytes or the stream's end (a read that
// gives nothing). S_OK with *got set, or the stream's failure.
HRESULT ReadUpTo(IStream* stream, uint8_t* into, size_t room, size_t& got) {
  got = 0;
  while (got < room) {
    const size_t ask = room - got < 0x10000000 ? room - got : 0x10000000;
    ULONG read = 0;
    const HRESULT result = stream->Read(into + got, static_cast<ULONG>(ask), &read);
    if (FAILED(result)) return result;
    if (read == 0 || read > ask) break;
    got += read;
  }
  return S_OK;
}

constexpr HRESULT kTooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
constexpr HRESULT kNotAsReported = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

// A stream whose size is not told: read in doubling blocks, refused as soon
// as it passes the limit.
HRESULT ReadUnsized(IStream* stream, StreamBytes& read) {
  size_t capacity = 0x10000;
  while (true) {
    auto* grown = static_cast<uint8_t*>(read.bytes == nullptr ? Allocate(capacity)
                                                              : HeapReAlloc(GetProcessHeap(), 0, read.bytes, capacity));
    if (grown == nullptr) return E_OUTOFMEMORY;
    read.bytes = grown;
    size_t got = 0;
    const HRESULT result = ReadUpTo(stream, read.bytes + read.size, capacity - read.size, got);
    if (FAILED(result)) return result;
    read.size += got;
    if (read.size > kLargestStreamBytes) return kTooLarge;
    if (read.size < capacity) return S_OK;
    capacity = capacity * 2 > kLargestStreamBytes + 1 ? kLargestStreamBytes + 1 : capacity * 2;
  }
}

// The whole stream and its name. A stream that tells its size must hold
// exactly that many bytes: one that ends sooner or goes on after it is
// refused, as is one above the limit, before anything is read.
HRESULT ReadStream(IStream* stream, StreamBytes& read) {
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_DEFAULT))) return ReadUnsized(stream, read);
  NameFrom(stat.pwcsName, read.name);
  CoTaskMemFree(stat.pwcsName);
  const uint64_t reported = stat.cbSize.QuadPart;
  if (reported > kLargestStreamBytes) return kTooLarge;
  if (reported == 0) return kNotAsReported;
  read.bytes = static_cast<uint8_t*>(Allocate(static_cast<size_t>(reported)));
  if (read.bytes == nullptr) return E_OUTOFMEMORY;
  read.size = static_cast<size_t>(reported);
  size_t got = 0;
  HRESULT result = ReadUpTo(stream, read.bytes, read.size, got);
  if (FAILED(result)) return result;
  if (got != read.size) return kNotAsReported;
  uint8_t beyond = 0;
  result = ReadUpTo(stream, &beyond, 1, got);
  if (FAILED(result)) return result;
  return got == 0 ? S_OK : kNotAsReported;
}

class ThumbnailProvider final : public IInitializeWithStream, public IThumbnailProvider {
 public:
  ThumbnailProvider() { ++liveObjectsAndLocks; }
  ~ThumbnailProvider() {
    ReleasePicture(picture_);
    --liveObjectsAndLocks;
  }
  ThumbnailProvider(const ThumbnailProvider&) = delete;
  ThumbnailProvider& operator=(const ThumbnailProvider&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IInitializeWithStream)) {
      *object = static_cast<IInitializeWithStream*>(this);
    } else if (iid == __uuidof(IThumbnailProvider)) {
      *object = static_cast<IThumbnailProvider*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // The stream is read whole and its first picture made here; the bytes go
  // back before this returns, so the object holds only the picture.
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD) override {
    if (stream == nullptr) return E_INVALIDARG;
    if (initialized_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    initialized_ = true;
    StreamBytes read;
    HRESULT result = ReadStream(stream, read);
    if (SUCCEEDED(result)) {
      picture_ = LoadPictureInHostOrder(read.bytes, read.size, read.name);
      if (picture_ == nullptr || picture_->width == 0 || picture_->height == 0) result = E_FAIL;
    }
    Free(read.bytes);
    return result;
  }

  HRESULT STDMETHODCALLTYPE GetThumbnail(UINT side, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override {
    if (bitmap == nullptr || alpha == nullptr) return E_POINTER;
    *bitmap = nullptr;
    *alpha = WTSAT_UNKNOWN;
    if (picture_ == nullptr || picture_->width == 0 || picture_->height == 0) return E_UNEXPECTED;
    const ThumbnailSize size = FitThumbnail(picture_->width, picture_->height, side);
    if (size.width == 0) return E_INVALIDARG;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(size.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(size.height);  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP created = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (created == nullptr || bits == nullptr) return E_OUTOFMEMORY;
    if (!ScaleThumbnail(*picture_, size, static_cast<uint8_t*>(bits))) {
      DeleteObject(created);
      return E_OUTOFMEMORY;
    }
    *bitmap = created;
    *alpha = WTSAT_RGB;
    return S_OK;
  }

 private:
  LONG references_ = 1;
  bool initialized_ = false;
  Picture* picture_ = nullptr;
};

// The factory holds nothing of its own: one constant object serves every call.
class ThumbnailProviderFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IClassFactory)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* provider = new (std::nothrow) ThumbnailProvider;
    if (provider == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = provider->QueryInterface(iid, object);
    provider->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++liveObjectsAndLocks;
    } else {
      --liveObjectsAndLocks;
    }
    return S_OK;
  }
};

ThumbnailProviderFactory factory;

// This DLL's module handle, found from one of its own addresses.
HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

}  // namespace korvel::desktop

using korvel::desktop::kThumbnailProviderClass;

extern "C" {

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (classId != kThumbnailProviderClass) return CLASS_E_CLASSNOTAVAILABLE;
  return korvel::desktop::factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return korvel::desktop::liveObjectsAndLocks == 0 ? S_OK : S_FALSE; }

// The class and every extension's handler but the opt-in ones (scr, wav).
STDAPI DllRegisterServer() {
  return korvel::desktop::RegisterThumbnailProvider(korvel::desktop::ThisModule(), nullptr);
}

STDAPI DllUnregisterServer() { return korvel::desktop::UnregisterThumbnailProvider(); }

// `regsvr32 /i:"scr;wav" korvel_thumbnails.dll` (or /n /i: for this call
// alone): install registers as DllRegisterServer does, and the opt-in
// extensions the text names too; uninstall is DllUnregisterServer.
STDAPI DllInstall(BOOL install, LPCWSTR optIn) {
  if (!install) return korvel::desktop::UnregisterThumbnailProvider();
  return korvel::desktop::RegisterThumbnailProvider(korvel::desktop::ThisModule(), optIn);
}

}  // extern "C"
