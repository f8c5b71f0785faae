// One gdk-pixbuf loader module: the loader bound to one name family of
// families.h, chosen at build time by KORVEL_PIXBUF_FAMILY. It exports
// fill_vtable and fill_info only.

#include <array>
#include <string_view>

#include "desktop/gdk-pixbuf/families.h"
#include "desktop/gdk-pixbuf/korvel_loader.h"

#ifndef KORVEL_PIXBUF_FAMILY
#error "KORVEL_PIXBUF_FAMILY names the family this module is built for"
#endif

namespace {

using namespace korvel::desktop;

constexpr std::string_view kFamilyName = KORVEL_PIXBUF_FAMILY;
constexpr PixbufFamily kFamily = FamilyOf(kFamilyName);
static_assert(kFamily.assumedFileName != nullptr, "no row of families.h has this family");

// "korvel" for the main module, "korvel-<family>" for the others: gdk-pixbuf
// wants every module's name to be its own.
constexpr auto kModuleName = [] {
  std::array<char, 40> name{};
  size_t at = 0;
  for (char c : std::string_view("korvel")) name.at(at++) = c;
  if (!kFamilyName.empty()) name.at(at++) = '-';
  for (char c : kFamilyName) name.at(at++) = c;
  return name;
}();

GdkPixbuf* Load(FILE* file, GError** error) { return LoadWhole(file, kFamily.assumedFileName, error); }

GdkPixbufAnimation* LoadAnimation(FILE* file, GError** error) {
  return LoadWholeAnimation(file, kFamily.assumedFileName, error);
}

gpointer Begin(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
               GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error) {
  return BeginLoad(kFamily.assumedFileName, sizeFunc, preparedFunc, updatedFunc, userData, error);
}

// No signature here: raw screens have none, and the Hobeta header has no
// fixed bytes. The file's type comes from the MIME database, by its name or,
// for the few types korvel-zx.xml gives one, by its signature.
GdkPixbufModulePattern kSignature[] = {{nullptr, nullptr, 0}};

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load = Load;
  module->load_animation = LoadAnimation;
  module->begin_load = Begin;
  module->stop_load = StopLoad;
  module->load_increment = LoadIncrement;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  info->name = const_cast<gchar*>(kModuleName.data());
  info->signature = kSignature;
  info->domain = nullptr;
  info->description = const_cast<gchar*>(kFamily.description);
  info->mime_types = const_cast<gchar**>(kFamily.mimeTypes.data());
  info->extensions = const_cast<gchar**>(kFamily.extensions.data());
  // Every load keeps its state to itself.
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<gchar*>("");
}

}  // extern "C"
