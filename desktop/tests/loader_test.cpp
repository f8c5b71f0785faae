// The gdk-pixbuf loader module: its operations called as gdk-pixbuf calls
// them, and, with a prepared prefix, through GdkPixbufLoader itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/gdk-pixbuf/korvel_loader.h"
#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "tests/support/hobeta_writer.h"

namespace korvel::desktop {
namespace {

using testing::Bytes;
using testing::HobetaFields;
using testing::WrapHobeta;

struct PixbufDeleter {
  void operator()(GdkPixbuf* pixbuf) const {
    if (pixbuf != nullptr) g_object_unref(pixbuf);
  }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufDeleter>;

// The failure a load reported: its message, empty if none.
struct Outcome {
  PixbufPtr pixbuf;
  std::string error;
};

Bytes TestScreen() {
  Bytes screen(6912);
  for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i < 6144 ? i * 7 : i & 0x7F);
  return screen;
}

Bytes ZeroSizedSheet() {
  HobetaFields fields;
  fields.length = 256;  // the sheet's own length field must be this minus 256
  return WrapHobeta({'B', 'I', 'T', 0, 0, 0, 0, 0}, fields);
}

// What the plug-ins make of the same bytes under the given name.
std::string PluginPixels(const Bytes& file, const char* name, int* width, int* height) {
  Picture* picture = LoadPictureBytes(file.data(), file.size(), name, kKorvelHobeta);
  if (picture == nullptr) picture = LoadPictureBytes(file.data(), file.size(), name, kKorvelScreens);
  if (picture == nullptr) return {};
  std::string pixels(reinterpret_cast<const char*>(picture->pixels), PixelBytes(*picture));
  *width = picture->width;
  *height = picture->height;
  ReleasePicture(picture);
  return pixels;
}

// The pixbuf's pixels without row padding.
std::string PixbufPixels(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  std::string pixels;
  for (int y = 0; y < gdk_pixbuf_get_height(pixbuf); ++y) {
    pixels.append(reinterpret_cast<const char*>(gdk_pixbuf_read_pixels(pixbuf)) +
                      size_t(y) * size_t(gdk_pixbuf_get_rowstride(pixbuf)),
                  size_t(width) * 3);
  }
  return pixels;
}

// Records the callbacks of one incremental load.
struct Callbacks {
  int sizeCalls = 0;
  int preparedCalls = 0;
  int updatedCalls = 0;
  int askedWidth = 0;
  int askedHeight = 0;
  bool answerZero = false;
  int updatedArea = 0;
  GdkPixbuf* prepared = nullptr;

