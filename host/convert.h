#pragma once
// `korvel convert`: ZX pictures to PNG files.

#include <filesystem>
#include <optional>
#include <vector>

#include "host/plugins.h"

namespace korvel::host {

struct ConvertOptions {
  std::vector<std::filesystem::path> inputs;
  std::optional<std::filesystem::path> output;  // a folder, or one .png file for a single input
  bool force = false;                           // overwrite existing outputs
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

// Converts one file, printing one line on stderr for a failure (and for a
// named file that no plug-in opens).
ConvertOutcome ConvertOne(const ConvertJob& job, const PluginSet& plugins, bool force);

// Runs every job; returns the process exit status (nonzero when any failed).
int RunConversion(const ConvertOptions& options, const PluginSet& plugins);

}  // namespace korvel::host
