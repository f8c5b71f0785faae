// korvel: a command-line host for the ZX picture plug-ins.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/choices.h"
#include "host/convert.h"
#include "host/identify.h"
#include "host/plugins.h"
#include "host/readers.h"

namespace fs = std::filesystem;
using namespace korvel::host;

namespace {

constexpr char kUsage[] =
    "usage: korvel COMMAND [OPTIONS]\n"
    "\n"
    "Reads ZX Spectrum pictures: picture files, and the pictures inside tapes,\n"
    "snapshots and disk images.\n"
    "\n"
    "commands:\n"
    "  convert INPUT... [-o OUTPUT]   convert pictures to PNG files\n"
    "  identify FILE...               say what korvel sees in each file\n"
    "  info [PLUGIN...]               show the readers' labels and extensions\n"
    "\n"
    "Run 'korvel COMMAND --help' for the options of a command,\n"
    "'korvel --version' for the version.\n";

constexpr char kConvertUsage[] =
    "usage: korvel convert INPUT... [-o OUTPUT] [-j N] [--force] [--animate]\n"
    "                      [--palette NAME|FILE] [--gigascreen MODE] [--border SIZE]\n"
    "                      [--border-colour N] [--scale N] [--plugin PATH]...\n"
    "\n"
    "Converts each ZX picture to a PNG file named after the whole input name\n"
    "plus .png (pic.scr becomes pic.scr.png), beside the input or in OUTPUT.\n"
    "A file that holds several pictures (a tape, a disk image) gives one PNG\n"
    "file each: NAME.N.png for the Nth picture of a tape, NAME.ENTRY.T.png for\n"
    "a disk entry (game.tap.2.png, disk.trd.LOGO.C.png).\n"
    "A folder is walked recursively and its structure mirrored under OUTPUT;\n"
    "files in it that are not ZX pictures are skipped. Archives (.zip, .7z,\n"
    ".rar, .tar, .tar.gz, .tgz, .tar.bz2, .tar.xz, and single .gz, .bz2 and\n"
    ".xz files) are walked like folders: ARCHIVE/MEMBER.png. Tape recordings\n"
    "(.wav, CSW) are read up to 1 GiB. Several files are\n"
    "converted at once, one per core; on a terminal a progress bar shows the\n"
    "count and the rate. A folder or several inputs end with a summary line:\n"
    "converted, skipped as not ZX pictures, failed.\n"
    "\n"
    "options:\n"
    "  -o, --output OUTPUT  folder for the PNG files (created when missing), or,\n"
    "                       for a single input, the PNG file itself\n"
    "  -j, --jobs N         convert N files at once (default: one per core)\n"
    "  -f, --force          overwrite PNG files that already exist\n"
    "  --animate            write a picture that moves (FLASH, a flickering\n"
    "                       gigascreen, an animation) as an animated PNG, looping\n"
    "                       for ever; its first frame is the still picture, which\n"
    "                       viewers without animation show\n"
    "  --palette NAME|FILE  the 16 colours: default (lit 0xBF, unlit 0x08; bright\n"
    "                       0xFF and 0x20), 192, 205, 215, 224 or 170 (lit at that\n"
    "                       level, 255 bright, unlit 0), or a file of 16 lines\n"
    "                       #RRGGBB or R G B: colours 0-7 (black, blue, red,\n"
    "                       magenta, green, cyan, yellow, white), then bright 0-7\n"
    "                       (15 lines: bright black is black; ; or // comments)\n"
    "  --gigascreen MODE    two screens shown in turn: blend (default), linear\n"
    "                       (blended in linear light) or flicker (two frames of\n"
    "                       1/50 s, with --animate)\n"
    "  --border SIZE        none (default), small (288x224), medium (320x256) or\n"
    "                       full (384x288) around a 256x192 screen\n"
    "  --border-colour N    the border's colour, 0-7 (default 0), for files that\n"
    "                       keep none of their own\n"
    "  --scale N            every pixel N x N, 1-8 (default 1), after the border\n"
    "  --plugin PATH        read through this gfp plug-in instead of the built-in\n"
    "                       readers, one picture per file, as an image viewer\n"
    "                       does (repeatable; tried in order)\n"
    "  -h, --help           show this help\n"
    "\n"
    "The exit status is 1 when any named file gives no picture, an input could\n"
    "not be read or an output could not be written (or already exists), 2 for\n"
    "a usage error; what a folder walk or a container passes over does not\n"
    "count.\n";

constexpr char kInfoUsage[] =
    "usage: korvel info [PLUGIN...]\n"
    "\n"
    "Prints the label and extension list of each gfp plug-in named, or of the\n"
    "built-in readers (korvel_hobeta, korvel_screens, korvel_extra, in the\n"
    "order a gfp host tries them).\n";

constexpr char kIdentifyUsage[] =
    "usage: korvel identify FILE...\n"
    "\n"
    "Prints what korvel sees in each file, one line each: the kind of picture\n"
    "and its size, or why it is not one. A tape or snapshot adds a line per\n"
    "picture, a disk image a line per entry (what it is, or why it gives no\n"
    "picture). The exit status is 1 only when a file cannot be read.\n";

int UsageError(const std::string& message, const char* usage) {
  std::fprintf(stderr, "korvel: %s\n\n%s", message.c_str(), usage);
  return 2;
}

// ", not 'VALUE'" for a value given, nothing for one missing.
std::string Quoted(const std::string* value) { return value != nullptr ? ", not '" + *value + "'" : ""; }

bool IsHelp(const std::string& arg) { return arg == "-h" || arg == "--help"; }

// A thread count from 1 to 1024, or 0 when `text` is not one.
unsigned ParseThreadCount(const std::string& text) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const unsigned long count = std::stoul(text);
  return count <= 1024 ? static_cast<unsigned>(count) : 0;
}