  static void Size(gint* width, gint* height, gpointer data) {
    Callbacks& self = *static_cast<Callbacks*>(data);
    ++self.sizeCalls;
    self.askedWidth = *width;
    self.askedHeight = *height;
    if (self.answerZero) *width = *height = 0;
  }
  static void Prepared(GdkPixbuf* pixbuf, GdkPixbufAnimation*, gpointer data) {
    Callbacks& self = *static_cast<Callbacks*>(data);
    ++self.preparedCalls;
    self.prepared = static_cast<GdkPixbuf*>(g_object_ref(pixbuf));
  }
  static void Updated(GdkPixbuf*, int, int, int width, int height, gpointer data) {
    Callbacks& self = *static_cast<Callbacks*>(data);
    ++self.updatedCalls;
    self.updatedArea += width * height;
  }
};

Outcome LoadInChunks(const Bytes& file, size_t chunk, Callbacks& callbacks) {
  Outcome outcome;
  GError* error = nullptr;
  gpointer context = BeginLoad(Callbacks::Size, Callbacks::Prepared, Callbacks::Updated, &callbacks, &error);
  EXPECT_NE(context, nullptr);
  bool fed = true;
  for (size_t at = 0; at < file.size() && fed; at += chunk) {
    const size_t n = std::min(chunk, file.size() - at);
    fed = LoadIncrement(context, file.data() + at, static_cast<guint>(n), &error) != FALSE;
  }
  if (!fed) {
    EXPECT_NE(error, nullptr);
    // gdk-pixbuf still stops a failed load, and may pass no error then.
    EXPECT_FALSE(StopLoad(context, nullptr));
  } else if (!StopLoad(context, &error)) {
    EXPECT_NE(error, nullptr);
  }
  if (error != nullptr) {
    EXPECT_EQ(error->domain, GDK_PIXBUF_ERROR);
    outcome.error = error->message;
    g_error_free(error);
  }
  outcome.pixbuf.reset(callbacks.prepared);
  return outcome;
}

Outcome LoadWholeFile(const Bytes& file) {
  Outcome outcome;
  FILE* stream = tmpfile();
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return outcome;
  if (!file.empty()) fwrite(file.data(), 1, file.size(), stream);
  rewind(stream);
  GError* error = nullptr;
  outcome.pixbuf.reset(LoadWhole(stream, &error));
  fclose(stream);
  EXPECT_EQ(outcome.pixbuf == nullptr, error != nullptr);
  if (error != nullptr) {
    outcome.error = error->message;
    g_error_free(error);
  }
  return outcome;
}

// Both ways of loading fail, with a message matching `pattern`, and hand
// no pixbuf over.
void ExpectRefused(const Bytes& file, const char* pattern) {
  SCOPED_TRACE(pattern);
  Callbacks callbacks;
  const Outcome incremental = LoadInChunks(file, 4096, callbacks);
  EXPECT_EQ(incremental.pixbuf, nullptr);
  EXPECT_EQ(callbacks.preparedCalls, 0);
  EXPECT_TRUE(std::regex_search(incremental.error, std::regex(pattern))) << incremental.error;
  const Outcome whole = LoadWholeFile(file);
  EXPECT_EQ(whole.pixbuf, nullptr);
  EXPECT_TRUE(std::regex_search(whole.error, std::regex(pattern))) << whole.error;
}

TEST(PixbufLoader, IncrementalAndWholeLoadsGiveThePluginsPicture) {
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {{"raw screen", TestScreen()}, {"wrapped screen", WrapHobeta(TestScreen())}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int width = 0, height = 0;
    const std::string expected = PluginPixels(c.file, "picture.scr", &width, &height);
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 192);

    const Outcome whole = LoadWholeFile(c.file);
    ASSERT_NE(whole.pixbuf, nullptr) << whole.error;
    EXPECT_FALSE(gdk_pixbuf_get_has_alpha(whole.pixbuf.get()));
    EXPECT_EQ(PixbufPixels(whole.pixbuf.get()), expected);

    for (size_t chunk : {size_t{1}, size_t{7}, size_t{1024}, c.file.size()}) {
      SCOPED_TRACE(chunk);
      Callbacks callbacks;
      const Outcome incremental = LoadInChunks(c.file, chunk, callbacks);
      ASSERT_NE(incremental.pixbuf, nullptr) << incremental.error;
      EXPECT_EQ(callbacks.sizeCalls, 1);
      EXPECT_EQ(callbacks.askedWidth, 256);
      EXPECT_EQ(callbacks.askedHeight, 192);
      EXPECT_EQ(callbacks.preparedCalls, 1);
      EXPECT_EQ(callbacks.updatedArea, 256 * 192);
      EXPECT_EQ(PixbufPixels(incremental.pixbuf.get()), expected);
    }
  }
}

TEST(PixbufLoader, RawThreeColourDataReadsInTheRgbLayout) {
  // Without a name the loader cannot tell .xpv from .xpc: it takes the
  // interleaved layout, where a byte at offset 32 is pixel row 8.
  Bytes file(18432, 0);
  file[32] = 0x80;           // red, row 8 in the interleaved layout
  file[6144 + 256] = 0x80;   // green, row 1
  const Outcome whole = LoadWholeFile(file);
  ASSERT_NE(whole.pixbuf, nullptr) << whole.error;
  const guchar* pixels = gdk_pixbuf_read_pixels(whole.pixbuf.get());
  const int stride = gdk_pixbuf_get_rowstride(whole.pixbuf.get());
  EXPECT_EQ(pixels[8 * stride + 0], 255);
  EXPECT_EQ(pixels[1 * stride + 1], 255);
  EXPECT_EQ(pixels[0], 0);
}

TEST(PixbufLoader, RefusesFilesOutsideThePictureSizes) {
  ExpectRefused({}, "0 bytes long");
  ExpectRefused(Bytes(16, 0x55), "16 bytes long");
  ExpectRefused(Bytes(65553, 0), "larger than 65552 bytes");
  // The largest file passes the size test and fails recognition instead.
  ExpectRefused(Bytes(65552, 0), "korvel can read");
}

TEST(PixbufLoader, OversizedIncrementalLoadFailsAsSoonAsItPassesTheLimit) {
  Callbacks callbacks;
  GError* error = nullptr;
  gpointer context = BeginLoad(Callbacks::Size, Callbacks::Prepared, Callbacks::Updated, &callbacks, &error);
  const Bytes block(65552, 0);
  EXPECT_TRUE(LoadIncrement(context, block.data(), static_cast<guint>(block.size()), &error));
  EXPECT_FALSE(LoadIncrement(context, block.data(), 1, &error));
  ASSERT_NE(error, nullptr);
  g_clear_error(&error);
  // Writing on after the failure keeps failing; stopping frees the load.
  EXPECT_FALSE(LoadIncrement(context, block.data(), 1, &error));
  g_clear_error(&error);
  EXPECT_FALSE(StopLoad(context, &error));
  EXPECT_NE(error, nullptr);
  g_clear_error(&error);
  EXPECT_EQ(callbacks.preparedCalls, 0);
}

TEST(PixbufLoader, RefusesUnreadableAndEmptyPictures) {
  ExpectRefused(Bytes(6913, 0xAA), "Not a ZX Spectrum picture korvel can read");
  Bytes badChecksum = WrapHobeta(TestScreen());
  badChecksum[15] ^= 1;
  ExpectRefused(badChecksum, "korvel can read");
  Bytes truncated = WrapHobeta(TestScreen());
  truncated.pop_back();
  ExpectRefused(truncated, "korvel can read");
  // A sprite sheet of no sprites is a picture of 0 x 0 pixels, which a
  // pixbuf cannot be.
  ExpectRefused(ZeroSizedSheet(), "no pixels \\(0 x 0\\)");
}

TEST(PixbufLoader, SizeOfZeroAsksForTheDimensionsOnly) {
  Callbacks callbacks;
  callbacks.answerZero = true;
  const Outcome outcome = LoadInChunks(TestScreen(), 4096, callbacks);
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(callbacks.sizeCalls, 1);
  EXPECT_EQ(callbacks.askedWidth, 256);
  EXPECT_EQ(callbacks.preparedCalls, 0);
}

// ---------------------------------------------------------------------------
// What the module declares, and that it matches the installed MIME types and
// thumbnailer entry.

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> Matches(const std::string& text, const char* pattern) {
  std::set<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
    found.insert((*it)[1].str());
  }
  return found;
}

