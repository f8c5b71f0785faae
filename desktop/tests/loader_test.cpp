// The gdk-pixbuf loader module: its operations called as gdk-pixbuf calls
// them, and, with a prepared prefix, through GdkPixbufLoader itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/gdk-pixbuf/families.h"
#include "desktop/gdk-pixbuf/korvel_loader.h"
#include "plugin/host_order.h"
#include "tests/support/container_writer.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/hobeta_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/recording_writer.h"

namespace korvel::desktop {
namespace {

using testing::Bytes;
using testing::HobetaFields;
using testing::WrapHobeta;
using testing::WriteScaScreens;

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

constexpr const char* kMainName = "picture";

// What a gfp host with every plug-in makes of the same bytes under the given name.
std::string PluginPixels(const Bytes& file, const char* name, int* width, int* height) {
  Picture* picture = LoadPictureInHostOrder(file.data(), file.size(), name);
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
  bool preparedAnimation = false;  // handed an animation beside the pixbuf

  static void Size(gint* width, gint* height, gpointer data) {
    Callbacks& self = *static_cast<Callbacks*>(data);
    ++self.sizeCalls;
    self.askedWidth = *width;
    self.askedHeight = *height;
    if (self.answerZero) *width = *height = 0;
  }
  static void Prepared(GdkPixbuf* pixbuf, GdkPixbufAnimation* animation, gpointer data) {
    Callbacks& self = *static_cast<Callbacks*>(data);
    ++self.preparedCalls;
    self.preparedAnimation = animation != nullptr;
    self.prepared = static_cast<GdkPixbuf*>(g_object_ref(pixbuf));
  }
  static void Updated(GdkPixbuf*, int, int, int width, int height, gpointer data) {
    Callbacks& self = *static_cast<Callbacks*>(data);
    ++self.updatedCalls;
    self.updatedArea += width * height;
  }
};

Outcome LoadInChunks(const Bytes& file, size_t chunk, Callbacks& callbacks, const char* assumedName = kMainName) {
  Outcome outcome;
  GError* error = nullptr;
  gpointer context = BeginLoad(assumedName, Callbacks::Size, Callbacks::Prepared, Callbacks::Updated, &callbacks, &error);
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

Outcome LoadWholeFile(const Bytes& file, const char* assumedName = kMainName) {
  Outcome outcome;
  FILE* stream = tmpfile();
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return outcome;
  if (!file.empty()) fwrite(file.data(), 1, file.size(), stream);
  rewind(stream);
  GError* error = nullptr;
  outcome.pixbuf.reset(LoadWhole(stream, assumedName, &error));
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

Bytes WithWrongChecksum(Bytes hobetaFile) {
  hobetaFile[15] ^= 1;
  return hobetaFile;
}

// The widest picture a text picture makes, and larger than the older
// plug-ins' files: 4096 x 16 pixels, 68 kilobytes.
Bytes WideTextPicture() {
  testing::TextPicture text;
  for (int y = 0; y < 16; ++y) {
    text.bitmapRows.emplace_back(512, static_cast<uint8_t>(0x81 << (y % 2)));
  }
  for (int row = 0; row < 2; ++row) {
    Bytes attributes(512);
    for (size_t i = 0; i < attributes.size(); ++i) attributes[i] = static_cast<uint8_t>(i * 13 + row);
    text.attributeRows.push_back(attributes);
  }
  const std::string written = testing::WriteTextPicture(text);
  return Bytes(written.begin(), written.end());
}

// Eighteen kilobytes of three-colour data with one red pixel: pixel row 8
// in the display-file layout of .xpc, row 1 in the plain row order of .xpv.
Bytes ThreeColourWithOneRedPixel() {
  Bytes file(18432, 0);
  file[32] = 0x80;
  return file;
}

TEST(PixbufLoader, IncrementalAndWholeLoadsGiveThePluginsPicture) {
  struct Case {
    const char* family;
    const char* fileName;  // what a gfp host is told
    Bytes file;
    int width = 256;
    int height = 192;
  };
  const Case cases[] = {
      {"", "landscape.scr", TestScreen()},
      {"hobeta", "landscape.$s", WrapHobeta(TestScreen())},
      {"hobeta", "landscape.$c", WithWrongChecksum(WrapHobeta(TestScreen()))},
      {"xpc", "rows.xpc", ThreeColourWithOneRedPixel()},
      {"xpv", "rows.xpv", ThreeColourWithOneRedPixel()},
      {"", "wide.zxp", WideTextPicture(), 4096, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    const char* assumedName = FamilyOf(c.family).assumedFileName;
    int width = 0, height = 0;
    const std::string expected = PluginPixels(c.file, c.fileName, &width, &height);
    ASSERT_EQ(width, c.width);
    ASSERT_EQ(height, c.height);

    const Outcome whole = LoadWholeFile(c.file, assumedName);
    ASSERT_NE(whole.pixbuf, nullptr) << whole.error;
    EXPECT_FALSE(gdk_pixbuf_get_has_alpha(whole.pixbuf.get()));
    EXPECT_EQ(PixbufPixels(whole.pixbuf.get()), expected);

    // Small chunks make the buffer grow several times.
    for (size_t chunk : {size_t{1}, size_t{7}, size_t{1024}, c.file.size()}) {
      SCOPED_TRACE(chunk);
      Callbacks callbacks;
      const Outcome incremental = LoadInChunks(c.file, chunk, callbacks, assumedName);
      ASSERT_NE(incremental.pixbuf, nullptr) << incremental.error;
      EXPECT_EQ(callbacks.sizeCalls, 1);
      EXPECT_EQ(callbacks.askedWidth, c.width);
      EXPECT_EQ(callbacks.askedHeight, c.height);
      EXPECT_EQ(callbacks.preparedCalls, 1);
      EXPECT_EQ(callbacks.updatedArea, c.width * c.height);
      EXPECT_EQ(PixbufPixels(incremental.pixbuf.get()), expected);
    }
  }
}

TEST(PixbufLoader, EachFamilyReadsRawThreeColourDataInItsOwnLayout) {
  const Bytes file = ThreeColourWithOneRedPixel();
  const struct {
    const char* family;
    int redRow;  // -1: no picture
  } cases[] = {{"xpc", 8}, {"xpv", 1}, {"", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.family);
    const Outcome whole = LoadWholeFile(file, FamilyOf(c.family).assumedFileName);
    if (c.redRow < 0) {
      EXPECT_EQ(whole.pixbuf, nullptr);
      continue;
    }
    ASSERT_NE(whole.pixbuf, nullptr) << whole.error;
    const guchar* pixels = gdk_pixbuf_read_pixels(whole.pixbuf.get());
    const int stride = gdk_pixbuf_get_rowstride(whole.pixbuf.get());
    EXPECT_EQ(pixels[c.redRow * stride], 255);
    EXPECT_EQ(pixels[(9 - c.redRow) * stride], 0);
  }
}

TEST(PixbufLoader, RefusesFilesOutsideThePictureSizes) {
  ExpectRefused({}, "empty");
  ExpectRefused(Bytes(kLargestFileBytes + 1, 0), "larger than 16777216 bytes");
  // The largest file passes the size test and fails recognition instead.
  ExpectRefused(Bytes(kLargestFileBytes, 0), "korvel can read");
}

TEST(PixbufLoader, OversizedIncrementalLoadFailsAsSoonAsItPassesTheLimit) {
  Callbacks callbacks;
  GError* error = nullptr;
  gpointer context =
      BeginLoad(kMainName, Callbacks::Size, Callbacks::Prepared, Callbacks::Updated, &callbacks, &error);
  const Bytes block(kLargestFileBytes, 0);
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
  // Only a Hobeta name forgives a wrong checksum.
  ExpectRefused(WithWrongChecksum(WrapHobeta(TestScreen())), "korvel can read");
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
// The family table against the installed MIME types and thumbnailer entry.

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Matches(const std::string& text, const char* pattern) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1].str());
  }
  return found;
}

std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot + 1);
}

