#include "host/convert.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "host/png_writer.h"
#if defined(KORVEL_ARCHIVES)
#include "host/archive_reader.h"
#endif

namespace fs = std::filesystem;

namespace korvel::host {

namespace {

bool EndsWithPng(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return extension == ".png";
}

fs::path WithPngSuffix(const fs::path& path) { return fs::path(path.string() + ".png"); }

void Report(const fs::path& file, const std::string& message) {
  std::fprintf(stderr, "korvel: %s: %s\n", file.string().c_str(), message.c_str());
}

bool StderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

void WalkFolder(const fs::path& folder, const fs::path& outputRoot, std::vector<ConvertJob>& jobs) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
       it != end; it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error) && !EndsWithPng(it->path())) files.push_back(it->path());
  }
  if (error) Report(folder, "cannot walk it fully (" + error.message() + ")");
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    jobs.push_back({file, WithPngSuffix(outputRoot / file.lexically_relative(folder)), false});
  }
}

}  // namespace

std::vector<ConvertJob> PlanConversion(const ConvertOptions& options) {
  std::vector<ConvertJob> jobs;
  const bool singleOutputFile = options.inputs.size() == 1 && options.output && EndsWithPng(*options.output) &&
                                !fs::is_directory(*options.output) && !fs::is_directory(options.inputs[0]);
  for (const fs::path& input : options.inputs) {
    if (fs::is_directory(input)) {
      WalkFolder(input, options.output.value_or(input), jobs);
    } else if (singleOutputFile) {
      jobs.push_back({input, *options.output, true, true});
    } else {
      const fs::path output = options.output ? *options.output / WithPngSuffix(input.filename()) : WithPngSuffix(input);
      jobs.push_back({input, output, true});
    }
  }
  return jobs;
}

// ---------------------------------------------------------------------------
// The console: problem lines and the progress bar share one lock, and the bar
// is wiped before a line is printed, then drawn again under it.

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr size_t kBarTextBytes = 128;

}  // namespace

ConvertConsole::ConvertConsole(size_t total, bool showProgress) : total_(total), showProgress_(showProgress) {}

void ConvertConsole::Problem(const fs::path& file, const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLocked();
  Report(file, message);
  DrawLocked(true);
}

void ConvertConsole::Done() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++done_;
  DrawLocked(done_ == total_);
}

void ConvertConsole::FinishProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLocked();
}

