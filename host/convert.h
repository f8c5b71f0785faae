#pragma once
// `korvel convert`: ZX pictures to PNG files.

#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/plugins.h"

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
  std::filesystem::path output;
  bool named;  // given on the command line, not met while walking a folder
};

// The jobs for `options`, in order; folders are walked recursively (sorted,
// PNG files left out). Inputs that do not exist become named jobs that fail.
std::vector<ConvertJob> PlanConversion(const ConvertOptions& options);

enum class ConvertOutcome { converted, skipped, failed };

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

// Converts one file, reporting a failure (and a named file that no plug-in
// opens) to `console`.
ConvertOutcome ConvertOne(const ConvertJob& job, const PluginSet& plugins, bool force, ConvertConsole& console);

// The number of conversions to run at once: `requested`, or one per core.
unsigned ConversionThreads(unsigned requested);

// Runs every job on `options.threads` threads (the plug-ins' loads share no
// state), then prints the summary line last; returns the process exit status
// (nonzero when any failed; files skipped as not ZX pictures do not count).
int RunConversion(const ConvertOptions& options, const PluginSet& plugins);

}  // namespace korvel::host