TEST(PixbufFamilies, MatchTheMimeTypesAndTheThumbnailerEntry) {
  const std::string xml = ReadText(KORVEL_DESKTOP_DIR "/korvel-zx.xml");
  std::map<std::string, std::string> xmlTypes;  // type: its comment and globs
  std::set<std::string> typesWithMagic;
  for (const std::string& type : Matches(xml, "<mime-type type=\"([^\"]+)\">")) {
    const std::regex element("<mime-type type=\"" + type + "\">([\\s\\S]*?)</mime-type>");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(xml, match, element)) << type;
    const std::string inner = match[1].str();
    if (inner.find("<magic") != std::string::npos) typesWithMagic.insert(type);
    std::string described = Matches(inner, "<comment>([^<]*)</comment>").at(0);
    for (const std::string& glob : Matches(inner, "<glob pattern=\"\\*\\.([^\"]+)\"")) described += " ." + glob;
    EXPECT_TRUE(xmlTypes.emplace(type, described).second) << type << " twice";
  }

  std::map<std::string, std::string> tableTypes;
  std::map<std::string, int> typesPerFamily;
  for (const PixbufMimeType& row : kPixbufMimeTypes) {
    std::string described = row.comment;
    bool holdsAssumedExtension = false;
    for (const char* extension : row.extensions) {
      if (extension == nullptr) continue;
      described += std::string(" .") + extension;
      holdsAssumedExtension |= ExtensionOf(row.assumedFileName) == extension;
      EXPECT_STRNE(extension, "rgb");
      EXPECT_STRNE(extension, "3");
    }
    tableTypes.emplace(row.mimeType, described);
    ++typesPerFamily[row.family];
    // A family's files are read as named like one of them; the main
    // module's as named with no extension, which selects nothing.
    if (*row.family == '\0') {
      EXPECT_STREQ(row.assumedFileName, "picture");
    } else {
      EXPECT_TRUE(holdsAssumedExtension) << row.family;
    }
    EXPECT_STREQ(row.assumedFileName, FamilyOf(row.family).assumedFileName) << row.family;
  }
  EXPECT_EQ(xmlTypes, tableTypes);
  // Names decide, except for signatures no other format begins with.
  EXPECT_EQ(typesWithMagic,
            (std::set<std::string>{"application/x-zx-plus3dos", "application/x-zx-scl", "application/x-zx-tzx",
                                   "image/x-zx-text-picture", "application/x-zx-rzx", "application/x-zx-szx",
                                   "application/x-zx-dsk", "application/x-zx-pzx", "application/x-zx-udi",
                                   "application/x-zx-csw"}));
  for (const auto& [family, count] : typesPerFamily) {
    if (!family.empty()) {
      EXPECT_EQ(count, 1) << "family " << family << " needs exactly one type of its own";
    }
  }

  const std::string entry = ReadText(KORVEL_DESKTOP_DIR "/korvel.thumbnailer");
  std::set<std::string> entryTypes, types;
  for (const std::string& type : Matches(entry, "((?:image|application)/[^;\\s]+)")) entryTypes.insert(type);
  for (const auto& [type, described] : tableTypes) types.insert(type);
  EXPECT_EQ(entryTypes, types);
}

