// The gdk-pixbuf loader modules: ZX Spectrum pictures for every GTK viewer and
// for gdk-pixbuf-thumbnailer, on the same in-memory load path as the plug-ins.
//
// gdk-pixbuf hands a module bytes, never a file name, so the loader collects
// the whole file and decodes it at the end under the name its module assumes,
// trying the rule sets in the order a gfp host would for that name.

#include "desktop/gdk-pixbuf/korvel_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>

#include "plugin/host_order.h"
#include "plugin/picture.h"
#include "plugin/reading.h"

namespace korvel::desktop {

namespace {

// The bytes of a file so far, in a block that grows geometrically up to one
// byte past the largest file, so that a larger file shows itself as such.
struct GrowingBuffer {
  guchar* bytes = nullptr;
  size_t size = 0;
  size_t capacity = 0;
};

constexpr size_t kFirstCapacity = 4096;
constexpr size_t kLargestCapacity = kLargestFileBytes + 1;

// Room for `needed` bytes in all (at most kLargestCapacity); false when the
// memory cannot be had, the bytes so far being kept.
bool Reserve(GrowingBuffer& buffer, size_t needed) {
  if (needed <= buffer.capacity) return true;
  size_t capacity = std::max(buffer.capacity, kFirstCapacity);
  while (capacity < needed) capacity *= 2;
  capacity = std::min(capacity, kLargestCapacity);
  guchar* grown = static_cast<guchar*>(g_try_realloc(buffer.bytes, capacity));
  if (grown == nullptr) return false;
  buffer.bytes = grown;
  buffer.capacity = capacity;
  return true;
}

void SetTooLarge(GError** error) {
  g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
              "Not a ZX Spectrum picture: the file is larger than %zu bytes", kLargestFileBytes);
}

void SetOutOfMemory(GError** error) {
  g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
              "Not enough memory to load a ZX Spectrum picture");
}

void SetAlreadyFailed(GError** error) {
  g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_FAILED, "The ZX Spectrum picture load has already failed");
}

// The pixbuf takes the picture's pixels over and releases the picture with
// itself: the largest pictures are hundreds of megabytes, not to be copied.
void ReleasePictureWithPixbuf(guchar*, gpointer picture) { ReleasePicture(static_cast<Picture*>(picture)); }

// One incremental load.
struct LoadContext {
  const char* assumedFileName;
  GdkPixbufModuleSizeFunc sizeFunc;
  GdkPixbufModulePreparedFunc preparedFunc;
  GdkPixbufModuleUpdatedFunc updatedFunc;
  gpointer userData;
  GrowingBuffer buffer;
  bool failed;  // too large or out of memory: every later call fails
};

// The picture of `size` bytes, by `load` (the first frame or every frame);
// null with `error` set when there is none or it has no pixels.
using PictureLoader = Picture* (*)(const uint8_t*, size_t, const char*);

Picture* DecodePicture(const uint8_t* bytes, size_t size, const char* assumedFileName, PictureLoader load,
                       GError** error) {
  if (size > kLargestFileBytes) {
    SetTooLarge(error);
    return nullptr;
  }
  if (size == 0) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "Not a ZX Spectrum picture: the file is empty");
    return nullptr;
  }
  Picture* picture = load(bytes, size, assumedFileName);
  if (picture == nullptr) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "Not a ZX Spectrum picture korvel can read (%zu bytes)", size);
    return nullptr;
  }
  if (picture->width == 0 || picture->height == 0) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "The ZX Spectrum picture has no pixels (%u x %u)", unsigned{picture->width},
                unsigned{picture->height});
    ReleasePicture(picture);
    return nullptr;
  }
  return picture;
}

// A pixbuf that owns `frame`, which must be the last of its chain.
GdkPixbuf* PixbufOwning(Picture* frame) {
  return gdk_pixbuf_new_from_data(frame->pixels, GDK_COLORSPACE_RGB, FALSE, 8, frame->width, frame->height,
                                  static_cast<int>(RowBytes(*frame)), ReleasePictureWithPixbuf, frame);
}

// A frame's delay in 50ths of a second; every later frame has one.
unsigned DelayOf(const Picture& frame) { return frame.delay == 0 ? 1u : frame.delay; }

}  // namespace

GdkPixbuf* DecodePixbuf(const uint8_t* bytes, size_t size, const char* assumedFileName, GError** error) {
  Picture* picture = DecodePicture(bytes, size, assumedFileName, LoadPictureInHostOrder, error);
  return picture == nullptr ? nullptr : PixbufOwning(picture);
}

