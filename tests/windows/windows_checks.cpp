// Checks of the Windows plug-ins that only a Windows process can make,
// run under Wine by the native test suite:
// - every picture's two blocks come from the process heap and go back to it
//   on gfpLoadPictureExit (which answers HeapFree's success), and a load
//   that fails leaves nothing allocated;
// - a file another program holds open for reading, with read sharing, still
//   opens, while one held without sharing does not;
// - a file of 4 GiB and more is refused even when its low 32 bits of size
//   are those of a picture;
// - the label and extension list are cut and terminated by the Windows
//   bounded copy as by the POSIX one.
//
// usage: windows_checks SCRATCH_FOLDER SCREEN_FILE INPUT_FOLDER PLUGIN.dll...
//        (SCREEN_FILE: a raw 6912-byte screen, which every plug-in reads)

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/exports.h"

namespace {

struct Api {
  decltype(&gfpGetPluginInfo) getPluginInfo;
  decltype(&gfpLoadPictureInit) init;
  decltype(&gfpLoadPictureGetInfo) getInfo;
  decltype(&gfpLoadPictureExit) exit;
};

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAIL %s\n", what.c_str());
  }
}

struct HeapCount {
  size_t blocks = 0;
  size_t bytes = 0;
  bool operator==(const HeapCount& other) const { return blocks == other.blocks && bytes == other.bytes; }
};

// The blocks in use on the process heap. Nothing may allocate between two
// counts that are compared, so the callers keep their strings outside.
HeapCount CountProcessHeap() {
  HeapCount count;
  const HANDLE heap = GetProcessHeap();
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry;
  entry.lpData = nullptr;
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
      ++count.blocks;
      count.bytes += entry.cbData;
    }
  }
  HeapUnlock(heap);
  return count;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::vector<std::string> pending{folder};
  while (!pending.empty()) {
    const std::string dir = pending.back();
    pending.pop_back();
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        pending.push_back(dir + "\\" + name);
      } else {
        files.push_back(dir + "\\" + name);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return files;
}

// Every input through one plug-in: a picture holds exactly two more heap
// blocks (record and pixels, both on the process heap) until its exit, and
// every load, picture or not, leaves the heap as it found it.
void CheckHeap(const Api& api, const std::string& plugin, const std::vector<std::string>& files) {
  const HANDLE heap = GetProcessHeap();
  int pictures = 0;
  // A first load before counting, so that what the system sets up once on
  // the process heap (for the first file opened, say) is not counted.
  if (void* first = api.init(files.front().c_str())) api.exit(first);
  for (const std::string& file : files) {
    const char* name = file.c_str();
    const HeapCount before = CountProcessHeap();
    void* picture = api.init(name);
    const HeapCount during = CountProcessHeap();
    if (picture == nullptr) {
      Check(during == before, plugin + ": a failed load of " + file + " leaves nothing allocated");
      continue;
    }
    ++pictures;
    int32_t type = -1, width = 0, height = 0, dpi = 0, bits = 0, bytesPerLine = 0, hasColormap = 0;
    api.getInfo(picture, &type, &width, &height, &dpi, &bits, &bytesPerLine, &hasColormap, nullptr, nullptr);
    // The record's first field is the pixel block's address.
    void* pixels = *static_cast<void**>(picture);
    const bool recordOnHeap = HeapValidate(heap, 0, picture) != FALSE;
    const bool pixelsOnHeap = HeapValidate(heap, 0, pixels) != FALSE;
    const SIZE_T pixelBytes = HeapSize(heap, 0, pixels);
    const int exitResult = api.exit(picture);
    const HeapCount after = CountProcessHeap();
    Check(recordOnHeap, plugin + ": the picture record of " + file + " is a process-heap block");
    Check(pixelsOnHeap, plugin + ": the pixels of " + file + " are a process-heap block");
    Check(pixelBytes == static_cast<SIZE_T>(width) * static_cast<SIZE_T>(height) * 3,
          plugin + ": the pixel block of " + file + " holds width x height x 3 bytes");
    Check(during.blocks == before.blocks + 2, plugin + ": a picture of " + file + " holds two heap blocks (" +
                                                  std::to_string(during.blocks - before.blocks) + ")");
    Check(exitResult != 0, plugin + ": gfpLoadPictureExit of " + file + " reports the release");
    Check(after == before, plugin + ": after gfpLoadPictureExit of " + file + " the heap is as before");
  }
  Check(pictures > 0, plugin + ": some input is a picture");
}