// A standard screen of one bitmap byte and one attribute throughout.
Bytes Screen(uint8_t bitmap, uint8_t attribute) {
  Bytes screen(6912, attribute);
  std::fill(screen.begin(), screen.begin() + 6144, bitmap);
  return screen;
}


// The frame an animation shows `ms` milliseconds after it started.
std::string ShownAt(GdkPixbufAnimation* animation, long ms) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GTimeVal start = {1000, 0};
  GdkPixbufAnimationIter* iter = gdk_pixbuf_animation_get_iter(animation, &start);
  GTimeVal now = {1000 + ms / 1000, (ms % 1000) * 1000};
  gdk_pixbuf_animation_iter_advance(iter, &now);
  G_GNUC_END_IGNORE_DEPRECATIONS
  std::string pixels = PixbufPixels(gdk_pixbuf_animation_iter_get_pixbuf(iter));
  g_object_unref(iter);
  return pixels;
}

std::string ScreenPixels(const Bytes& screen) {
  int width = 0, height = 0;
  return PluginPixels(screen, "screen.scr", &width, &height);
}

// What GNOME's viewers play: a picture that moves is an animation that loops,
// whose first frame (the pixbuf, and so the thumbnail) is today's picture; a
// still one stays a static image.
TEST(PixbufLoader, PicturesThatMoveAreAnimationsThatLoop) {
  const Bytes still = Screen(0x0F, 0x39);
  const Bytes flashing = Screen(0x0F, 0xB9);
  // Ink and paper swapped show as the inverse bitmap in the same colours.
  const Bytes swapped = Screen(0xF0, 0x39);
  const std::vector<Bytes> sca = {Screen(0, 0x08), Screen(0, 0x10), Screen(0, 0x20)};
  const struct {
    const char* name;
    Bytes file;
    bool moves;
    std::vector<std::pair<long, Bytes>> shown;  // at a time in ms, the frame shown; the first at 0
  } cases[] = {
      {"still.scr", still, false, {{0, still}, {5000, still}}},
      {"flashing.scr", flashing, true,
       {{0, flashing}, {319, flashing}, {320, swapped}, {639, swapped}, {640, flashing}}},
      // Uneven delays, 0 counting as 1: 20, 20 and 100 ms.
      {"moving.sca", WriteScaScreens({1, 0, 5}, sca, 0, 7), true,
       {{0, sca[0]}, {20, sca[1]}, {40, sca[2]}, {139, sca[2]}, {140, sca[0]}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string first = ScreenPixels(c.shown.front().second);
    GError* error = nullptr;
    GdkPixbufAnimation* animation = DecodeAnimation(c.file.data(), c.file.size(), kMainName, &error);
    ASSERT_NE(animation, nullptr) << error->message;
    EXPECT_EQ(gdk_pixbuf_animation_is_static_image(animation), !c.moves);
    // Pixels are compared whole, and a difference is not printed.
    EXPECT_TRUE(PixbufPixels(gdk_pixbuf_animation_get_static_image(animation)) == first);
    for (const auto& [ms, frame] : c.shown) EXPECT_TRUE(ShownAt(animation, ms) == ScreenPixels(frame)) << ms << " ms";
    g_object_unref(animation);

    // The incremental load hands the animation over beside the first frame.
    Callbacks callbacks;
    const Outcome incremental = LoadInChunks(c.file, 4096, callbacks);
    ASSERT_NE(incremental.pixbuf, nullptr) << incremental.error;
    EXPECT_EQ(callbacks.preparedAnimation, c.moves);
    EXPECT_TRUE(PixbufPixels(incremental.pixbuf.get()) == first);
  }
}

// ---------------------------------------------------------------------------
// Through gdk-pixbuf itself, with the modules installed into a prefix that
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

TEST_F(InstalledLoader, EveryFamilyIsAModuleOfItsOwnWithItsOwnTypes) {
  std::map<std::string, std::set<std::string>> expected;  // module name: its types
  for (const PixbufMimeType& row : kPixbufMimeTypes) {
    expected[*row.family == '\0' ? "korvel" : std::string("korvel-") + row.family].insert(row.mimeType);
  }
  std::map<std::string, std::set<std::string>> installed;
  GSList* formats = gdk_pixbuf_get_formats();
  for (GSList* f = formats; f != nullptr; f = f->next) {
    GdkPixbufFormat* format = static_cast<GdkPixbufFormat*>(f->data);
    gchar* name = gdk_pixbuf_format_get_name(format);
    gchar** types = gdk_pixbuf_format_get_mime_types(format);
    for (gchar** t = types; *t != nullptr; ++t) {
      if (std::string(name).starts_with("korvel") || std::string(*t).find("/x-zx-") != std::string::npos) {
        EXPECT_TRUE(installed[name].insert(*t).second) << name << " lists " << *t << " twice";
      }
    }
    g_strfreev(types);
    g_free(name);
  }
  g_slist_free(formats);
  EXPECT_EQ(installed, expected);
}

TEST_F(InstalledLoader, OpensZxFilesByTheirNames) {
  const Bytes screen = TestScreen();
  const struct {
    const char* name;
    Bytes file;
    const char* module;
  } cases[] = {
      {"landscape.scr", screen, "korvel"},
      {"landscape.SCR", screen, "korvel"},
      {"landscape.gsc", screen, "korvel"},
      {"landscape.$s", WrapHobeta(screen), "korvel-hobeta"},
      {"rows.xpc", ThreeColourWithOneRedPixel(), "korvel-xpc"},
      {"rows.xpv", ThreeColourWithOneRedPixel(), "korvel-xpv"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int width = 0, height = 0;
    const std::string expected = PluginPixels(c.file, c.name, &width, &height);
    const std::string path = Write(c.name, c.file);
    gint w = 0, h = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), &w, &h);
    ASSERT_NE(format, nullptr);
    gchar* module = gdk_pixbuf_format_get_name(format);
    EXPECT_STREQ(module, c.module);
    g_free(module);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    GError* error = nullptr;
    PixbufPtr pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &error));
    ASSERT_NE(pixbuf, nullptr) << error->message;
    EXPECT_EQ(PixbufPixels(pixbuf.get()), expected);
  }
}

