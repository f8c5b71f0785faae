#include "desktop/qt/korvel_image_plugin.h"

#include "desktop/qt/zx_image_reader.h"

namespace korvel::qt {

// Qt creates the handler by key (a file's lower-cased suffix, or a format the
// caller named), or after the plug-in claimed the device by content.
bool ZxImageHandler::canRead() const {
  return device() != nullptr && (IsKorvelKey(format()) || ClaimsByNameOrContent(device()));
}

bool ZxImageHandler::read(QImage* image) {
  // QImageReader reports a failed read with a text of its own (an
  // InvalidDataError); a handler has no way to give it the reason.
  const ReadResult result = ReadZxImage(device(), NameForCore(device(), format()));
  if (result.image.isNull()) return false;
  *image = result.image;
  return true;
}

QImageIOPlugin::Capabilities ZxImagePlugin::capabilities(QIODevice* device, const QByteArray& format) const {
  // With a format, Qt asks whether it is ours; without one, whether the
  // device's content (or its file name) is.
  if (!format.isEmpty()) return IsKorvelKey(format) ? CanRead : Capabilities();
  return ClaimsByNameOrContent(device) ? CanRead : Capabilities();
}

QImageIOHandler* ZxImagePlugin::create(QIODevice* device, const QByteArray& format) const {
  auto* handler = new ZxImageHandler;
  handler->setDevice(device);
  handler->setFormat(format);
  return handler;
}

}  // namespace korvel::qt
