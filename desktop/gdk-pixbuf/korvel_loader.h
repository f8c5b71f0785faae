#pragma once
// The loader modules' operations, declared for their tests; gdk-pixbuf itself
// reaches them only through each module's fill_vtable (module.cpp), which
// binds them to its family's assumed file name.

#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "plugin/load.h"

namespace korvel::desktop {

// The largest file any rule set reads (korvel_extra's); larger ones are
// refused unread.
inline constexpr size_t kLargestFileBytes = kMaxExtraFileBytes;

// A new RGB pixbuf of the picture a gfp host with every korvel plug-in shows
// for `size` bytes named `assumedFileName`; null with `error` set when no
// plug-in reads them, when the file is empty or too large, or when the
// picture has no pixels.
GdkPixbuf* DecodePixbuf(const uint8_t* bytes, size_t size, const char* assumedFileName, GError** error);

// The same picture with every frame it has: gdk-pixbuf's static wrapper of
// the pixbuf above for a still picture, a looping animation for one that
// moves (a flashing screen, an SCA file), whose first frame is that pixbuf.
GdkPixbufAnimation* DecodeAnimation(const uint8_t* bytes, size_t size, const char* assumedFileName, GError** error);

// Whole-file loading, of the first frame or of them all.
GdkPixbuf* LoadWhole(FILE* file, const char* assumedFileName, GError** error);
GdkPixbufAnimation* LoadWholeAnimation(FILE* file, const char* assumedFileName, GError** error);

// Incremental loading: the bytes are collected, and decoded at the end; a
// picture that moves is handed over as an animation beside its first frame.
// `assumedFileName` must outlive the load.
gpointer BeginLoad(const char* assumedFileName, GdkPixbufModuleSizeFunc sizeFunc,
                   GdkPixbufModulePreparedFunc preparedFunc, GdkPixbufModuleUpdatedFunc updatedFunc,
                   gpointer userData, GError** error);
gboolean LoadIncrement(gpointer context, const guchar* bytes, guint size, GError** error);
gboolean StopLoad(gpointer context, GError** error);

}  // namespace korvel::desktop