void ConvertConsole::DrawLocked(bool force) {
  if (!showProgress_ || total_ == 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && barShown_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const int filled = static_cast<int>(kBarWidth * done_ / total_);
  char text[kBarTextBytes];
  const int length = std::snprintf(text, sizeof text, "[%.*s%.*s] %zu/%zu files, %.0f/s", filled,
                                   "##############################", kBarWidth - filled,
                                   "------------------------------", done_, total_,
                                   seconds > 0 ? static_cast<double>(done_) / seconds : 0.0);
  // Spaces cover what a longer bar left behind.
  std::fprintf(stderr, "\r%s%*s", text, std::max(0, shownLength_ - length), "");
  std::fflush(stderr);
  shownLength_ = std::max(shownLength_, length);
  barShown_ = true;
}

// Spaces over the bar; no terminal escapes, so any console shows it right.
void ConvertConsole::ClearLocked() {
  if (!barShown_) return;
  std::fprintf(stderr, "\r%*s\r", shownLength_, "");
  barShown_ = false;
  shownLength_ = 0;
}

std::vector<fs::path> PictureOutputs(const fs::path& output, const std::vector<std::string>& labels) {
  if (labels.size() == 1) return {output};
  std::string stem = output.string();
  if (EndsWithPng(output)) stem.resize(stem.size() - 4);
  std::vector<fs::path> outputs;
  std::vector<std::string> seen;
  for (const std::string& label : labels) {
    const size_t repeats = static_cast<size_t>(std::count(seen.begin(), seen.end(), label));
    seen.push_back(label);
    const std::string unique = repeats == 0 ? label : label + "~" + std::to_string(repeats + 1);
    outputs.emplace_back(stem + "." + unique + ".png");
  }
  return outputs;
}

namespace {

// A picture read with every frame becomes an animated PNG; the rest, and
// every picture of one frame, a plain one.
bool WritePicture(const FoundPicture& picture, const fs::path& output, bool force, std::string& error) {
  const Image& image = *picture.image;
  if (picture.laterFrames.empty()) return WritePng(image, output, force, error);
  std::vector<PngFrame> frames;
  for (size_t i = 0; i < picture.delays.size() && i <= picture.laterFrames.size(); ++i) {
    const uint8_t* rgb = i == 0 ? image.rgb.data() : picture.laterFrames[i - 1].data();
    frames.push_back({rgb, picture.delays[i].numerator, picture.delays[i].denominator});
  }
  return WriteAnimatedPng(image, frames, output, force, error);
}

// Writes the pictures of one file (or archive member) named `name`, whose
// single picture would go to `output`. A file that gives none is skipped,
// or a failure when `named`.
ConvertCounts WritePictures(const FileReading& reading, const fs::path& name, const fs::path& output, bool named,
                            bool outputNamed, bool force, ConvertConsole& console) {
  ConvertCounts counts;
  if (!reading.error.empty()) {
    console.Problem(name, reading.error);
    counts.failed = 1;
    return counts;
  }
  std::vector<const FoundPicture*> pictures;
  std::vector<std::string> labels;
  for (const FoundPicture& item : reading.items) {
    if (item.warn) console.Problem(name, item.label + ": " + item.formName);
    if (item.failed) {
      console.Problem(name, (item.label.empty() ? "" : item.label + ": ") + item.formName + ", nothing written");
      ++counts.failed;
    }
    if (!item.image) continue;
    if (item.image->width == 0 || item.image->height == 0) {
      console.Problem(name, "empty picture (" + std::to_string(item.image->width) + "x" +
                                std::to_string(item.image->height) + "), nothing written");
      continue;
    }
    pictures.push_back(&item);
    labels.push_back(item.label);
  }
  if (pictures.empty()) {
    if (counts.failed != 0) return counts;
    if (reading.PictureCount() == 0 && named) console.Problem(name, "not a ZX picture that korvel reads");
    (named ? counts.failed : counts.skipped) = 1;
    return counts;
  }
  if (outputNamed && pictures.size() > 1) {
    console.Problem(name, "holds " + std::to_string(pictures.size()) +
                              " pictures; name a folder with -o, not one PNG file");
    counts.failed = 1;
    return counts;
  }
  const std::vector<fs::path> outputs = PictureOutputs(output, labels);
  for (size_t i = 0; i < pictures.size(); ++i) {
    std::error_code ignored;
    if (outputs[i].has_parent_path()) fs::create_directories(outputs[i].parent_path(), ignored);
    std::string error;
    if (WritePicture(*pictures[i], outputs[i], force, error)) {
      ++counts.converted;
    } else {
      console.Problem(outputs[i], error);
      ++counts.failed;
    }
  }
  return counts;
}

#if defined(KORVEL_ARCHIVES)
// An archive is walked like a folder: each member's pictures go under
// OUTPUT/ARCHIVE.zip/, mirroring the member's path.
ConvertCounts ConvertArchive(const ConvertJob& job, const PictureReader& reader, bool force, ConvertConsole& console) {
  ConvertCounts counts;
  if (job.outputNamed) {
    console.Problem(job.input, "is an archive; name a folder with -o, not one PNG file");
    counts.failed = 1;
    return counts;
  }
  fs::path folder = job.output;
  folder.replace_extension();  // the job's output is ARCHIVE.zip.png
  const ArchiveWalk walk = WalkArchiveFile(job.input, [&](const ArchiveMember& member) {
    const fs::path name = job.input / fs::path(member.path);
    if (member.bytes == nullptr) {
      console.Problem(name, "passed over: " + member.skipped);
      ++counts.skipped;
      return true;
    }
    const fs::path output = WithPngSuffix(folder / fs::path(member.path));
    const ConvertCounts written = WritePictures(reader.ReadMemory(*member.bytes, member.path), name, output,
                                                false, false, force, console);
    counts.converted += written.converted;
    counts.skipped += written.skipped;
    counts.failed += written.failed;
    return true;
  });
  if (!walk.ok) {
    // Not the archive its name says, or damaged: a failure when named.
    console.Problem(job.input, walk.error);
    ++(job.named ? counts.failed : counts.skipped);
  } else if (counts.converted == 0 && counts.failed == 0 && job.named) {
    console.Problem(job.input, "holds no ZX picture that korvel reads");
    ++counts.failed;
  }
  return counts;
}
#endif

}  // namespace

bool ReadsArchive(const fs::path& file, const PictureReader& reader) {
#if defined(KORVEL_ARCHIVES)
  return ArchiveKindOf(file) != ArchiveKind::none && reader.ReadsMemory();
#else
  (void)file;
  (void)reader;
  return false;
#endif
}

ConvertCounts ConvertOne(const ConvertJob& job, const PictureReader& reader, bool force, ConvertConsole& console) {
#if defined(KORVEL_ARCHIVES)
  if (ReadsArchive(job.input, reader)) return ConvertArchive(job, reader, force, console);
#endif
  return WritePictures(reader.Read(job.input), job.input, job.output, job.named, job.outputNamed, force, console);
}

unsigned ConversionThreads(unsigned requested) {
  if (requested != 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores != 0 ? cores : 1;
}

int RunConversion(const ConvertOptions& options, const PictureReader& reader) {
  const std::vector<ConvertJob> jobs = PlanConversion(options);
  const bool batch = jobs.size() != 1 || !jobs.front().named || ReadsArchive(jobs.front().input, reader);
  ConvertConsole console(jobs.size(), batch && StderrIsTerminal());

  // Each thread takes the next job until none is left.
  std::atomic<size_t> next{0};
  std::atomic<size_t> converted{0}, skipped{0}, failed{0};
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
      ConvertCounts counts;
      try {
        counts = ConvertOne(jobs[i], reader, options.force, console);
      } catch (const std::exception& e) {
        console.Problem(jobs[i].input, e.what());
        counts.failed = 1;
      }
      converted += counts.converted;
      skipped += counts.skipped;
      failed += counts.failed;
      console.Done();
    }
  };
  const size_t threads = std::min<size_t>(ConversionThreads(options.threads), std::max<size_t>(jobs.size(), 1));
  std::vector<std::thread> helpers;
  for (size_t t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads; the work still gets done
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  console.FinishProgress();

  if (batch) {
    std::fprintf(stderr, "korvel: %zu converted, %zu skipped as not ZX pictures, %zu failed\n", converted.load(),
                 skipped.load(), failed.load());
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace korvel::host
