// Benchmarks of every decoder and depacker, of the in-memory load path and of
// the whole host-side sequence through a built plug-in's exports.
//
// Each time is also shown as a ratio to a memcpy of the benchmark's output
// size, measured in the same run (counter x_memcpy), so that the figures hold
// across machines. After the table comes a summary of the speed targets, from
// the median of the repetitions.
//
// usage: korvel_bench [--benchmark_repetitions=N] [--benchmark_filter=REGEX] ...

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "decoders/bit_sprite_sheet.h"
#include "decoders/block_coded.h"
#include "decoders/character_set.h"
#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/three_colour.h"
#include "depackers/hr.h"
#include "depackers/lcmp5.h"
#include "platform/platform.h"
#include "plugin/deliverable.h"
#include "plugin/exports.h"
#include "plugin/container_pictures.h"
#include "plugin/load.h"
#include "plugin/reading.h"
#include "tests/support/container_writer.h"
#include "tests/support/hobeta_writer.h"
#if defined(KORVEL_BENCH_PNG)
#include "host/png_writer.h"
#endif

namespace fs = std::filesystem;
using namespace korvel;
using bench::Bytes;

namespace {

constexpr size_t kScreenOutputBytes = 147456;  // 256 x 192 x 3
constexpr size_t kReadBufferSize = 65552;

// ---------------------------------------------------------------------------
// The memcpy reference: thread CPU time of one copy of `bytes` bytes between
// two buffers that stay warm in the cache, the median of many batches.

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double MeasureMemcpySeconds(size_t bytes) {
  std::vector<uint8_t> source(bytes, 0x5A), target(bytes);
  const int copies = static_cast<int>(std::max<size_t>(20, (64u << 20) / bytes / 8));
  std::vector<double> samples;
  for (int batch = 0; batch < 25; ++batch) {
    const double start = ThreadSeconds();
    for (int i = 0; i < copies; ++i) {
      memcpy(target.data(), source.data(), bytes);
      benchmark::ClobberMemory();
    }
    samples.push_back((ThreadSeconds() - start) / copies);
  }
  std::nth_element(samples.begin(), samples.begin() + 12, samples.end());
  return samples[12];
}

std::map<size_t, double>& MemcpySeconds() {
  static std::map<size_t, double> seconds;
  return seconds;
}

// Thread CPU time from construction to ReportRatio, which adds the x_memcpy
// counter: time per iteration over the memcpy of `outputBytes`.
class RatioClock {
 public:
  RatioClock() : start_(ThreadSeconds()) {}
  void ReportRatio(benchmark::State& state, size_t outputBytes) const {
    if (state.iterations() == 0) return;
    const double perIteration = (ThreadSeconds() - start_) / static_cast<double>(state.iterations());
    state.counters["x_memcpy"] = perIteration / MemcpySeconds().at(outputBytes);
  }

 private:
  double start_;
};

// ---------------------------------------------------------------------------
// Inputs.

struct Inputs {
  Bytes landscape = bench::LandscapeScreen(0);
  Bytes landscapeFrame2 = bench::LandscapeScreen(1);
  Bytes multicolour = bench::LandscapeMulticolour(0);
  Bytes multicolourFrame2 = bench::LandscapeMulticolour(1);
  Bytes threeColour = bench::LandscapeThreeColour(false);
  Bytes threeColourLinear = bench::LandscapeThreeColour(true);
  Bytes blockCoded = bench::PaddedTo(bench::BlockCodedLandscape(), kReadBufferSize);
  Bytes bitSheet = bench::PaddedTo(bench::BitSheetLandscape(), kReadBufferSize);
  Bytes random = bench::RandomBytes(kReadBufferSize, 7);
  Bytes plainScreen = PlainScreen();

  Bytes gigascreen = Concatenated(landscape, landscapeFrame2);
  Bytes multicolourGigascreen = Concatenated(multicolour, multicolourFrame2);

