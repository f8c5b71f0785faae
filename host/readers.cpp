#include "host/readers.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <numeric>

#include "korvel/korvel.h"
#include "plugin/host_order.h"
#include "plugin/frames.h"
#include "plugin/load.h"
#include "plugin/reading.h"

namespace fs = std::filesystem;

namespace korvel::host {

namespace {

std::string CannotRead(const std::string& why) { return "cannot read it (" + why + ")"; }

// The library's reason for a picture that its scale would make too large.
constexpr char kTooLargeReason[] = "scaled picture over";

// One item of an opened file, copied out of the library's file.
FoundPicture ItemOf(const korvel_file* file, size_t item, bool everyFrame) {
  FoundPicture found;
  const size_t picture = korvel_item_picture(file, item);
  if (picture != static_cast<size_t>(-1)) {
    const uint32_t width = korvel_picture_width(file, picture);
    const uint32_t height = korvel_picture_height(file, picture);
    const uint8_t* rgb = korvel_picture_rgb(file, picture);
    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgb.assign(rgb, rgb + size_t{width} * height * 3);
    found.image = std::move(image);
    found.formName = korvel_picture_form(file, picture);
    const size_t frames = korvel_picture_frame_count(file, picture);
    for (size_t frame = 0; frames > 1 && frame < frames; ++frame) {
      FoundPicture::Delay delay = {0, 1};
      korvel_picture_frame_delay(file, picture, frame, &delay.numerator, &delay.denominator);
      found.delays.push_back(delay);
      if (everyFrame && frame > 0) {
        const uint8_t* pixels = korvel_picture_frame_rgb(file, picture, frame);
        found.laterFrames.emplace_back(pixels, pixels + found.image->rgb.size());
      }
    }
  } else {
    found.formName = korvel_item_reason(file, item);
    found.failed = found.formName.rfind(kTooLargeReason, 0) == 0;
  }
  found.label = korvel_item_label(file, item);
  found.warn = korvel_item_warns(file, item) != 0;
  return found;
}

// A recording too large for the library is read by the core itself, drawn
// with the same choices: its items, copied out as the library's are.
struct LargeFileReading {
  FileReading& reading;
  const PictureChoices& choices;
};

bool CollectItem(FoundItem& item, void* context) {
  const auto& large = *static_cast<LargeFileReading*>(context);
  FoundPicture found;
  found.formName = item.formName != nullptr ? item.formName : "";
  if (item.picture != nullptr) {
    const ScaledFrames scaled = large.choices.scale > 1 ? ScaleFrames(*item.picture, large.choices.scale)
                                                        : ScaledFrames{nullptr, false};
    const Picture* shown = scaled.picture != nullptr ? scaled.picture : item.picture;
    if (scaled.tooLarge) {
      found.formName = "scaled picture over 65535 pixels a side or 1 GiB of RGB";
      found.failed = true;
    } else if (large.choices.scale > 1 && scaled.picture == nullptr) {
      ReleasePicture(item.picture);
      return false;  // out of memory: the reading says so
    } else {
      found.image = Image{shown->width, shown->height,
                          std::vector<uint8_t>(shown->pixels, shown->pixels + PixelBytes(*shown))};
      for (const Picture* frame = shown; shown->nextFrame != nullptr && frame != nullptr; frame = frame->nextFrame) {
        const uint32_t common = std::gcd(uint32_t{frame->delay}, kFramesPerSecond);
        found.delays.push_back({frame->delay / common, kFramesPerSecond / common});
        if (large.choices.everyFrame && frame != shown) {
          found.laterFrames.emplace_back(frame->pixels, frame->pixels + PixelBytes(*frame));
        }
      }
    }
    ReleasePicture(scaled.picture);
    ReleasePicture(item.picture);
  }
  found.label = item.label;
  found.warn = item.warn;
  large.reading.items.push_back(std::move(found));
  return true;
}

// The choices as the library takes them.
korvel_options OptionsOf(const PictureChoices& choices) {
  korvel_options options = {};
  options.size = sizeof options;
  options.palette = choices.paletteChosen ? choices.palette.data() : nullptr;
  options.gigascreen = choices.gigascreen;
  options.border = choices.border;
  options.border_colour = choices.borderColour;
  options.scale = choices.scale;
  return options;
}

// A file read in pieces: where the core's recording reader asks.
bool ReadPiece(void* context, uint64_t offset, uint8_t* into, size_t count) {
  auto& stream = *static_cast<std::ifstream*>(context);
  stream.clear();
  stream.seekg(static_cast<std::streamoff>(offset));
  return static_cast<bool>(stream.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count)));
}

