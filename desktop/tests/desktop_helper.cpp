// Test helper for the desktop stack tests, which are CMake scripts and so
// cannot look inside PNG files or write binary ones:
//   desktop_helper size PNG           prints "WIDTH HEIGHT"
//   desktop_helper compare PNG PNG    exit 0 when both hold the same RGB pixels
//   desktop_helper hostile FOLDER     writes files the loader must refuse
//   desktop_helper flashing SCREEN OUT
//                                     SCREEN with FLASH in its top third's cells
//   desktop_helper shows PICTURE SCREENSHOT...
//                                     exit 0 when each frame of the core's first
//                                     picture of PICTURE is shown 1:1 in one of
//                                     the screenshots
// PNG files are read with gdk-pixbuf's own built-in PNG loader.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin/picture.h"
#include "plugin/reading.h"
#include "tests/support/hobeta_writer.h"

namespace {

using korvel::testing::Bytes;
using korvel::testing::HobetaFields;
using korvel::testing::WrapHobeta;

GdkPixbuf* ReadPng(const char* path) {
  GError* error = nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path, &error);
  if (pixbuf == nullptr) {
    std::fprintf(stderr, "desktop_helper: %s: %s\n", path, error->message);
    g_error_free(error);
  }
  return pixbuf;
}

// Pixel (x, y) as red, green, blue. ZX pictures are opaque, so a pixel that
// is not fully opaque counts as a difference.
bool PixelAt(GdkPixbuf* pixbuf, int x, int y, guchar rgb[3]) {
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* p = gdk_pixbuf_read_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) + x * channels;
  std::memcpy(rgb, p, 3);
  return channels == 3 || p[3] == 255;
}

int Size(const char* path) {
  GdkPixbuf* pixbuf = ReadPng(path);
  if (pixbuf == nullptr) return 1;
  std::printf("%d %d\n", gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf));
  g_object_unref(pixbuf);
  return 0;
}

int Compare(const char* expectedPath, const char* actualPath) {
  GdkPixbuf* expected = ReadPng(expectedPath);
  GdkPixbuf* actual = ReadPng(actualPath);
  int status = 1;
  if (expected != nullptr && actual != nullptr) {
    const int width = gdk_pixbuf_get_width(expected);
    const int height = gdk_pixbuf_get_height(expected);
    if (gdk_pixbuf_get_width(actual) != width || gdk_pixbuf_get_height(actual) != height) {
      std::fprintf(stderr, "desktop_helper: %s is %dx%d, %s is %dx%d\n", expectedPath, width, height, actualPath,
                   gdk_pixbuf_get_width(actual), gdk_pixbuf_get_height(actual));
    } else {
      status = 0;
      for (int y = 0; y < height && status == 0; ++y) {
        for (int x = 0; x < width && status == 0; ++x) {
          guchar a[3], b[3];
          const bool opaque = PixelAt(expected, x, y, a) && PixelAt(actual, x, y, b);
          if (!opaque || std::memcmp(a, b, 3) != 0) {
            std::fprintf(stderr, "desktop_helper: first difference at (%d, %d): %u,%u,%u against %u,%u,%u%s\n", x, y,
                         a[0], a[1], a[2], b[0], b[1], b[2], opaque ? "" : " (not opaque)");
            status = 1;
          }
        }
      }
    }
  }
  if (expected != nullptr) g_object_unref(expected);
  if (actual != nullptr) g_object_unref(actual);
  return status;
}