TEST(PixbufLoaderModule, DeclaresTheZxTypesOfTheMimeFileAndNothingElse) {
  GdkPixbufFormat info{};
  fill_info(&info);
  EXPECT_STREQ(info.name, "korvel");
  EXPECT_EQ(info.signature[0].prefix, nullptr) << "no signature: names decide";
  EXPECT_NE(info.flags & GDK_PIXBUF_FORMAT_THREADSAFE, 0u);
  EXPECT_EQ(info.flags & GDK_PIXBUF_FORMAT_WRITABLE, 0u);

  std::set<std::string> types, extensions;
  for (gchar** t = info.mime_types; *t != nullptr; ++t) types.insert(*t);
  for (gchar** e = info.extensions; *e != nullptr; ++e) extensions.insert(*e);
  EXPECT_EQ(extensions.count("rgb"), 0u) << ".rgb belongs to SGI's image/x-rgb";
  for (const char* e : {"scr", "$s", "!s", "$8", "!f", "$c", "xpc", "xpv", "gsc", "iscr", "mc", "mcx"}) {
    EXPECT_EQ(extensions.count(e), 1u) << e;
  }

  const std::string xml = ReadText(KORVEL_DESKTOP_DIR "/korvel-zx.xml");
  EXPECT_EQ(Matches(xml, "<mime-type type=\"([^\"]+)\""), types);
  EXPECT_EQ(Matches(xml, "<glob pattern=\"\\*\\.([^\"]+)\""), extensions);
  EXPECT_EQ(xml.find("<magic"), std::string::npos);

  const std::string entry = ReadText(KORVEL_DESKTOP_DIR "/korvel.thumbnailer");
  EXPECT_EQ(Matches(entry, "(image/[^;\\s]+)"), types);

  GdkPixbufModule module{};
  fill_vtable(&module);
  EXPECT_NE(module.load, nullptr);
  EXPECT_NE(module.begin_load, nullptr);
  EXPECT_NE(module.stop_load, nullptr);
  EXPECT_NE(module.load_increment, nullptr);
  EXPECT_EQ(module.save, nullptr);
}