int RunInfo(const std::vector<std::string>& args) {
  std::vector<fs::path> paths;
  for (const std::string& arg : args) {
    if (IsHelp(arg)) {
      std::fputs(kInfoUsage, stdout);
      return 0;
    }
    if (!arg.empty() && arg[0] == '-') return UsageError("unknown option " + arg, kInfoUsage);
    paths.emplace_back(arg);
  }
  if (paths.empty()) {
    for (const BuiltInRuleSet& set : BuiltInRuleSets()) {
      std::printf("built-in %s\n  label:      %s\n  extensions: %s\n", set.name.c_str(), set.label.c_str(),
                  set.extensionList.c_str());
    }
    return 0;
  }
  int status = 0;
  for (const fs::path& path : paths) {
    std::string error;
    auto plugin = Plugin::Open(path, error);
    if (!plugin) {
      std::fprintf(stderr, "korvel: %s: %s\n", path.string().c_str(), error.c_str());
      status = 1;
      continue;
    }
    std::printf("%s\n  label:      %s\n  extensions: %s\n", path.string().c_str(), plugin->label().c_str(),
                plugin->extensionList().c_str());
  }
  return status;
}

// A drawing choice given as --NAME VALUE or --NAME=VALUE: whether `arg` is
// one, and then its value (nullptr when missing).
bool TakeChoice(const std::vector<std::string>& args, size_t& i, const char* name, const std::string*& value,
                std::string& attached) {
  const std::string& arg = args[i];
  if (arg == name) {
    value = i + 1 < args.size() ? &args[++i] : nullptr;
    return true;
  }
  const std::string prefix = std::string(name) + "=";
  if (arg.rfind(prefix, 0) != 0) return false;
  attached = arg.substr(prefix.size());
  value = &attached;
  return true;
}

// The drawing options of one value each: its name, what it wants, and its
// reading into the choices.
struct ValueChoice {
  const char* name;
  const char* wants;
  bool (*read)(const std::string& text, PictureChoices& choices);
};

constexpr ValueChoice kValueChoices[] = {
    {"--gigascreen", "blend, linear or flicker",
     [](const std::string& t, PictureChoices& c) { return ParseGigascreen(t, c.gigascreen); }},
    {"--border", "none, small, medium or full",
     [](const std::string& t, PictureChoices& c) { return ParseBorder(t, c.border); }},
    {"--border-colour", "a colour from 0 to 7",
     [](const std::string& t, PictureChoices& c) { return ParseBorderColour(t, c.borderColour); }},
    {"--scale", "a number from 1 to 8", [](const std::string& t, PictureChoices& c) { return ParseScale(t, c.scale); }},
};

// The value option args[i] is, with its value taken as TakeChoice takes it;
// null for any other argument.
const ValueChoice* TakeValueChoice(const std::vector<std::string>& args, size_t& i, const std::string*& value,
                                   std::string& attached) {
  for (const ValueChoice& option : kValueChoices) {
    if (TakeChoice(args, i, option.name, value, attached)) return &option;
  }
  return nullptr;
}