GdkPixbufAnimation* DecodeAnimation(const uint8_t* bytes, size_t size, const char* assumedFileName, GError** error) {
  Picture* first = DecodePicture(bytes, size, assumedFileName, LoadFirstPictureFrames, error);
  if (first == nullptr) return nullptr;
  if (first->nextFrame == nullptr) {
    GdkPixbuf* pixbuf = PixbufOwning(first);
    GdkPixbufAnimation* still = gdk_pixbuf_non_anim_new(pixbuf);
    g_object_unref(pixbuf);
    return still;
  }
  // A simple animation shows every frame for the same time: that time is
  // the delays' greatest common divisor, each frame added as many times as
  // its delay holds it (the same pixbuf, not a copy), so that an SCA file's
  // uneven delays keep their lengths exactly.
  unsigned step = 0;
  for (const Picture* frame = first; frame != nullptr; frame = frame->nextFrame) step = std::gcd(step, DelayOf(*frame));
  GdkPixbufSimpleAnim* animation = gdk_pixbuf_simple_anim_new(first->width, first->height, 50.0f / float(step));
  for (Picture* frame = first; frame != nullptr;) {
    Picture* next = frame->nextFrame;
    frame->nextFrame = nullptr;  // each pixbuf releases its own frame
    GdkPixbuf* pixbuf = PixbufOwning(frame);
    for (unsigned shown = 0; shown < DelayOf(*frame) / step; ++shown) gdk_pixbuf_simple_anim_add_frame(animation, pixbuf);
    g_object_unref(pixbuf);
    frame = next;
  }
  gdk_pixbuf_simple_anim_set_loop(animation, TRUE);
  return GDK_PIXBUF_ANIMATION(animation);
}

namespace {

// The whole of `file`, handed to `decode`.
template <typename Result>
Result* DecodeWhole(FILE* file, const char* assumedFileName,
                    Result* (*decode)(const uint8_t*, size_t, const char*, GError**), GError** error) {
  GrowingBuffer buffer;
  bool enoughMemory = true;
  while (buffer.size < kLargestCapacity) {
    enoughMemory = Reserve(buffer, buffer.size + 1);
    if (!enoughMemory) break;
    const size_t got = fread(buffer.bytes + buffer.size, 1, buffer.capacity - buffer.size, file);
    if (got == 0) break;
    buffer.size += got;
  }
  Result* result = nullptr;
  if (!enoughMemory) {
    SetOutOfMemory(error);
  } else if (ferror(file)) {
    const int code = errno;
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(code), "Could not read the file: %s",
                g_strerror(code));
  } else {
    result = decode(buffer.bytes, buffer.size, assumedFileName, error);
  }
  g_free(buffer.bytes);
  return result;
}

}  // namespace

GdkPixbuf* LoadWhole(FILE* file, const char* assumedFileName, GError** error) {
  return DecodeWhole(file, assumedFileName, DecodePixbuf, error);
}

GdkPixbufAnimation* LoadWholeAnimation(FILE* file, const char* assumedFileName, GError** error) {
  return DecodeWhole(file, assumedFileName, DecodeAnimation, error);
}

gpointer BeginLoad(const char* assumedFileName, GdkPixbufModuleSizeFunc sizeFunc,
                   GdkPixbufModulePreparedFunc preparedFunc, GdkPixbufModuleUpdatedFunc updatedFunc,
                   gpointer userData, GError** error) {
  LoadContext* context = g_try_new(LoadContext, 1);
  if (context == nullptr) {
    SetOutOfMemory(error);
    return nullptr;
  }
  *context = {assumedFileName, sizeFunc, preparedFunc, updatedFunc, userData, {}, false};
  return context;
}

gboolean LoadIncrement(gpointer data, const guchar* bytes, guint size, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(data);
  GrowingBuffer& buffer = context->buffer;
  if (context->failed) {
    SetAlreadyFailed(error);
    return FALSE;
  }
  // Refused as soon as it passes the limit: no use reading the rest.
  if (size > kLargestFileBytes - buffer.size) {
    context->failed = true;
    SetTooLarge(error);
    return FALSE;
  }
  if (!Reserve(buffer, buffer.size + size)) {
    context->failed = true;
    SetOutOfMemory(error);
    return FALSE;
  }
  if (size > 0) memcpy(buffer.bytes + buffer.size, bytes, size);
  buffer.size += size;
  return TRUE;
}

gboolean StopLoad(gpointer data, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(data);
  gboolean done = FALSE;
  if (context->failed) {
    SetAlreadyFailed(error);
  } else if (GdkPixbufAnimation* animation =
                 DecodeAnimation(context->buffer.bytes, context->buffer.size, context->assumedFileName, error)) {
    // The first frame, which stays the pixbuf of the load (a thumbnail).
    GdkPixbuf* pixbuf = gdk_pixbuf_animation_get_static_image(animation);
    const int fullWidth = gdk_pixbuf_get_width(pixbuf);
    const int fullHeight = gdk_pixbuf_get_height(pixbuf);
    int width = fullWidth;
    int height = fullHeight;
    // The caller may ask for another size; gdk-pixbuf scales afterwards. A
    // size of 0 means it wanted only the dimensions.
    if (context->sizeFunc != nullptr) context->sizeFunc(&width, &height, context->userData);
    if (width != 0 && height != 0) {
      // A still picture is handed over alone, and gdk-pixbuf wraps it itself.
      GdkPixbufAnimation* moving = gdk_pixbuf_animation_is_static_image(animation) ? nullptr : animation;
      if (context->preparedFunc != nullptr) context->preparedFunc(pixbuf, moving, context->userData);
      if (context->updatedFunc != nullptr) {
        context->updatedFunc(pixbuf, 0, 0, fullWidth, fullHeight, context->userData);
      }
    }
    g_object_unref(animation);
    done = TRUE;
  }
  g_free(context->buffer.bytes);
  g_free(context);
  return done;
}

}  // namespace korvel::desktop
