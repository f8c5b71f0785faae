#pragma once
// The Qt image-format plug-in: ZX Spectrum pictures for every Qt program
// that reads images through QImageReader (image viewers, file managers'
// previews, document viewers). Built once per Qt major version.

#include <QImageIOHandler>
#include <QImageIOPlugin>

namespace korvel::qt {

class ZxImageHandler : public QImageIOHandler {
 public:
  bool canRead() const override;
  bool read(QImage* image) override;
};

class ZxImagePlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "korvel_qt_keys.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};

}  // namespace korvel::qt