  // A paper-only screen: the shortest streams, a few long copies.
  static Bytes PlainScreen() {
    Bytes screen(6912, 0);
    std::fill(screen.begin() + 6144, screen.end(), 0x38);
    return screen;
  }
  static Bytes Concatenated(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
};

const Inputs& TheInputs() {
  static const Inputs inputs;
  return inputs;
}

ByteSpan Span(const Bytes& bytes) { return ByteSpan(bytes.data(), bytes.size()); }

// ---------------------------------------------------------------------------
// Benchmark bodies.

using Decoder = std::function<Picture*(ByteSpan)>;

void DecodeBenchmark(benchmark::State& state, const Decoder& decode, const Bytes& input) {
  const ByteSpan data = Span(input);
  size_t outputBytes = 0;
  const RatioClock clock;
  for (auto _ : state) {
    Picture* picture = decode(data);
    if (picture == nullptr) {
      state.SkipWithError("the decoder returned no picture");
      return;
    }
    outputBytes = PixelBytes(*picture);
    benchmark::DoNotOptimize(picture->pixels);
    ReleasePicture(picture);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * outputBytes));
  clock.ReportRatio(state, outputBytes);
}

using Depacker = std::function<bool(ByteSpan, MutableByteSpan)>;

void DepackBenchmark(benchmark::State& state, const Depacker& depack, const Bytes& packed, size_t outputBytes) {
  const Bytes padded = bench::PaddedTo(packed, kReadBufferSize);
  std::vector<uint8_t> output(outputBytes, 0);
  const RatioClock clock;
  for (auto _ : state) {
    if (!depack(Span(padded), MutableByteSpan(output.data(), output.size()))) {
      state.SkipWithError("the depacker failed");
      return;
    }
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * outputBytes));
  state.counters["packed_bytes"] = static_cast<double>(packed.size());
  clock.ReportRatio(state, outputBytes);
}

void LoadBytesBenchmark(benchmark::State& state, const Bytes& file, const char* fileName,
                        const DeliverableDescription& deliverable = kKorvelHobeta) {
  const RatioClock clock;
  for (auto _ : state) {
    Picture* picture = LoadPictureBytes(file.data(), file.size(), fileName, deliverable);
    if (picture == nullptr) {
      state.SkipWithError("the file was not recognised");
      return;
    }
    benchmark::DoNotOptimize(picture->pixels);
    ReleasePicture(picture);
  }
  clock.ReportRatio(state, kScreenOutputBytes);
}

// The built plug-in, opened as a host opens it.
struct PluginExports {
  void* library = nullptr;
  decltype(&gfpLoadPictureInit) init = nullptr;
  decltype(&gfpLoadPictureGetInfo) getInfo = nullptr;
  decltype(&gfpLoadPictureGetLine) getLine = nullptr;
  decltype(&gfpLoadPictureExit) exit = nullptr;

  bool Open(const char* path) {
    library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return false;
    init = reinterpret_cast<decltype(init)>(dlsym(library, "gfpLoadPictureInit"));
    getInfo = reinterpret_cast<decltype(getInfo)>(dlsym(library, "gfpLoadPictureGetInfo"));
    getLine = reinterpret_cast<decltype(getLine)>(dlsym(library, "gfpLoadPictureGetLine"));
    exit = reinterpret_cast<decltype(exit)>(dlsym(library, "gfpLoadPictureExit"));
    return init && getInfo && getLine && exit;
  }
};

const PluginExports* ThePlugin() {
  static PluginExports plugin;
  static const bool opened = plugin.Open(KORVEL_HOBETA_PLUGIN);
  return opened ? &plugin : nullptr;
}

// Init, GetInfo, every row, Exit: what a host does for one file.
void ExportsBenchmark(benchmark::State& state, const std::string& path) {
  const PluginExports* plugin = ThePlugin();
  if (plugin == nullptr) {
    state.SkipWithError("cannot open the plug-in " KORVEL_HOBETA_PLUGIN);
    return;
  }
  std::vector<uint8_t> row(256 * 3 * 256);
  const RatioClock clock;
  for (auto _ : state) {
    void* picture = plugin->init(path.c_str());
    if (picture == nullptr) {
      state.SkipWithError("the plug-in did not open the file");
      return;
    }
    int32_t type, width, height, dpi, bits, bytesPerLine, colormap;
    plugin->getInfo(picture, &type, &width, &height, &dpi, &bits, &bytesPerLine, &colormap, nullptr, nullptr);
    if (static_cast<size_t>(bytesPerLine) > row.size()) row.resize(static_cast<size_t>(bytesPerLine));
    for (int32_t y = 0; y < height; ++y) plugin->getLine(picture, y, row.data());
    benchmark::DoNotOptimize(row.data());
    plugin->exit(picture);
  }
  clock.ReportRatio(state, kScreenOutputBytes);
}

