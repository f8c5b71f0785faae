#include "host/identify.h"

#include <cstdio>
#include <string>

namespace korvel::host {

namespace {

std::string Size(const Image& image) {
  return std::to_string(image.width) + "\u00d7" + std::to_string(image.height);
}

std::string Count(size_t count, const char* one, const char* several) {
  return std::to_string(count) + " " + (count == 1 ? one : several);
}

}  // namespace

int Identify(const std::vector<std::filesystem::path>& files, const PictureReader& reader) {
  int status = 0;
  for (const std::filesystem::path& file : files) {
    const std::string name = file.string();
    const FileReading reading = reader.Read(file);
    if (!reading.error.empty()) {
      std::fflush(stdout);
      std::fprintf(stderr, "korvel: %s: %s\n", name.c_str(), reading.error.c_str());
      status = 1;
      continue;
    }
    if (reading.formName.empty()) {
      std::printf("%s: not a ZX picture korvel reads\n", name.c_str());
    } else if (!reading.container) {
      const FoundPicture& only = reading.items.front();
      std::printf("%s: %s, %s\n", name.c_str(), reading.formName.c_str(), Size(*only.image).c_str());
    } else {
      std::string counts = Count(reading.PictureCount(), "picture", "pictures");
      if (reading.items.size() != reading.PictureCount()) {
        counts = Count(reading.items.size(), "entry", "entries") + ", " + counts;
      }
      std::printf("%s: %s, %s\n", name.c_str(), reading.formName.c_str(), counts.c_str());
      size_t number = 0;
      for (const FoundPicture& item : reading.items) {
        const std::string label = item.label.empty() ? std::to_string(++number) : item.label;
        if (item.image) {
          std::printf("%s: %s: %s, %s\n", name.c_str(), label.c_str(), item.formName.c_str(),
                      Size(*item.image).c_str());
        } else {
          std::printf("%s: %s: no picture (%s)\n", name.c_str(), label.c_str(), item.formName.c_str());
        }
      }
    }
  }
  return status;
}

}  // namespace korvel::host
