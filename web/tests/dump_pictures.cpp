// The native side of the web tests: reads each file named through the C API
// and writes what it gives to FOLDER: manifest.json (one entry per file:
// form, reason, items, pictures with label, form and size) and each
// picture's RGB bytes as N.M.rgb (file N, picture M). With --time, reads
// the files (held in memory) ROUNDS times over and prints the median
// microseconds a round takes, for the module's benchmark.
//
//   korvel_dump_pictures FOLDER FILE...
//   korvel_dump_pictures --time ROUNDS FILE...

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "korvel/korvel.h"

namespace {

std::string Json(const char* text) {
  if (text == nullptr) return "null";
  std::string out = "\"";
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int Time(int rounds, int count, char** paths) {
  std::vector<std::vector<uint8_t>> files;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    files.push_back(ReadAll(paths[i]));
    names.push_back(BaseName(paths[i]));
  }
  std::vector<double> times;
  size_t pictures = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < files.size(); ++i) {
      korvel_file* file = korvel_open_memory(files[i].data(), files[i].size(), names[i].c_str());
      pictures += korvel_picture_count(file);
      korvel_close(file);
    }
    times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  std::printf("%.1f %zu\n", times[times.size() / 2], pictures / static_cast<size_t>(rounds));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--time") return Time(std::max(1, std::atoi(argv[2])), argc - 3, argv + 3);
  if (argc < 2) {
    std::fprintf(stderr, "usage: korvel_dump_pictures FOLDER FILE... | --time ROUNDS FILE...\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::string manifest = "[\n";
  for (int n = 2; n < argc; ++n) {
    const std::vector<uint8_t> bytes = ReadAll(argv[n]);
    const std::string name = BaseName(argv[n]);
    korvel_file* file = korvel_open_memory(bytes.data(), bytes.size(), name.c_str());
    if (file == nullptr) {
      std::fprintf(stderr, "korvel_dump_pictures: %s: out of memory\n", argv[n]);
      return 1;
    }
    manifest += "{\"file\": " + Json(name.c_str()) + ", \"form\": " + Json(korvel_file_form(file)) +
                ", \"reason\": " + Json(korvel_file_reason(file)) +
                ", \"container\": " + (korvel_file_is_container(file) ? "true" : "false") + ", \"pictures\": [";
    for (size_t i = 0; i < korvel_picture_count(file); ++i) {
      const uint32_t width = korvel_picture_width(file, i), height = korvel_picture_height(file, i);
      const std::string rgb = std::to_string(n - 2) + "." + std::to_string(i) + ".rgb";
      std::ofstream(folder + "/" + rgb, std::ios::binary)
          .write(reinterpret_cast<const char*>(korvel_picture_rgb(file, i)), std::streamsize{width} * height * 3);
      manifest += std::string(i ? ", " : "") + "{\"label\": " + Json(korvel_picture_label(file, i)) +
                  ", \"form\": " + Json(korvel_picture_form(file, i)) + ", \"width\": " + std::to_string(width) +
                  ", \"height\": " + std::to_string(height) + ", \"rgb\": " + Json(rgb.c_str()) + "}";
    }
    manifest += "], \"items\": [";
    for (size_t i = 0; i < korvel_item_count(file); ++i) {
      const size_t picture = korvel_item_picture(file, i);
      manifest += std::string(i ? ", " : "") + "{\"label\": " + Json(korvel_item_label(file, i)) +
                  ", \"picture\": " + (picture == static_cast<size_t>(-1) ? "-1" : std::to_string(picture)) +
                  ", \"reason\": " + Json(korvel_item_reason(file, i)) +
                  ", \"warns\": " + (korvel_item_warns(file, i) ? "true" : "false") + "}";
    }
    manifest += std::string("]}") + (n + 1 < argc ? "," : "") + "\n";
    korvel_close(file);
  }
  manifest += "]\n";
  std::ofstream(folder + "/manifest.json") << manifest;
  return 0;
}
