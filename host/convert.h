#pragma once
// `korvel convert`: ZX pictures to PNG files.

#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/readers.h"

namespace korvel::host {

struct ConvertOptions {
  std::vector<std::filesystem::path> inputs;
  std::optional<std::filesystem::path> output;  // a folder, or one .png file for a single input
  bool force = false;                           // overwrite existing outputs
  unsigned threads = 0;                         // conversions at once; 0: one per core
};

// One file to convert.
struct ConvertJob {
  std::filesystem::path input;
  std::filesystem::path output;  // NAME.png: for a file of several pictures, each becomes NAME.LABEL.png
  bool named;                    // given on the command line, not met while walking a folder
  bool outputNamed = false;      // `output` is the -o FILE.png the user named: one picture only
};

// The output of each picture of a file whose single picture would go to
// `output` (NAME.png): that path for one picture, NAME.LABEL.png each for
// several, a label that repeats getting ~2, ~3, ...
std::vector<std::filesystem::path> PictureOutputs(const std::filesystem::path& output,
                                                  const std::vector<std::string>& labels);

// The jobs for `options`, in order; folders are walked recursively (sorted,
// PNG files left out). Inputs that do not exist become named jobs that fail.
std::vector<ConvertJob> PlanConversion(const ConvertOptions& options);

// What converting one file gave: pictures written, files skipped as not ZX
// pictures, failures.
struct ConvertCounts {
  size_t converted = 0;
  size_t skipped = 0;
  size_t failed = 0;
};

// The user's side of a conversion on stderr: one line per problem and, on a
// terminal, a progress bar that those lines do not tear. Safe to use from
// several threads at once.
class ConvertConsole {
 public:
  explicit ConvertConsole(size_t total, bool showProgress);
  void Problem(const std::filesystem::path& file, const std::string& message);
  void Done();              // one more job finished; redraws the bar now and then
  void FinishProgress();    // removes the bar

 private:
  void DrawLocked(bool force);
  void ClearLocked();

  std::mutex mutex_;
  const size_t total_;
  const bool showProgress_;
  size_t done_ = 0;
  bool barShown_ = false;
  int shownLength_ = 0;  // characters of the bar on the screen
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_ = {};
};

// Whether `file` is read as an archive (.zip, .gz) whose members are walked
// like a folder: only by readers that read memory, where archives are
// supported.
bool ReadsArchive(const std::filesystem::path& file, const PictureReader& reader);

// Converts every picture of one file (every member of an archive),
// reporting failures, warnings and a named file that gives no picture to
// `console`.
ConvertCounts ConvertOne(const ConvertJob& job, const PictureReader& reader, bool force, ConvertConsole& console);

// The number of conversions to run at once: `requested`, or one per core.
unsigned ConversionThreads(unsigned requested);

// Runs every job on `options.threads` threads (loads share no state), then
// prints the summary line last; returns the process exit status (nonzero
// when any failed; files skipped as not ZX pictures do not count).
int RunConversion(const ConvertOptions& options, const PictureReader& reader);

}  // namespace korvel::host