TEST_F(InstalledLoader, ShowsTheFirstPictureOfTapesSnapshotsAndDiskImages) {
  using namespace testing;
  const Bytes first = TestScreen();
  Bytes second = first;
  for (uint8_t& byte : second) byte = static_cast<uint8_t>(~byte);
  Bytes memory48k(49152, 0);
  std::copy(first.begin(), first.end(), memory48k.begin());
  Bytes sna48k(27, 0);
  sna48k.insert(sna48k.end(), memory48k.begin(), memory48k.end());
  const Bytes tzx = TzxFile({TzxStandardBlock(TapeHeader(3, "screen", 6912, 16384)),
                             TzxStandardBlock(TapeBlock(0xFF, first)), TzxTurboBlock(TapeBlock(0xFF, second))});
  const Bytes scl = SclImage({{"boot", 'B', Bytes(100, 0x0D)}, {"screen", 'C', first}, {"second", 'C', second}});
  const Bytes plus3dos = WritePlus3dosScreen(first);
  Bytes page = first;
  page.resize(16384);
  const Bytes szx = SzxFile(1, {SzxRamPage(5, page, true)});
  const Bytes dsk = DskImage(Plus3Sectors({{"SCREEN", "SCR", plus3dos}}), true);
  const Bytes trd = TrdImage({{"boot", 'B', Bytes(100, 0x0D)}, {"screen", 'C', first}});
  const Bytes csw = CswFile(SamplePulses(TapePulses({TapeHeader(3, "screen", 6912, 16384), TapeBlock(0xFF, first)}),
                                         {22050}),
                            {.rate = 22050});
  TextPicture small;
  small.bitmapRows = {Bytes(1, 0x81), Bytes(1, 0x18)};
  small.attributeRows = {Bytes(1, 0x47)};
  small.extended = true;
  const std::string text = WriteTextPicture(small);
  const struct {
    const char* name;
    Bytes file;
    const char* module;
    Bytes shown;  // the bytes of the picture shown, as a raw file
    const char* shownAs;
  } cases[] = {
      {"game.tap",
       TapFile({TapeHeader(0, "loader", 4, 10), TapeBlock(0, {0, 10, 0, 0}), TapeHeader(3, "screen", 6912, 16384),
                TapeBlock(0xFF, first), TapeBlock(0xFF, second)}),
       "korvel-tap", first, "screen.scr"},
      {"game.tzx", tzx, "korvel-tzx", first, "screen.scr"},
      {"game.sna", sna48k, "korvel-sna", first, "screen.scr"},
      {"game.z80", Z80Version1(memory48k, true), "korvel-z80", first, "screen.scr"},
      {"disk.trd",
       TrdImage({{"boot", 'B', Bytes(100, 0x0D)}, {"screen", 'C', PackLcmp5Screen(first)}, {"second", 'C', second}}),
       "korvel-trd", first, "screen.scr"},
      {"disk.scl", scl, "korvel-scl", first, "screen.scr"},
      {"save.szx", szx, "korvel-szx", first, "screen.scr"},
      {"replay.rzx", RzxFile({RzxSnapshotBlock("z80", Z80Version1(memory48k, true), true)}), "korvel-rzx", first,
       "screen.scr"},
      {"disk.dsk", dsk, "korvel-dsk", first, "screen.scr"},
      {"game.pzx", PzxFile({PzxDataBlock(TapeBlock(0xFF, first))}), "korvel-pzx", first, "screen.scr"},
      {"disk.fdi", FdiImage(TrdosTracks(trd, 2), 2), "korvel-fdi", first, "screen.scr"},
      {"disk.udi", UdiImage(TrdosTracks(trd, 2), 2), "korvel-udi", first, "screen.scr"},
      {"disk.td0", Td0Image(TrdosTracks(trd, 2), 2), "korvel-td0", first, "screen.scr"},
      {"cart.mdr", MdrCartridge(MdrFileRecords("title", 3, first)), "korvel-mdr", first, "screen.scr"},
      {"game.csw", csw, "korvel-csw", first, "screen.scr"},
      // Found by their signatures under names that say nothing.
      {"game.bin", tzx, "korvel-tzx", first, "screen.scr"},
      {"SNAPSHOT", szx, "korvel-szx", first, "screen.scr"},
      {"DISK", dsk, "korvel-dsk", first, "screen.scr"},
      {"DISK", scl, "korvel-scl", first, "screen.scr"},
      {"TAPE.rec", csw, "korvel-csw", first, "screen.scr"},
      {"TOWN", plus3dos, "korvel", first, "screen.scr"},
      {"cottage.txt", Bytes(text.begin(), text.end()), "korvel", Bytes(text.begin(), text.end()), "picture.zxp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int width = 0, height = 0;
    const std::string expected = PluginPixels(c.shown, c.shownAs, &width, &height);
    ASSERT_FALSE(expected.empty());
    const std::string path = Write(c.name, c.file);
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), nullptr, nullptr);
    ASSERT_NE(format, nullptr);
    gchar* module = gdk_pixbuf_format_get_name(format);
    EXPECT_STREQ(module, c.module);
    g_free(module);
    GError* error = nullptr;
    PixbufPtr pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &error));
    ASSERT_NE(pixbuf, nullptr) << error->message;
    EXPECT_EQ(gdk_pixbuf_get_width(pixbuf.get()), width);
    EXPECT_EQ(PixbufPixels(pixbuf.get()), expected);
  }
}