// The bounded copies of gfpGetPluginInfo: cut to the size given, the
// terminator included, and nothing written for a refused version.
void CheckPluginInfo(const Api& api, const std::string& plugin) {
  char label[64], extensions[256];
  int32_t flags = 7;
  memset(label, 'x', sizeof label);
  memset(extensions, 'x', sizeof extensions);
  Check(api.getPluginInfo(3, label, 64, extensions, 256, &flags) == 0 && label[0] == 'x' && extensions[0] == 'x' &&
            flags == 7,
        plugin + ": interface version 3 is refused and nothing written");
  Check(api.getPluginInfo(2, label, 6, extensions, 256, &flags) == 1 && std::string(label) == "ZX Gr" &&
            label[6] == 'x' && flags == 1,
        plugin + ": a label buffer of 6 bytes holds \"ZX Gr\"");
  const std::string list = extensions;
  Check(list == "!s;$s;!f;$8;scr" || list == "xpc;xpv;rgb;gsc;iscr;mc;mcx" ||
            list == "scr;$c;!c;$s;!s;$b;!b;mlt;ifl;mg1;mg2;mg4;mg8;bsc;bmc4;atr;53c;ch$;chr$;shc;shr;3;nxi;sca;zxp;"
                    "tap;tzx;sna;z80;trd;scl;rzx;szx;dsk;pzx;fdi;udi;td0;mdr;csw;wav",
        plugin + ": the whole extension list");
  memset(label, 'x', sizeof label);
  Check(api.getPluginInfo(2, label, 1, extensions, 0, &flags) == 1 && label[0] == '\0' && label[1] == 'x' &&
            extensions[0] == list[0],
        plugin + ": a buffer of 1 byte gets the terminator alone, one of 0 bytes nothing");
}

// As another program: opens `file` with the given sharing, signals `ready`,
// and holds the file until `release` is signalled.
int HoldFile(const char* file, DWORD sharing, const char* ready, const char* release) {
  const HANDLE handle = CreateFileA(file, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 1;
  const HANDLE readyEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, ready);
  const HANDLE releaseEvent = OpenEventA(SYNCHRONIZE, FALSE, release);
  if (readyEvent == nullptr || releaseEvent == nullptr) return 1;
  SetEvent(readyEvent);
  WaitForSingleObject(releaseEvent, 60000);
  CloseHandle(handle);
  return 0;
}

// Loads `file` while a second process holds it open with `sharing`.
bool LoadWhileHeld(const Api& api, const std::string& file, DWORD sharing, bool& held) {
  const std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(sharing);
  const std::string ready = "korvel-checks-ready-" + tag, release = "korvel-checks-release-" + tag;
  const HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
  const HANDLE releaseEvent = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "\"" + std::string(self) + "\" --hold \"" + file + "\" " + std::to_string(sharing) + " " +
                        ready + " " + release;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  held = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) &&
         WaitForMultipleObjects(2, std::vector<HANDLE>{readyEvent, process.hProcess}.data(), FALSE, 60000) ==
             WAIT_OBJECT_0;
  bool opened = false;
  if (held) {
    void* picture = api.init(file.c_str());
    opened = picture != nullptr;
    if (opened) api.exit(picture);
  }
  SetEvent(releaseEvent);
  if (process.hProcess != nullptr) {
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(readyEvent);
  CloseHandle(releaseEvent);
  return opened;
}