// The floor under any load from a file: open, size, one read, close.
void OpenReadBenchmark(benchmark::State& state, const std::string& path) {
  std::vector<uint8_t> buffer(kReadBufferSize);
  const RatioClock clock;
  for (auto _ : state) {
    const uint32_t size = platform::ReadWholeFile(path.c_str(), buffer.data(), 17, kReadBufferSize);
    if (size == 0) {
      state.SkipWithError("cannot read the file");
      return;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  clock.ReportRatio(state, kScreenOutputBytes);
}

void MemcpyBenchmark(benchmark::State& state, size_t bytes) {
  std::vector<uint8_t> source(bytes, 0x5A), target(bytes);
  const RatioClock clock;
  for (auto _ : state) {
    memcpy(target.data(), source.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  clock.ReportRatio(state, bytes);
}

#if defined(KORVEL_BENCH_PNG)
// The host's PNG file of a flashing screen: the still picture (frame 1, as
// without --animate) beside the animated PNG of both frames. Frame 2 is the
// screen with ink and paper swapped in every cell, as FLASH shows it.
void PngBenchmark(benchmark::State& state, const Bytes& screen, bool animated) {
  Bytes swapped = screen;
  for (size_t i = 6144; i < 6912; ++i) {
    swapped[i] = static_cast<uint8_t>((screen[i] & 0xC0) | (screen[i] & 7) << 3 | (screen[i] >> 3 & 7));
  }
  auto image = [](const Bytes& bytes) {
    Picture* picture = DecodeStandardScreen(ByteSpan(bytes.data(), bytes.size()));
    host::Image out{picture->width, picture->height, Bytes(picture->pixels, picture->pixels + PixelBytes(*picture))};
    ReleasePicture(picture);
    return out;
  };
  const host::Image first = image(screen), second = image(swapped);
  const std::vector<host::PngFrame> frames = {{first.rgb.data(), 8, 25}, {second.rgb.data(), 8, 25}};
  const fs::path path = fs::temp_directory_path() / ("korvel_bench_" + std::to_string(getpid()) + ".png");
  std::string error;
  const RatioClock clock;
  for (auto _ : state) {
    const bool written = animated ? host::WriteAnimatedPng(first, frames, path, true, error)
                                  : host::WritePng(first, path, true, error);
    if (!written) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(fs::file_size(path));
  fs::remove(path);
  clock.ReportRatio(state, kScreenOutputBytes);
}
#endif

// Every picture of a tape or recording, as the host reads it: a recording
// through the pieces a file larger than 16 MiB is read in (here from
// memory), a TAP whole.
struct MemoryFile {
  const Bytes* bytes;
  static bool Read(void* context, uint64_t offset, uint8_t* into, size_t count) {
    memcpy(into, static_cast<MemoryFile*>(context)->bytes->data() + offset, count);
    return true;
  }
};

void ContainerBenchmark(benchmark::State& state, ContainerKind kind, const Bytes& file, size_t pictures) {
  size_t found = 0;
  auto count = [&](const ContainerItem& item) {
    found += item.result.picture != nullptr ? 1 : 0;
    ReleasePicture(item.result.picture);
    return true;
  };
  MemoryFile memory{&file};
  const RatioClock clock;
  for (auto _ : state) {
    found = 0;
    const bool read = kind == ContainerKind::kTap
                          ? ReadContainerItems(kind, ByteSpan(file.data(), file.size()), count)
                          : ReadRecordingItems(kind, PieceSource{file.size(), MemoryFile::Read, &memory}, count);
    if (!read || found != pictures) {
      state.SkipWithError("the tape's pictures were not found");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  clock.ReportRatio(state, kScreenOutputBytes);
}

// ---------------------------------------------------------------------------
// Files for the benchmarks that read from disk.

class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "korvel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const fs::path path = fs::path(path_) / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

 private:
  std::string path_;
};

Bytes Wrapped(const Bytes& data, uint8_t type, uint16_t start = 0x4000) {
  testing::HobetaFields fields;
  fields.type = type;
  fields.start = start;
  return testing::WrapHobeta(data, fields);
}

// An HR-packed three-colour screen: type 'Y' at 0xB800, 259 bytes of
// anything, "HR", both lengths, the packed block.
Bytes HrThreeColourFile(const Bytes& packed) {
  Bytes data(259, 0);
  data.insert(data.end(), {'H', 'R', 0x00, 0x48, static_cast<uint8_t>(packed.size()),
                           static_cast<uint8_t>(packed.size() >> 8)});
  data.insert(data.end(), packed.begin(), packed.end());
  return Wrapped(data, 'Y', 0xB800);
}

// An HR-packed gigascreen: "HR", 13824 (0x00 0x36), the packed length, the block.
Bytes HrGigascreenFile(const Bytes& packed) {
  Bytes data = {'H', 'R', 0x00, 0x36, static_cast<uint8_t>(packed.size()), static_cast<uint8_t>(packed.size() >> 8)};
  data.insert(data.end(), packed.begin(), packed.end());
  return Wrapped(data, 'C');
}

// Packs with the bench packers and checks that the depackers give the input
// back, so that the depacker figures are for streams that mean something.
bool RoundTrips(const Bytes& original, const Bytes& packed, bool lcmp5) {
  const Bytes padded = bench::PaddedTo(packed, kReadBufferSize);
  std::vector<uint8_t> output(original.size(), 0);
  const MutableByteSpan area(output.data(), output.size());
  const bool ok = lcmp5 ? DepackLcmp5(Span(padded), area, kLcmp5Current) : DepackHr(Span(padded), area);
  return ok && output == original;
}

// ---------------------------------------------------------------------------
// The summary of the targets.

class TargetReporter : public benchmark::ConsoleReporter {
 public:
  // Keeps the time per iteration of every repetition, and the median that
  // the library computes when only aggregates are reported.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.run_type == Run::RT_Iteration) {
        seconds_[run.run_name.str()].push_back(seconds);
      } else if (run.aggregate_name == "median") {
        medians_[run.run_name.str()] = seconds;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Median over the repetitions; negative when the benchmark did not run.
  double Median(const std::string& name) const {
    const auto found = seconds_.find(name);
    if (found == seconds_.end()) {
      const auto median = medians_.find(name);
      return median != medians_.end() ? median->second : -1;
    }
    std::vector<double> times = found->second;
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  }

 private:
  std::map<std::string, std::vector<double>> seconds_;
  std::map<std::string, double> medians_;
};

struct Target {
  std::string what;
  std::vector<std::string> benchmarks;  // measured together (their times summed)
  enum Kind { ratioToMemcpy, megabytesPerSecond, ratioToReference, timesRealTime } kind;
  double limit;
  size_t outputBytes = kScreenOutputBytes;
  // For ratioToReference: the summed times to compare with. For
  // ratioToMemcpy: summed times taken off first.
  std::vector<std::string> reference = {};
  double realSeconds = 0;  // for timesRealTime: how long the recording plays
};

void PrintSummary(const TargetReporter& reporter, const std::vector<Target>& targets) {
  const double memcpy147456 = reporter.Median("memcpy/147456");
  std::printf("\nTargets (median of the repetitions; memcpy of 147456 bytes: %.2f us)\n",
              (memcpy147456 > 0 ? memcpy147456 : MemcpySeconds().at(kScreenOutputBytes)) * 1e6);
  auto sum = [&](const std::vector<std::string>& names) {
    double total = 0;
    for (const std::string& name : names) {
      const double t = reporter.Median(name);
      if (t < 0) return -1.0;
      total += t;
    }
    return total;
  };
  int missed = 0;
  for (const Target& target : targets) {
    const double t = sum(target.benchmarks);
    if (t < 0) continue;
    double value = 0;
    bool met = false;
    std::string unit;
    switch (target.kind) {
      case Target::ratioToMemcpy: {
        const std::string name = "memcpy/" + std::to_string(target.outputBytes);
        const double copy = reporter.Median(name) > 0 ? reporter.Median(name) : MemcpySeconds().at(target.outputBytes);
        const double beyond = sum(target.reference);
        if (beyond < 0) continue;
        value = (t - beyond) / copy;
        met = value <= target.limit;
        unit = "x memcpy";
        break;
      }
      case Target::megabytesPerSecond:
        value = static_cast<double>(target.outputBytes) / t / 1e6;
        met = value >= target.limit;
        unit = "MB/s";
        break;
      case Target::ratioToReference: {
        const double reference = sum(target.reference);
        if (reference <= 0) continue;
        value = t / reference;
        met = value <= target.limit;
        unit = "x reference";
        break;
      }
      case Target::timesRealTime:
        value = target.realSeconds / t;
        met = value >= target.limit;
        unit = "x real time";
        break;
    }
    if (!met) ++missed;
    std::printf("  %-58s %8.2f %-12s (%s %.0f) %s\n", target.what.c_str(), value, unit.c_str(),
                target.kind == Target::megabytesPerSecond || target.kind == Target::timesRealTime ? "at least"
                                                                                                   : "at most",
                target.limit,
                met ? "met" : "MISSED");
  }
  std::printf(missed == 0 ? "All targets met.\n" : "%d target(s) missed.\n", missed);
}

}  // namespace

// Every picture of a file as the in-process reading gives it: with its
// frames, or only as the plain reading draws it.
void ReadingBenchmark(benchmark::State& state, const Bytes& file, const char* fileName, bool frames, size_t wanted) {
  size_t framesFound = 0;
  const auto count = [](FoundItem& item, void* context) {
    for (const Picture* frame = item.picture; frame != nullptr; frame = frame->nextFrame) ++*static_cast<size_t*>(context);
    ReleasePicture(item.picture);
    return true;
  };
  const DrawingChoices choices;
  const RatioClock clock;
  for (auto _ : state) {
    framesFound = 0;
    if (frames) {
      ReadEveryPicture(file.data(), file.size(), fileName, choices, count, &framesFound);
    } else {
      ReadEveryPicture(file.data(), file.size(), fileName, count, &framesFound);
    }
    if (framesFound != wanted) {
      state.SkipWithError("the frames were not found");
      return;
    }
  }
  clock.ReportRatio(state, kScreenOutputBytes);
}

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const Inputs& in = TheInputs();
  const Bytes lcmp5Landscape = bench::PackLcmp5(in.landscape);
  const Bytes lcmp5Random = bench::PackLcmp5(Bytes(in.random.begin(), in.random.begin() + 6912));
  const Bytes lcmp5Plain = bench::PackLcmp5(in.plainScreen);
  const Bytes hrThreeColour = bench::PackHr(in.threeColour);
  const Bytes hrRandom = bench::PackHr(Bytes(in.random.begin(), in.random.begin() + 18432));
  const Bytes hrPlain = bench::PackHr(Bytes(18432, 0));
  const Bytes hrGigascreen = bench::PackHr(in.gigascreen);
  if (!RoundTrips(in.landscape, lcmp5Landscape, true) || !RoundTrips(in.plainScreen, lcmp5Plain, true) ||
      !RoundTrips(Bytes(in.random.begin(), in.random.begin() + 6912), lcmp5Random, true) ||
      !RoundTrips(in.threeColour, hrThreeColour, false) || !RoundTrips(in.gigascreen, hrGigascreen, false) ||
      !RoundTrips(Bytes(18432, 0), hrPlain, false) ||
      !RoundTrips(Bytes(in.random.begin(), in.random.begin() + 18432), hrRandom, false)) {
    std::fprintf(stderr, "korvel_bench: a packed input does not depack to what was packed\n");
    return 1;
  }

  for (size_t bytes : {size_t{6912}, size_t{13824}, size_t{18432}, size_t{49152}, kScreenOutputBytes}) {
    MemcpySeconds()[bytes] = MeasureMemcpySeconds(bytes);
  }

  auto add = [](const std::string& name, auto body) {
    return benchmark::RegisterBenchmark(name.c_str(), body)->Unit(benchmark::kMicrosecond);
  };
  for (size_t bytes : {size_t{147456}, size_t{49152}, size_t{18432}, size_t{13824}, size_t{6912}}) {
    add("memcpy/" + std::to_string(bytes), [bytes](benchmark::State& s) { MemcpyBenchmark(s, bytes); });
  }

#if defined(KORVEL_BENCH_PNG)
  add("png/still/landscape", [&in](benchmark::State& s) { PngBenchmark(s, in.landscape, false); });
  add("png/animated_flash/landscape", [&in](benchmark::State& s) { PngBenchmark(s, in.landscape, true); });
#endif

  // Decoders.
  struct DecodeCase {
    const char* name;
    Decoder decode;
    const Bytes* input;
  };
  const Decoder bitmapOnly = [](ByteSpan d) { return DecodeScreenOrBitmap(d, 0); };
  const Decoder withAttributes = [](ByteSpan d) { return DecodeScreenOrBitmap(d, 1); };
  const Decoder set96 = [](ByteSpan d) { return DecodeCharacterSet(d, 96); };
  const Decoder set256 = [](ByteSpan d) { return DecodeCharacterSet(d, 256); };
  const Decoder standard = [](ByteSpan d) { return DecodeStandardScreen(d); };
  const Decoder multicolour = [](ByteSpan d) { return DecodeMulticolourScreen(d); };
  const Decoder gigascreen = [](ByteSpan d) { return DecodeGigascreen(d); };
  const Decoder multicolourGigascreen = [](ByteSpan d) { return DecodeMulticolourGigascreen(d); };
  const DecodeCase decodes[] = {
      {"decode/standard_screen/landscape", standard, &in.landscape},
      {"decode/standard_screen/random", standard, &in.random},
      {"decode/screen_or_bitmap/attributes/landscape", withAttributes, &in.landscape},
      {"decode/screen_or_bitmap/bitmap_only/landscape", bitmapOnly, &in.landscape},
      {"decode/screen_or_bitmap/bitmap_only/random", bitmapOnly, &in.random},
      {"decode/multicolour/landscape", multicolour, &in.multicolour},
      {"decode/multicolour/random", multicolour, &in.random},
      {"decode/gigascreen/landscape", gigascreen, &in.gigascreen},
      {"decode/gigascreen/random", gigascreen, &in.random},
      {"decode/multicolour_gigascreen/landscape", multicolourGigascreen, &in.multicolourGigascreen},
      {"decode/multicolour_gigascreen/random", multicolourGigascreen, &in.random},
      {"decode/three_colour/landscape", DecodeThreeColourScreen, &in.threeColour},
      {"decode/three_colour/random", DecodeThreeColourScreen, &in.random},
      {"decode/brg_three_colour/landscape", DecodeBrgThreeColourScreen, &in.threeColour},
      {"decode/brg_three_colour/random", DecodeBrgThreeColourScreen, &in.random},
      {"decode/linear_three_colour/landscape", DecodeLinearThreeColourScreen, &in.threeColourLinear},
      {"decode/linear_three_colour/random", DecodeLinearThreeColourScreen, &in.random},
      {"decode/character_set_96/random", set96, &in.random},
      {"decode/character_set_256/random", set256, &in.random},
      {"decode/line_major_character_set/random", DecodeLineMajorCharacterSet, &in.random},
      {"decode/block_coded/landscape", DecodeBlockCodedScreen, &in.blockCoded},
      {"decode/block_coded/random", DecodeBlockCodedScreen, &in.random},
      {"decode/bit_sprite_sheet/landscape", [](ByteSpan d) { return DecodeBitSpriteSheet(d); }, &in.bitSheet},
  };
  for (const DecodeCase& c : decodes) {
    add(c.name, [c](benchmark::State& s) { DecodeBenchmark(s, c.decode, *c.input); });
  }

  // Depackers, on long (literal-heavy) and short (a few long copies) streams.
  const Depacker lcmp5 = [](ByteSpan p, MutableByteSpan o) { return DepackLcmp5(p, o, kLcmp5Current); };
  const Depacker lcmp5Older = [](ByteSpan p, MutableByteSpan o) { return DepackLcmp5(p, o, kLcmp5Older); };
  struct DepackCase {
    const char* name;
    Depacker depack;
    const Bytes* packed;
    size_t outputBytes;
  };
  const Depacker hr = DepackHr;
  const DepackCase depacks[] = {
      {"depack/lcmp5/landscape", lcmp5, &lcmp5Landscape, 6912},
      {"depack/lcmp5/random_long_stream", lcmp5, &lcmp5Random, 6912},
      {"depack/lcmp5/plain_short_stream", lcmp5, &lcmp5Plain, 6912},
      {"depack/lcmp5_older/landscape", lcmp5Older, &lcmp5Landscape, 6912},
      {"depack/hr/three_colour_landscape", hr, &hrThreeColour, 18432},
      {"depack/hr/gigascreen_landscape", hr, &hrGigascreen, 13824},
      {"depack/hr/random_long_stream", hr, &hrRandom, 18432},
      {"depack/hr/plain_short_stream", hr, &hrPlain, 18432},
  };
  for (const DepackCase& c : depacks) {
    add(c.name, [c](benchmark::State& s) { DepackBenchmark(s, c.depack, *c.packed, c.outputBytes); });
  }

  // The in-memory load path: recognition, depacking, decoding.
  static const Bytes wrappedScreen = Wrapped(in.landscape, 'C');
  static const Bytes lcmp5File = Wrapped(lcmp5Landscape, 'C');
  static const Bytes hrThreeColourFile = HrThreeColourFile(hrThreeColour);
  static const Bytes hrGigascreenFile = HrGigascreenFile(hrGigascreen);
  struct LoadCase {
    const char* name;
    const Bytes* file;
    const char* fileName;
  };
  const LoadCase loads[] = {
      {"load_bytes/landscape.scr", &in.landscape, "landscape.scr"},
      {"load_bytes/landscape.$s", &wrappedScreen, "landscape.$s"},
      {"load_bytes/gigascreen.gsc", &in.gigascreen, "gigascreen.gsc"},
      {"load_bytes/three_colour.rgb", &in.threeColour, "three_colour.rgb"},
      {"load_bytes/lcmp5_packed.$c", &lcmp5File, "lcmp5_packed.$c"},
      {"load_bytes/hr_three_colour.$y", &hrThreeColourFile, "hr_three_colour.$y"},
      {"load_bytes/hr_gigascreen.$c", &hrGigascreenFile, "hr_gigascreen.$c"},
  };
  for (const LoadCase& c : loads) {
    add(c.name, [c](benchmark::State& s) { LoadBytesBenchmark(s, *c.file, c.fileName); });
  }
  // korvel_extra reads the same files through its heap buffer and its steps.
  add("load_bytes_extra/landscape.scr",
      [&in](benchmark::State& s) { LoadBytesBenchmark(s, in.landscape, "landscape.scr", kKorvelExtra); });
  add("load_bytes_extra/landscape.$s",
      [](benchmark::State& s) { LoadBytesBenchmark(s, wrappedScreen, "landscape.$s", kKorvelExtra); });

  // A screen whose every cell flashes: its two frames, beside the one
  // picture the plain reading gives.
  static const Bytes flashing = [&in] {
    Bytes screen = in.landscape;
    for (size_t i = 6144; i < 6912; ++i) screen[i] |= 0x80;
    return screen;
  }();
  add("frames/flashing_screen/both_frames",
      [](benchmark::State& s) { ReadingBenchmark(s, flashing, "landscape.scr", true, 2); });
  add("frames/flashing_screen/first_only",
      [](benchmark::State& s) { ReadingBenchmark(s, flashing, "landscape.scr", false, 1); });

  // From files, through the plug-in's exports, and the bare file read.
  static const BenchFolder folder;
  const std::string screenPath = folder.Write("landscape.scr", in.landscape);
  const std::string lcmp5Path = folder.Write("lcmp5_packed.$c", lcmp5File);
  const std::string gigascreenPath = folder.Write("gigascreen.gsc", in.gigascreen);
  add("open_read/6912", [screenPath](benchmark::State& s) { OpenReadBenchmark(s, screenPath); });
  add("exports/landscape.scr", [screenPath](benchmark::State& s) { ExportsBenchmark(s, screenPath); });
  add("exports/lcmp5_packed.$c", [lcmp5Path](benchmark::State& s) { ExportsBenchmark(s, lcmp5Path); });
  add("exports/gigascreen.gsc", [gigascreenPath](benchmark::State& s) { ExportsBenchmark(s, gigascreenPath); });

  // A 48K game's tape recorded for 5 minutes (16-bit WAV at 44.1 kHz, and
  // CSW), and the TAP file of the same blocks.
  constexpr double kRecordingSeconds = 300;
  static const Bytes gameTap = testing::TapFile(bench::GameTapeBlocks());
  static const Bytes gameWav = bench::GameWavRecording(kRecordingSeconds);
  static const Bytes gameCsw = bench::GameCswRecording(kRecordingSeconds);
  add("tape/tap_48k_game", [](benchmark::State& s) { ContainerBenchmark(s, ContainerKind::kTap, gameTap, 1); });
  add("tape/wav_48k_game_5min_44100_16bit",
      [](benchmark::State& s) { ContainerBenchmark(s, ContainerKind::kWav, gameWav, 1); })
      ->Unit(benchmark::kMillisecond);
  add("tape/csw_48k_game_5min", [](benchmark::State& s) { ContainerBenchmark(s, ContainerKind::kCsw, gameCsw, 1); })
      ->Unit(benchmark::kMillisecond);

  TargetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const std::vector<Target> targets = {
      {"standard screen, landscape", {"decode/standard_screen/landscape"}, Target::ratioToMemcpy, 4},
      {"standard screen, random", {"decode/standard_screen/random"}, Target::ratioToMemcpy, 4},
      {"bitmap-only screen, landscape", {"decode/screen_or_bitmap/bitmap_only/landscape"}, Target::ratioToMemcpy, 4},
      {"bitmap-only screen, random", {"decode/screen_or_bitmap/bitmap_only/random"}, Target::ratioToMemcpy, 4},
      {"multicolour screen, landscape", {"decode/multicolour/landscape"}, Target::ratioToMemcpy, 4},
      {"multicolour screen, random", {"decode/multicolour/random"}, Target::ratioToMemcpy, 4},
      {"three-colour screen, landscape", {"decode/three_colour/landscape"}, Target::ratioToMemcpy, 4},
      {"three-colour screen, random", {"decode/three_colour/random"}, Target::ratioToMemcpy, 4},
      {"BRG three-colour screen, landscape", {"decode/brg_three_colour/landscape"}, Target::ratioToMemcpy, 4},
      {"BRG three-colour screen, random", {"decode/brg_three_colour/random"}, Target::ratioToMemcpy, 4},
      {"linear three-colour screen, landscape", {"decode/linear_three_colour/landscape"}, Target::ratioToMemcpy, 4},
      {"linear three-colour screen, random", {"decode/linear_three_colour/random"}, Target::ratioToMemcpy, 4},
      {"BIT sprite sheet 256x192, landscape", {"decode/bit_sprite_sheet/landscape"}, Target::ratioToMemcpy, 4},
      {"block-coded screen, landscape", {"decode/block_coded/landscape"}, Target::ratioToMemcpy, 8},
      {"block-coded screen, random stream (stretch)", {"decode/block_coded/random"}, Target::ratioToMemcpy, 15},
      {"96-character set (memcpy of its 18432 bytes)", {"decode/character_set_96/random"}, Target::ratioToMemcpy, 5,
       18432},
      {"256-character set (memcpy of its 49152 bytes)", {"decode/character_set_256/random"},
       Target::ratioToMemcpy, 5, 49152},
      {"line-major character set (memcpy of its 49152 bytes)", {"decode/line_major_character_set/random"},
       Target::ratioToMemcpy, 5, 49152},
      {"gigascreen, landscape", {"decode/gigascreen/landscape"}, Target::ratioToMemcpy, 8},
      {"gigascreen, random", {"decode/gigascreen/random"}, Target::ratioToMemcpy, 8},
      {"multicolour gigascreen, landscape", {"decode/multicolour_gigascreen/landscape"}, Target::ratioToMemcpy, 8},
      {"multicolour gigascreen, random", {"decode/multicolour_gigascreen/random"}, Target::ratioToMemcpy, 8},
      {"LCMP5 depack, landscape", {"depack/lcmp5/landscape"}, Target::megabytesPerSecond, 200, 6912},
      {"LCMP5 depack, long stream", {"depack/lcmp5/random_long_stream"}, Target::megabytesPerSecond, 200, 6912},
      {"LCMP5 depack, short stream", {"depack/lcmp5/plain_short_stream"}, Target::megabytesPerSecond, 200, 6912},
      {"older LCMP5 depack, landscape", {"depack/lcmp5_older/landscape"}, Target::megabytesPerSecond, 200, 6912},
      {"HR depack, three-colour landscape", {"depack/hr/three_colour_landscape"}, Target::megabytesPerSecond, 200,
       18432},
      {"HR depack, gigascreen landscape", {"depack/hr/gigascreen_landscape"}, Target::megabytesPerSecond, 200,
       13824},
      {"HR depack, long stream", {"depack/hr/random_long_stream"}, Target::megabytesPerSecond, 200, 18432},
      {"HR depack, short stream", {"depack/hr/plain_short_stream"}, Target::megabytesPerSecond, 200, 18432},
      {"whole load of a 6912-byte file through the exports",
       {"exports/landscape.scr"},
       Target::ratioToReference,
       2,
       kScreenOutputBytes,
       {"open_read/6912", "decode/standard_screen/landscape"}},
      {"the same beyond the open and read of the file (stretch)",
       {"exports/landscape.scr"},
       Target::ratioToMemcpy,
       4,
       kScreenOutputBytes,
       {"open_read/6912"}},
      {"a flashing screen's two frames, against its reading and one more decode",
       {"frames/flashing_screen/both_frames"},
       Target::ratioToReference,
       1,
       kScreenOutputBytes,
       {"frames/flashing_screen/first_only", "decode/standard_screen/landscape"}},
      {"a flashing screen's animated PNG, against its still PNG",
       {"png/animated_flash/landscape"},
       Target::ratioToReference,
       2,
       kScreenOutputBytes,
       {"png/still/landscape"}},
      {"48K game, 5-minute WAV recording (44.1 kHz, 16 bits)", {"tape/wav_48k_game_5min_44100_16bit"},
       Target::timesRealTime, 50, 0, {}, kRecordingSeconds},
      {"48K game, 5-minute CSW recording", {"tape/csw_48k_game_5min"}, Target::timesRealTime, 50, 0, {},
       kRecordingSeconds},
      {"48K game, its TAP file (the same blocks, for comparison)", {"tape/tap_48k_game"}, Target::timesRealTime, 50, 0,
       {}, kRecordingSeconds},
  };
  PrintSummary(reporter, targets);
  benchmark::Shutdown();
  return 0;
}
