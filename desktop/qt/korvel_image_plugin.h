#pragma once
// The Qt image-format plug-in: ZX Spectrum pictures for every Qt program
// that reads images through QImageReader (image viewers, file managers'
// previews, document viewers). Built once per Qt major version.

#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QList>
#include <QVariant>

#include "desktop/qt/zx_image_reader.h"

namespace korvel::qt {

// A picture that moves (a flashing screen, an SCA file) is an animation
// that loops for ever; read() gives the current frame, then steps on.
class ZxImageHandler : public QImageIOHandler {
 public:
  bool canRead() const override;
  bool read(QImage* image) override;
  bool supportsOption(ImageOption option) const override;
  QVariant option(ImageOption option) const override;
  int imageCount() const override;
  int loopCount() const override;
  int nextImageDelay() const override;
  int currentImageNumber() const override;
  bool jumpToNextImage() override;
  bool jumpToImage(int imageNumber) override;

 private:
  // Reads the device and decodes every frame, once, on the first call that
  // needs them (Qt asks about animation before it reads). False when the
  // file gives no picture.
  bool Load() const;

  mutable bool loaded_ = false;
  mutable QList<Frame> frames_;
  int current_ = 0;        // the frame read() gives next
  int lastDelayMs_ = -1;   // the delay of the frame read() gave last; -1 before the first
};

class ZxImagePlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "korvel_qt_keys.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};

}  // namespace korvel::qt
