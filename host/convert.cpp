#include "host/convert.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "host/png_writer.h"

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
      jobs.push_back({input, *options.output, true});
    } else {
      const fs::path output = options.output ? *options.output / WithPngSuffix(input.filename()) : WithPngSuffix(input);
      jobs.push_back({input, output, true});
    }
  }
  return jobs;
}

ConvertOutcome ConvertOne(const ConvertJob& job, const PluginSet& plugins, bool force) {
  {
    std::ifstream probe(job.input, std::ios::binary);
    if (!probe) {
      const int code = errno;
      Report(job.input, std::string("cannot read it (") + std::strerror(code) + ")");
      return ConvertOutcome::failed;
    }
  }
  std::optional<Image> image;
  for (const Plugin* plugin : PluginsToTry(plugins, job.input)) {
    image = plugin->Load(job.input.string());
    if (image) break;
  }
  if (!image) {
    if (job.named) Report(job.input, "not a ZX picture that korvel reads");
    return job.named ? ConvertOutcome::failed : ConvertOutcome::skipped;
  }
  if (image->width == 0 || image->height == 0) {
    Report(job.input, "empty picture (" + std::to_string(image->width) + "x" + std::to_string(image->height) +
                          "), nothing written");
    return job.named ? ConvertOutcome::failed : ConvertOutcome::skipped;
  }
  std::error_code ignored;
  if (job.output.has_parent_path()) fs::create_directories(job.output.parent_path(), ignored);
  std::string error;
  if (!WritePng(*image, job.output, force, error)) {
    Report(job.output, error);
    return ConvertOutcome::failed;
  }
  return ConvertOutcome::converted;
}

int RunConversion(const ConvertOptions& options, const PluginSet& plugins) {
  const std::vector<ConvertJob> jobs = PlanConversion(options);
  size_t converted = 0, skipped = 0, failed = 0;
  for (const ConvertJob& job : jobs) {
    switch (ConvertOne(job, plugins, options.force)) {
      case ConvertOutcome::converted: ++converted; break;
      case ConvertOutcome::skipped: ++skipped; break;
      case ConvertOutcome::failed: ++failed; break;
    }
  }
  const bool batch = jobs.size() != 1 || !jobs.front().named;
  if (batch) {
    std::fprintf(stderr, "korvel: %zu converted, %zu skipped as not ZX pictures, %zu failed\n", converted, skipped,
                 failed);
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace korvel::host
