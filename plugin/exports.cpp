#include "plugin/exports.h"

#include <cstring>

#include "platform/platform.h"
#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/picture.h"

using korvel::Picture;

namespace {

constexpr int32_t kInterfaceVersion = 2;

Picture* AsPicture(void* handle) { return static_cast<Picture*>(handle); }

}  // namespace

extern "C" {

int KORVEL_CALL gfpGetPluginInfo(int32_t version, char* label, int32_t labelMax, char* extensions,
                                 int32_t extensionsMax, int32_t* pluginFlags) {
  if (version != kInterfaceVersion) return 0;
  // A null buffer is treated as one of size 0: nothing is written to it.
  if (label != nullptr) korvel::platform::CopyTextBounded(label, korvel::kPluginLabel, labelMax);
  if (extensions != nullptr) {
    korvel::platform::CopyTextBounded(extensions, korvel::kThisPlugin.extensionList, extensionsMax);
  }
  if (pluginFlags != nullptr) *pluginFlags = 1;
  return 1;
}

void* KORVEL_CALL gfpLoadPictureInit(const char* fileName) {
  if (fileName == nullptr) return nullptr;
  return korvel::LoadPictureFile(fileName, korvel::kThisPlugin);
}

int KORVEL_CALL gfpLoadPictureGetInfo(void* picture, int32_t* pictureType, int32_t* width, int32_t* height,
                                      int32_t* dpi, int32_t* bitsPerPixel, int32_t* bytesPerLine,
                                      int32_t* hasColormap, void* /*reserved1*/, void* /*reserved2*/) {
  const Picture* p = AsPicture(picture);
  if (p == nullptr) return 0;
  *pictureType = 0;
  *width = p->width;
  *height = p->height;
  *dpi = 75;
  *bitsPerPixel = 24;
  *bytesPerLine = static_cast<int32_t>(korvel::RowBytes(*p));
  *hasColormap = 0;
  return 1;
}

int KORVEL_CALL gfpLoadPictureGetLine(void* picture, int32_t row, unsigned char* buffer) {
  const Picture* p = AsPicture(picture);
  // A host mistake must not become a memory fault.
  if (p == nullptr || row < 0 || row >= p->height) return 0;
  const size_t rowBytes = korvel::RowBytes(*p);
  memcpy(buffer, p->pixels + rowBytes * static_cast<size_t>(row), rowBytes);
  return 1;
}

int KORVEL_CALL gfpLoadPictureGetColormap(void* /*picture*/, void* /*colormap*/) { return 0; }

int KORVEL_CALL gfpLoadPictureExit(void* picture) { return korvel::ReleasePicture(AsPicture(picture)) ? 1 : 0; }

}  // extern "C"