int RunConvert(const std::vector<std::string>& args) {
  ConvertOptions options;
  PictureChoices choices;
  bool choicesGiven = false;
  std::vector<fs::path> pluginPaths;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
    const std::string* choice = nullptr;
    std::string choiceText;
    if (IsHelp(arg)) {
      std::fputs(kConvertUsage, stdout);
      return 0;
    } else if (arg == "-o" || arg == "--output") {
      const std::string* output = value();
      if (output == nullptr) return UsageError(arg + " needs a folder or file", kConvertUsage);
      options.output = *output;
    } else if (arg == "-j" || arg == "--jobs" || (arg.rfind("-j", 0) == 0 && arg.size() > 2) ||
               arg.rfind("--jobs=", 0) == 0) {
      // -j N, -jN, --jobs N, --jobs=N
      const std::string* count = nullptr;
      std::string attached;
      if (arg == "-j" || arg == "--jobs") {
        count = value();
      } else {
        attached = arg.substr(arg[1] == 'j' ? 2 : 7);
        count = &attached;
      }
      if (count == nullptr) return UsageError(arg + " needs a number of files to convert at once", kConvertUsage);
      options.threads = ParseThreadCount(*count);
      if (options.threads == 0) {
        return UsageError("-j wants a number from 1 to 1024, not '" + *count + "'", kConvertUsage);
      }
    } else if (arg == "-f" || arg == "--force") {
      options.force = true;
    } else if (arg == "--animate") {
      choices.everyFrame = true;
      choicesGiven = true;
    } else if (TakeChoice(args, i, "--palette", choice, choiceText)) {
      if (choice == nullptr) return UsageError("--palette needs a palette name or file", kConvertUsage);
      std::string error;
      switch (ChoosePalette(*choice, choices.palette, error)) {
        case PaletteChoice::kChosen: choices.paletteChosen = true; break;
        case PaletteChoice::kDefault: choices.paletteChosen = false; break;
        case PaletteChoice::kUnknown: return UsageError(error, kConvertUsage);
        case PaletteChoice::kBadFile: std::fprintf(stderr, "korvel: %s\n", error.c_str()); return 2;
      }
      choicesGiven = true;
    } else if (const ValueChoice* taken = TakeValueChoice(args, i, choice, choiceText)) {
      if (choice == nullptr || !taken->read(*choice, choices)) {
        return UsageError(std::string(taken->name) + " wants " + taken->wants + Quoted(choice), kConvertUsage);
      }
      choicesGiven = true;
    } else if (arg == "--plugin") {
      const std::string* path = value();
      if (path == nullptr) return UsageError("--plugin needs a path", kConvertUsage);
      pluginPaths.emplace_back(*path);
    } else if (arg == "--") {
      for (++i; i < args.size(); ++i) options.inputs.emplace_back(args[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option " + arg, kConvertUsage);
    } else {
      options.inputs.emplace_back(arg);
    }
  }
  if (options.inputs.empty()) return UsageError("no input files", kConvertUsage);
  if (pluginPaths.empty()) return RunConversion(options, *MakeBuiltInReader(choices));
  if (choicesGiven) {
    return UsageError("--plugin reads as an image viewer does: one still picture in the plug-in's colours, "
                      "without --animate, --palette, --gigascreen, --border or --scale",
                      kConvertUsage);
  }
  std::string error;
  std::optional<PluginSet> plugins = OpenPlugins(pluginPaths, error);
  if (!plugins) {
    std::fprintf(stderr, "korvel: cannot load plug-in %s\n", error.c_str());
    return 1;
  }
  return RunConversion(options, *MakePluginReader(std::move(*plugins)));
}

int RunIdentify(const std::vector<std::string>& args) {
  std::vector<fs::path> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      std::fputs(kIdentifyUsage, stdout);
      return 0;
    }
    if (args[i] == "--") {
      for (++i; i < args.size(); ++i) files.emplace_back(args[i]);
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return UsageError("unknown option " + args[i], kIdentifyUsage);
    } else {
      files.emplace_back(args[i]);
    }
  }
  if (files.empty()) return UsageError("no files", kIdentifyUsage);
  return Identify(files, *MakeBuiltInReader());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command", kUsage);
  const std::string command = args.front();
  args.erase(args.begin());
  if (IsHelp(command)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version" || command == "-V") {
    std::puts("korvel " KORVEL_VERSION);
    return 0;
  }
  if (command == "convert") return RunConvert(args);
  if (command == "identify") return RunIdentify(args);
  if (command == "info") return RunInfo(args);
  return UsageError("unknown command " + command, kUsage);
}