// ---------------------------------------------------------------------------
// Through gdk-pixbuf itself, with the module installed into a prefix that
// the stack tests prepare (loaders cache, MIME database).

class InstalledLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* prefix = std::getenv("KORVEL_DESKTOP_PREFIX");
    if (prefix == nullptr) GTEST_SKIP() << "KORVEL_DESKTOP_PREFIX not set: no prepared prefix";
    const std::string p = prefix;
    g_setenv("GDK_PIXBUF_MODULE_FILE", (p + "/loaders.cache").c_str(), TRUE);
    g_setenv("XDG_DATA_DIRS", (p + "/share:/usr/local/share:/usr/share").c_str(), TRUE);
    g_setenv("GIO_USE_VFS", "local", TRUE);
    gchar* folder = g_dir_make_tmp("korvel-desktop-XXXXXX", nullptr);
    ASSERT_NE(folder, nullptr);
    folder_ = folder;
    g_free(folder);
  }
  void TearDown() override {
    for (const std::string& file : written_) std::remove(file.c_str());
    if (!folder_.empty()) std::remove(folder_.c_str());
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    written_.push_back(path);
    return path;
  }

  std::string folder_;
  std::vector<std::string> written_;
};

TEST_F(InstalledLoader, OpensZxFilesByTheirNames) {
  int width = 0, height = 0;
  const Bytes screen = TestScreen();
  const std::string expected = PluginPixels(screen, "picture.scr", &width, &height);
  for (const char* name : {"landscape.scr", "landscape.SCR", "landscape.$s", "landscape.gsc"}) {
    SCOPED_TRACE(name);
    const Bytes file = std::string(name).find('$') != std::string::npos ? WrapHobeta(screen) : screen;
    const std::string path = Write(name, file);
    gint w = 0, h = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), &w, &h);
    ASSERT_NE(format, nullptr);
    EXPECT_STREQ(gdk_pixbuf_format_get_name(format), "korvel");
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 192);
    GError* error = nullptr;
    PixbufPtr pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &error));
    ASSERT_NE(pixbuf, nullptr) << error->message;
    EXPECT_EQ(PixbufPixels(pixbuf.get()), expected);
  }
}

TEST_F(InstalledLoader, LeavesOtherNamesToOtherReaders) {
  // The same screen bytes under names the module does not claim.
  for (const char* name : {"screen.bin", "screen", "picture.rgb"}) {
    SCOPED_TRACE(name);
    const std::string path = Write(name, std::string(name).ends_with(".rgb") ? Bytes(18432, 0) : TestScreen());
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), nullptr, nullptr);
    if (format != nullptr) {
      EXPECT_STRNE(gdk_pixbuf_format_get_name(format), "korvel");
    }
  }
}

TEST_F(InstalledLoader, LoaderByMimeTypeReportsHostileDataAsAnError) {
  GError* error = nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_mime_type("image/x-zx-hobeta", &error);
  ASSERT_NE(loader, nullptr) << error->message;
  const Bytes huge(70000, 0x55);
  bool written = true;
  for (size_t at = 0; at < huge.size() && written; at += 4096) {
    written = gdk_pixbuf_loader_write(loader, huge.data() + at, std::min<size_t>(4096, huge.size() - at), &error);
  }
  EXPECT_FALSE(written);
  ASSERT_NE(error, nullptr);
  EXPECT_NE(std::string(error->message).find("larger than 65552"), std::string::npos) << error->message;
  g_clear_error(&error);
  gdk_pixbuf_loader_close(loader, nullptr);
  EXPECT_EQ(gdk_pixbuf_loader_get_pixbuf(loader), nullptr);
  g_object_unref(loader);

  loader = gdk_pixbuf_loader_new_with_mime_type("image/x-zx-hobeta", &error);
  ASSERT_NE(loader, nullptr);
  const Bytes sheet = ZeroSizedSheet();
  EXPECT_TRUE(gdk_pixbuf_loader_write(loader, sheet.data(), sheet.size(), &error));
  EXPECT_FALSE(gdk_pixbuf_loader_close(loader, &error));
  ASSERT_NE(error, nullptr);
  EXPECT_NE(std::string(error->message).find("no pixels"), std::string::npos) << error->message;
  g_clear_error(&error);
  g_object_unref(loader);
}

}  // namespace
}  // namespace korvel::desktop