// A tape recording larger than korvel_extra reads, up to 1 GiB, is read in
// pieces, never whole; every other file that large is no ZX picture.
FileReading ReadLargeFile(std::ifstream& stream, uintmax_t size, const fs::path& file, const PictureChoices& choices) {
  FileReading reading;
  uint8_t start[64] = {};
  stream.read(reinterpret_cast<char*>(start), sizeof start);
  const ContainerKind kind = RecordingKindOf(ByteSpan(start, static_cast<size_t>(stream.gcount())), file.string().c_str());
  if (kind == ContainerKind::kNone) return reading;
  if (size > kMaxRecordingBytes) {
    reading.error = "larger than 1 GiB, more than korvel reads of a tape recording";
    return reading;
  }
  LargeFileReading large = {reading, choices};
  const korvel_options options = OptionsOf(choices);
  DrawingChoices drawing;
  uint32_t scale = 1;
  ChoicesFromOptions(&options, drawing, scale);  // the options were checked as they were parsed
  const korvel::FileReading core = ReadEveryRecordingPicture(PieceSource{size, ReadPiece, &stream}, kind, drawing,
                                                             CollectItem, &large);
  if (core.outOfMemory || reading.items.size() < core.pictures) {
    reading.items.clear();
    reading.error = "not enough memory to read it";
  } else if (core.formName != nullptr) {
    reading.formName = core.formName;
    reading.container = core.container;
  }
  return reading;
}

class BuiltInReader : public PictureReader {
 public:
  explicit BuiltInReader(const PictureChoices& choices) : choices_(choices) {}

  FileReading Read(const fs::path& file) const override {
    FileReading reading;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
      reading.error = CannotRead(std::strerror(errno));
      return reading;
    }
    std::error_code error;
    const uintmax_t size = fs::file_size(file, error);
    if (error) {
      reading.error = CannotRead(error.message());
      return reading;
    }
    if (size > kMaxExtraFileBytes) return ReadLargeFile(stream, size, file, choices_);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
      reading.error = CannotRead("a short read");
      return reading;
    }
    return ReadMemory(bytes, file.string());
  }

  bool ReadsMemory() const override { return true; }

  FileReading ReadMemory(const std::vector<uint8_t>& bytes, const std::string& name) const override {
    FileReading reading;
    const korvel_options options = OptionsOf(choices_);
    korvel_file* file = korvel_open_memory_with(bytes.data(), bytes.size(), name.c_str(), &options);
    if (file == nullptr) {
      reading.error = "not enough memory to read it";
      return reading;
    }
    if (const char* form = korvel_file_form(file)) {
      reading.formName = form;
      reading.container = korvel_file_is_container(file) != 0;
      for (size_t i = 0; i < korvel_item_count(file); ++i) {
        reading.items.push_back(ItemOf(file, i, choices_.everyFrame));
      }
    }
    korvel_close(file);
    return reading;
  }

 private:
  PictureChoices choices_;
};

class PluginReader : public PictureReader {
 public:
  explicit PluginReader(PluginSet plugins) : plugins_(std::move(plugins)) {}

  FileReading Read(const fs::path& file) const override {
    FileReading reading;
    {
      std::ifstream probe(file, std::ios::binary);
      if (!probe) {
        reading.error = CannotRead(std::strerror(errno));
        return reading;
      }
    }
    for (const Plugin* plugin : PluginsToTry(plugins_, file)) {
      if (std::optional<Image> image = plugin->Load(file.string())) {
        reading.formName = "picture read by " + plugin->path().filename().string();
        FoundPicture found;
        found.image = std::move(image);
        found.formName = reading.formName;
        reading.items.push_back(std::move(found));
        break;
      }
    }
    return reading;
  }

 private:
  PluginSet plugins_;
};

}  // namespace

size_t FileReading::PictureCount() const {
  size_t count = 0;
  for (const FoundPicture& item : items) count += item.image ? 1 : 0;
  return count;
}

std::unique_ptr<PictureReader> MakeBuiltInReader(const PictureChoices& choices) {
  return std::make_unique<BuiltInReader>(choices);
}

std::unique_ptr<PictureReader> MakePluginReader(PluginSet plugins) {
  return std::make_unique<PluginReader>(std::move(plugins));
}

std::vector<BuiltInRuleSet> BuiltInRuleSets() {
  std::vector<BuiltInRuleSet> sets;
  for (size_t i = 0; i < kHostOrderCount; ++i) {
    sets.push_back({kHostOrder[i]->name, kPluginLabel, kHostOrder[i]->extensionList});
  }
  return sets;
}

}  // namespace korvel::host