bool Write(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Files named like pictures that no reader may turn into one.
int Hostile(const std::string& folder) {
  Bytes screen(6912, 0x55);

  Bytes truncated = WrapHobeta(screen);
  truncated.resize(truncated.size() - 1);  // one byte short of its 27 sectors

  // Only a Hobeta name forgives a wrong checksum.
  Bytes badChecksum = WrapHobeta(screen);
  badChecksum[15] ^= 0xFF;

  // A sprite sheet of no sprites: a picture of 0 x 0 pixels.
  Bytes emptySheet = {'B', 'I', 'T', 0, 0, 0, 0, 0};
  HobetaFields sheetFields;
  sheetFields.length = 256;
  const Bytes zeroSized = WrapHobeta(emptySheet, sheetFields);

  bool ok = Write(folder + "/truncated.$s", truncated) && Write(folder + "/bad-checksum.scr", badChecksum) &&
            Write(folder + "/zero-sized.$c", zeroSized) && Write(folder + "/too-short.scr", Bytes(16, 0x55)) &&
            Write(folder + "/too-large.scr", Bytes(16 * 1024 * 1024 + 1, 0)) && Write(folder + "/odd-size.scr", Bytes(6913, 0xAA)) &&
            Write(folder + "/empty.gsc", Bytes());
  if (!ok) std::fprintf(stderr, "desktop_helper: cannot write into %s\n", folder.c_str());
  return ok ? 0 : 1;
}

bool Read(const std::string& path, Bytes& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return static_cast<bool>(in) || in.eof();
}

int WriteFlashing(const std::string& screenPath, const std::string& outPath) {
  Bytes screen;
  if (!Read(screenPath, screen) || screen.size() != 6912) return 1;
  for (size_t i = 6144; i < 6144 + 256; ++i) screen[i] |= 0x80;
  return Write(outPath, screen) ? 0 : 1;
}

// Whether `frame` appears pixel for pixel somewhere in `screenshot`.
bool Shows(GdkPixbuf* screenshot, const korvel::Picture& frame) {
  const int width = gdk_pixbuf_get_width(screenshot), height = gdk_pixbuf_get_height(screenshot);
  const int channels = gdk_pixbuf_get_n_channels(screenshot), stride = gdk_pixbuf_get_rowstride(screenshot);
  const guchar* pixels = gdk_pixbuf_read_pixels(screenshot);
  auto rowMatches = [&](int left, int top, int y) {
    const guchar* shown = pixels + (top + y) * stride + left * channels;
    const uint8_t* wanted = frame.pixels + y * korvel::RowBytes(frame);
    for (int x = 0; x < frame.width; ++x, shown += channels, wanted += 3) {
      if (std::memcmp(shown, wanted, 3) != 0) return false;
    }
    return true;
  };
  for (int top = 0; top + frame.height <= height; ++top) {
    for (int left = 0; left + frame.width <= width; ++left) {
      int y = 0;
      while (y < frame.height && rowMatches(left, top, y)) ++y;
      if (y == frame.height) return true;
    }
  }
  return false;
}

int ShowsEveryFrame(const std::string& picturePath, char** screenshotPaths, int screenshotCount) {
  Bytes bytes;
  if (!Read(picturePath, bytes)) return 2;
  korvel::Picture* picture = korvel::LoadFirstPictureFrames(bytes.data(), bytes.size(), picturePath.c_str());
  std::vector<GdkPixbuf*> screenshots;
  for (int i = 0; i < screenshotCount; ++i) {
    if (GdkPixbuf* screenshot = ReadPng(screenshotPaths[i])) screenshots.push_back(screenshot);
  }
  int frames = 0, shown = 0;
  for (const korvel::Picture* frame = picture; frame != nullptr; frame = frame->nextFrame, ++frames) {
    bool found = false;
    for (GdkPixbuf* screenshot : screenshots) found = found || Shows(screenshot, *frame);
    std::printf("frame %d is %s\n", frames + 1, found ? "shown 1:1" : "NOT shown 1:1");
    shown += found;
  }
  for (GdkPixbuf* screenshot : screenshots) g_object_unref(screenshot);
  korvel::ReleasePicture(picture);
  return frames > 0 && shown == frames ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "size" && argc == 3) return Size(argv[2]);
  if (command == "compare" && argc == 4) return Compare(argv[2], argv[3]);
  if (command == "hostile" && argc == 3) return Hostile(argv[2]);
  if (command == "flashing" && argc == 4) return WriteFlashing(argv[2], argv[3]);
  if (command == "shows" && argc >= 4) return ShowsEveryFrame(argv[2], argv + 3, argc - 3);
  std::fprintf(stderr,
               "usage: desktop_helper size PNG | compare EXPECTED ACTUAL | hostile FOLDER | flashing SCREEN OUT | "
               "shows PICTURE SCREENSHOT...\n");
  return 2;
}
