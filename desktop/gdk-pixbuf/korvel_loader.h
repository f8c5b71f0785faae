#pragma once
// The loader module's operations, declared for its tests; gdk-pixbuf itself
// reaches them only through fill_vtable.

#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace korvel::desktop {

// A new RGB pixbuf of the picture in `bytes`, as korvel_hobeta and then
// korvel_screens read it; null with `error` set when neither does, when the
// file is too small or too large, or when the picture has no pixels.
GdkPixbuf* DecodePixbuf(const uint8_t* bytes, size_t size, GError** error);

// Whole-file loading.
GdkPixbuf* LoadWhole(FILE* file, GError** error);

// Incremental loading: the bytes are collected, and decoded at the end.
gpointer BeginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error);
gboolean LoadIncrement(gpointer context, const guchar* bytes, guint size, GError** error);
gboolean StopLoad(gpointer context, GError** error);

}  // namespace korvel::desktop

extern "C" {
G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module);
G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info);
}
