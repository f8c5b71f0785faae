// The gdk-pixbuf loader module: ZX Spectrum pictures for every GTK viewer and
// for gdk-pixbuf-thumbnailer, on the same in-memory load path as the plug-ins.
//
// gdk-pixbuf hands a module bytes, never a file name, so the loader collects
// the whole file (at most the plug-ins' read buffer) and decodes it at the
// end, as korvel_hobeta and then as korvel_screens would.

#include "desktop/gdk-pixbuf/korvel_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/picture.h"

namespace korvel::desktop {

namespace {

// Without a file name, raw 18432-byte data can only be read one way: as the
// .rgb/.xpc three-colour layout, which this name selects.
constexpr const char kAssumedFileName[] = "picture.rgb";

// One incremental load: the bytes so far, at most a whole picture file.
struct LoadContext {
  GdkPixbufModuleSizeFunc sizeFunc;
  GdkPixbufModulePreparedFunc preparedFunc;
  GdkPixbufModuleUpdatedFunc updatedFunc;
  gpointer userData;
  size_t size;
  bool tooLarge;  // once set, every later call fails
  uint8_t bytes[kReadBufferBytes];
};

void SetTooLarge(GError** error) {
  g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
              "Not a ZX Spectrum picture: the file is larger than %u bytes", unsigned{kReadBufferBytes});
}

GdkPixbuf* PixbufFromPicture(const Picture& picture, GError** error) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, picture.width, picture.height);
  if (pixbuf == nullptr) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                "Not enough memory for a %u x %u picture", unsigned{picture.width}, unsigned{picture.height});
    return nullptr;
  }
  // The pixbuf's rows may be padded; the picture's are not.
  const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
  guchar* target = gdk_pixbuf_get_pixels(pixbuf);
  const uint8_t* source = picture.pixels;
  for (unsigned y = 0; y < picture.height; ++y) {
    memcpy(target, source, RowBytes(picture));
    target += rowstride;
    source += RowBytes(picture);
  }
  return pixbuf;
}

}  // namespace

GdkPixbuf* DecodePixbuf(const uint8_t* bytes, size_t size, GError** error) {
  if (size > kReadBufferBytes) {
    SetTooLarge(error);
    return nullptr;
  }
  if (size < kMinFileBytes) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "Not a ZX Spectrum picture: the file is %u bytes long, fewer than %u", unsigned(size),
                unsigned{kMinFileBytes});
    return nullptr;
  }
  Picture* picture = LoadPictureBytes(bytes, size, kAssumedFileName, kKorvelHobeta);
  if (picture == nullptr) picture = LoadPictureBytes(bytes, size, kAssumedFileName, kKorvelScreens);
  if (picture == nullptr) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "Not a ZX Spectrum picture korvel can read: neither a raw screen of a known size nor "
                "a valid Hobeta file of a known kind");
    return nullptr;
  }
  GdkPixbuf* pixbuf = nullptr;
  if (picture->width == 0 || picture->height == 0) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "The ZX Spectrum picture has no pixels (%u x %u)", unsigned{picture->width},
                unsigned{picture->height});
  } else {
    pixbuf = PixbufFromPicture(*picture, error);
  }
  ReleasePicture(picture);
  return pixbuf;
}

GdkPixbuf* LoadWhole(FILE* file, GError** error) {
  // One byte more than the largest picture file, to see whether it is larger.
  guchar* bytes = static_cast<guchar*>(g_malloc(kReadBufferBytes + 1));
  size_t size = 0;
  while (size <= kReadBufferBytes) {
    const size_t got = fread(bytes + size, 1, kReadBufferBytes + 1 - size, file);
    if (got == 0) break;
    size += got;
  }
  GdkPixbuf* pixbuf = nullptr;
  if (ferror(file)) {
    const int code = errno;
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(code), "Could not read the file: %s",
                g_strerror(code));
  } else {
    pixbuf = DecodePixbuf(bytes, size, error);
  }
  g_free(bytes);
  return pixbuf;
}

gpointer BeginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(g_try_malloc(sizeof(LoadContext)));
  if (context == nullptr) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                "Not enough memory to load a ZX Spectrum picture");
    return nullptr;
  }
  context->sizeFunc = sizeFunc;
  context->preparedFunc = preparedFunc;
  context->updatedFunc = updatedFunc;
  context->userData = userData;
  context->size = 0;
  context->tooLarge = false;
  return context;
}

gboolean LoadIncrement(gpointer data, const guchar* bytes, guint size, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(data);
  if (context->tooLarge) {
    SetTooLarge(error);
    return FALSE;
  }
  // Refused as soon as it passes the limit: no use reading the rest.
  if (size > kReadBufferBytes - context->size) {
    context->tooLarge = true;
    SetTooLarge(error);
    return FALSE;
  }
  if (size > 0) memcpy(context->bytes + context->size, bytes, size);
  context->size += size;
  return TRUE;
}

gboolean StopLoad(gpointer data, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(data);
  gboolean done = FALSE;
  if (context->tooLarge) {
    SetTooLarge(error);
  } else if (GdkPixbuf* pixbuf = DecodePixbuf(context->bytes, context->size, error)) {
    int width = gdk_pixbuf_get_width(pixbuf);
    int height = gdk_pixbuf_get_height(pixbuf);
    // The caller may ask for another size; gdk-pixbuf scales afterwards. A
    // size of 0 means it wanted only the dimensions.
    if (context->sizeFunc != nullptr) context->sizeFunc(&width, &height, context->userData);
    if (width != 0 && height != 0) {
      const int fullWidth = gdk_pixbuf_get_width(pixbuf);
      const int fullHeight = gdk_pixbuf_get_height(pixbuf);
      if (context->preparedFunc != nullptr) context->preparedFunc(pixbuf, nullptr, context->userData);
      if (context->updatedFunc != nullptr) {
        context->updatedFunc(pixbuf, 0, 0, fullWidth, fullHeight, context->userData);
      }
    }
    g_object_unref(pixbuf);
    done = TRUE;
  }
  g_free(context);
  return done;
}

}  // namespace korvel::desktop

namespace {

using korvel::desktop::BeginLoad;
using korvel::desktop::LoadIncrement;
using korvel::desktop::LoadWhole;
using korvel::desktop::StopLoad;

// No signature: raw screens have none, and the Hobeta header has no fixed
// bytes. The file's type comes from its name, through the MIME database.
GdkPixbufModulePattern kSignature[] = {{nullptr, nullptr, 0}};

const gchar* const kMimeTypes[] = {
    "image/x-zx-screen",       "image/x-zx-hobeta",     "image/x-zx-three-colour",
    "image/x-zx-gigascreen",   "image/x-zx-multicolour", nullptr,
};

// ".rgb" is left out on purpose: it belongs to SGI's image/x-rgb.
const gchar* const kExtensions[] = {
    "scr", "$s", "!s", "$8", "!8", "$c", "!c", "$f", "!f", "$y", "!y", "$g", "!g", "$b", "!b",
    "xpc", "xpv", "gsc", "iscr", "mc", "mcx", nullptr,
};

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load = LoadWhole;
  module->begin_load = BeginLoad;
  module->stop_load = StopLoad;
  module->load_increment = LoadIncrement;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  info->name = const_cast<gchar*>("korvel");
  info->signature = kSignature;
  info->domain = nullptr;
  info->description = const_cast<gchar*>("ZX Spectrum picture");
  info->mime_types = const_cast<gchar**>(kMimeTypes);
  info->extensions = const_cast<gchar**>(kExtensions);
  // Every load keeps its state to itself.
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<gchar*>("");
}

}  // extern "C"