// As a viewer opens a file (the module's whole-file animation load) and as
// a thumbnailer does (the first frame only).
TEST_F(InstalledLoader, OpensAFlashingScreenAsAnAnimation) {
  const struct {
    const char* name;
    Bytes file;
    bool moves;
  } cases[] = {{"still.scr", Screen(0x0F, 0x39), false}, {"flashing.scr", Screen(0x0F, 0xB9), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, c.file);
    GError* error = nullptr;
    GdkPixbufAnimation* animation = gdk_pixbuf_animation_new_from_file(path.c_str(), &error);
    ASSERT_NE(animation, nullptr) << error->message;
    EXPECT_EQ(gdk_pixbuf_animation_is_static_image(animation), !c.moves);
    g_object_unref(animation);
    PixbufPtr pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &error));
    ASSERT_NE(pixbuf, nullptr) << error->message;
    EXPECT_TRUE(PixbufPixels(pixbuf.get()) == ScreenPixels(c.file));
  }
}

TEST_F(InstalledLoader, LeavesOtherNamesToOtherReaders) {
  // Screen bytes under names the modules do not claim.
  for (const char* name : {"screen.bin", "screen", "picture.rgb", "manual.3"}) {
    SCOPED_TRACE(name);
    const bool threeColour = ExtensionOf(name) == "rgb" || ExtensionOf(name) == "3";
    const std::string path = Write(name, threeColour ? Bytes(18432, 0) : TestScreen());
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), nullptr, nullptr);
    if (format != nullptr) {
      gchar* module = gdk_pixbuf_format_get_name(format);
      EXPECT_FALSE(std::string(module).starts_with("korvel")) << module;
      g_free(module);
    }
  }
}

TEST_F(InstalledLoader, LoaderByMimeTypeReportsHostileDataAsAnError) {
  GError* error = nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_mime_type("image/x-zx-hobeta", &error);
  ASSERT_NE(loader, nullptr) << error->message;
  const Bytes chunk(1 << 20, 0x55);
  bool written = true;
  for (size_t at = 0; at <= kLargestFileBytes && written; at += chunk.size()) {
    written = gdk_pixbuf_loader_write(loader, chunk.data(), chunk.size(), &error);
  }
  EXPECT_FALSE(written);
  ASSERT_NE(error, nullptr);
  EXPECT_NE(std::string(error->message).find("larger than 16777216"), std::string::npos) << error->message;
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
