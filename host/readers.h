#pragma once
// Where the host's pictures come from: the built-in readers (the shared core,
// in-process: every picture of a tape, snapshot or disk image, with the name
// of what was read), or gfp plug-ins driven through their six exports only,
// one picture per file, exactly as an image viewer reads.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/choices.h"
#include "host/plugins.h"

namespace korvel::host {

// One picture of a file, or a disk entry that gives none.
struct FoundPicture {
  std::optional<Image> image;  // none: the entry gives no picture
  std::string formName;        // what the picture is; without one, why there is none
  std::string label;           // in a container: the tape picture's number or NAME.T; empty otherwise
  bool warn = false;           // worth a warning line (an entry whose sectors lie past the end)
  bool failed = false;         // a picture there that could not be given (the scale made it too large)
  // A picture that moves: how long each frame shows, in seconds (empty when
  // still), and, when the reader was asked for every frame, the pixels of
  // frames 2 on (frame 1 is `image`).
  struct Delay {
    uint32_t numerator;
    uint32_t denominator;
  };
  std::vector<Delay> delays;
  std::vector<std::vector<uint8_t>> laterFrames;
};

struct FileReading {
  std::string error;        // set when the file could not be read at all
  std::string formName;     // empty: not a ZX picture korvel reads
  bool container = false;
  std::vector<FoundPicture> items;  // in order

  size_t PictureCount() const;
};

class PictureReader {
 public:
  virtual ~PictureReader() = default;
  virtual FileReading Read(const std::filesystem::path& file) const = 0;
  // Whether ReadMemory works: readers that open files only by name (the gfp
  // plug-ins) cannot read an archive member.
  virtual bool ReadsMemory() const { return false; }
  // Bytes already in memory (an archive member), named `name`.
  virtual FileReading ReadMemory(const std::vector<uint8_t>& bytes, const std::string& name) const {
    (void)bytes;
    (void)name;
    return {};
  }
};

// The shared core, in-process: the korvel rule sets in the order a gfp host
// tries them, drawn with `choices`.
std::unique_ptr<PictureReader> MakeBuiltInReader(const PictureChoices& choices = {});

// The given plug-ins, each file's first picture only.
std::unique_ptr<PictureReader> MakePluginReader(PluginSet plugins);

// The built-in rule sets for `korvel info`: name, label and extension list.
struct BuiltInRuleSet {
  std::string name;
  std::string label;
  std::string extensionList;
};
std::vector<BuiltInRuleSet> BuiltInRuleSets();

}  // namespace korvel::host