void CheckSharing(const Api& api, const std::string& plugin, const std::string& screen) {
  bool held = false;
  const bool sharedOpens = LoadWhileHeld(api, screen, FILE_SHARE_READ, held);
  Check(held, plugin + ": a second process holds the file with read sharing");
  Check(sharedOpens, plugin + ": a file held open with read sharing still opens");
  const bool exclusiveOpens = LoadWhileHeld(api, screen, 0, held);
  Check(held, plugin + ": a second process holds the file without sharing");
  Check(!exclusiveOpens, plugin + ": a file held open without sharing does not open");
}

// A copy of the screen grown past 4 GiB by exactly 4 GiB: the low 32 bits of
// its size are the screen's, so only the high part tells it apart. The
// file is sparse where the file system allows.
bool MakeHugeScreen(const std::string& screen, const std::string& huge) {
  const HANDLE source = CreateFileA(screen.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (source == INVALID_HANDLE_VALUE) return false;
  std::vector<char> bytes(6912);
  DWORD got = 0;
  const bool read = ReadFile(source, bytes.data(), 6912, &got, nullptr) && got == 6912;
  CloseHandle(source);
  if (!read) return false;
  const HANDLE target =
      CreateFileA(huge.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) return false;
  DWORD ignored = 0;
  DeviceIoControl(target, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  DWORD written = 0;
  LARGE_INTEGER end;
  end.QuadPart = (int64_t{1} << 32) + 6912;
  const bool ok = WriteFile(target, bytes.data(), 6912, &written, nullptr) && written == 6912 &&
                  SetFilePointerEx(target, end, nullptr, FILE_BEGIN) && SetEndOfFile(target);
  CloseHandle(target);
  return ok;
}

void CheckHugeFile(const Api& api, const std::string& plugin, const std::string& huge) {
  void* picture = api.init(huge.c_str());
  Check(picture == nullptr, plugin + ": a file of 4 GiB + 6912 bytes is refused");
  if (picture != nullptr) api.exit(picture);
}

// GetProcAddress's answer as the export's own function type; the detour
// through void* is what a FARPROC of another signature needs.
template <typename Function>
void Find(HMODULE library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "--hold") {
    return HoldFile(argv[2], static_cast<DWORD>(std::stoul(argv[3])), argv[4], argv[5]);
  }
  if (argc < 5) {
    std::fprintf(stderr, "usage: windows_checks SCRATCH_FOLDER SCREEN_FILE INPUT_FOLDER PLUGIN.dll...\n");
    return 2;
  }
  const std::string scratch = argv[1], screen = argv[2];
  const std::vector<std::string> files = FilesIn(argv[3]);
  Check(!files.empty(), std::string("inputs found in ") + argv[3]);
  CreateDirectoryA(scratch.c_str(), nullptr);
  const std::string huge = scratch + "\\huge-screen.scr";
  const bool haveHuge = MakeHugeScreen(screen, huge);
  if (!haveHuge) std::printf("skipped: no file of 4 GiB can be made in %s\n", scratch.c_str());
  for (int i = 4; i < argc; ++i) {
    const std::string plugin = argv[i];
    const HMODULE library = LoadLibraryA(plugin.c_str());
    Check(library != nullptr, plugin + " loads");
    if (library == nullptr) continue;
    Api api;
    Find(library, "gfpGetPluginInfo", api.getPluginInfo);
    Find(library, "gfpLoadPictureInit", api.init);
    Find(library, "gfpLoadPictureGetInfo", api.getInfo);
    Find(library, "gfpLoadPictureExit", api.exit);
    const bool complete =
        api.getPluginInfo != nullptr && api.init != nullptr && api.getInfo != nullptr && api.exit != nullptr;
    Check(complete, plugin + " has the exports");
    if (complete) {
      CheckPluginInfo(api, plugin);
      if (!files.empty()) CheckHeap(api, plugin, files);
      CheckSharing(api, plugin, screen);
      if (haveHuge) CheckHugeFile(api, plugin, huge);
    }
    FreeLibrary(library);
  }
  if (haveHuge) DeleteFileA(huge.c_str());
  std::printf("windows checks: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
