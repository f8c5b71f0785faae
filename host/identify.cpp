#include "host/identify.h"

#include <cstdio>
#include <string>

#include "host/convert.h"
#if defined(KORVEL_ARCHIVES)
#include "host/archive_reader.h"
#endif

namespace korvel::host {

namespace {

std::string Size(const Image& image) {
  return std::to_string(image.width) + "\u00d7" + std::to_string(image.height);
}

// The size, and for a picture that moves its frames: FLASH when every frame
// shows for 16 of the 50 frames a second.
std::string Describe(const FoundPicture& picture) {
  std::string text = Size(*picture.image);
  if (picture.delays.size() > 1) {
    bool flash = true;
    for (const FoundPicture::Delay& delay : picture.delays) {
      flash = flash && delay.numerator == 8 && delay.denominator == 25;
    }
    text += std::string(", ") + (flash ? "FLASH: " : "") + std::to_string(picture.delays.size()) + " frames";
  }
  return text;
}

std::string Count(size_t count, const char* one, const char* several) {
  return std::to_string(count) + " " + (count == 1 ? one : several);
}

void Explain(const std::string& name, const FileReading& reading) {
  if (reading.formName.empty()) {
    std::printf("%s: not a ZX picture korvel reads\n", name.c_str());
  } else if (!reading.container) {
    const FoundPicture& only = reading.items.front();
    if (only.image) {
      std::printf("%s: %s, %s\n", name.c_str(), reading.formName.c_str(), Describe(only).c_str());
    } else {
      std::printf("%s: %s, no picture (%s)\n", name.c_str(), reading.formName.c_str(), only.formName.c_str());
    }
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
                    Describe(item).c_str());
      } else {
        std::printf("%s: %s: no picture (%s)\n", name.c_str(), label.c_str(), item.formName.c_str());
      }
    }
  }
}

void Problem(const std::string& name, const std::string& why) {
  std::fflush(stdout);
  std::fprintf(stderr, "korvel: %s: %s\n", name.c_str(), why.c_str());
}

#if defined(KORVEL_ARCHIVES)
// Each member as a file of its own, named ARCHIVE/MEMBER as convert names it.
bool ExplainArchive(const std::filesystem::path& file, const PictureReader& reader) {
  const ArchiveWalk walk = WalkArchiveFile(file, [&](const ArchiveMember& member) {
    const std::string name = (file / std::filesystem::path(member.path)).string();
    if (member.bytes == nullptr) {
      std::printf("%s: passed over: %s\n", name.c_str(), member.skipped.c_str());
    } else {
      Explain(name, reader.ReadMemory(*member.bytes, member.path));
    }
    return true;
  });
  if (!walk.ok) Problem(file.string(), walk.error);
  return walk.ok;
}
#endif

}  // namespace

int Identify(const std::vector<std::filesystem::path>& files, const PictureReader& reader) {
  int status = 0;
  for (const std::filesystem::path& file : files) {
#if defined(KORVEL_ARCHIVES)
    if (ReadsArchive(file, reader)) {
      if (!ExplainArchive(file, reader)) status = 1;
      continue;
    }
#endif
    const FileReading reading = reader.Read(file);
    if (!reading.error.empty()) {
      Problem(file.string(), reading.error);
      status = 1;
      continue;
    }
    Explain(file.string(), reading);
  }
  return status;
}

}  // namespace korvel::host
