#include "desktop/qt/korvel_image_plugin.h"

namespace korvel::qt {

// Qt creates the handler by key (a file's lower-cased suffix, or a format the
// caller named), or after the plug-in claimed the device by content. Once the
// frames are read, there is more to read while a frame is left.
bool ZxImageHandler::canRead() const {
  if (loaded_) return current_ < frames_.size();
  return device() != nullptr && (IsKorvelKey(format()) || ClaimsByNameOrContent(device()));
}

bool ZxImageHandler::Load() const {
  if (!loaded_) {
    loaded_ = true;
    // QImageReader reports a failed read with a text of its own (an
    // InvalidDataError); a handler has no way to give it the reason.
    // Whether the same bytes can be read again without a name or a format:
    // a viewer may hand them to QMovie on a buffer of its own (Gwenview
    // does), which then finds no reader for a raw screen and shows nothing.
    // Such a picture stays still, as its first frame.
    const bool foundAgain = ClaimsByNameOrContent(device());
    frames_ = ReadZxImage(device(), NameForCore(device(), format()), FramesRead::kEveryFrame).frames;
    if (!foundAgain && frames_.size() > 1) {
      frames_.erase(frames_.begin() + 1, frames_.end());
      frames_.first().delayMs = 0;
    }
  }
  return !frames_.isEmpty();
}

bool ZxImageHandler::read(QImage* image) {
  if (!Load() || current_ >= frames_.size()) return false;
  *image = frames_[current_].image;
  lastDelayMs_ = frames_[current_].delayMs;
  ++current_;
  return true;
}

bool ZxImageHandler::supportsOption(ImageOption option) const {
  return option == Animation && Load() && frames_.size() > 1;
}

// QImageReader::supportsAnimation() asks both.
QVariant ZxImageHandler::option(ImageOption option) const {
  if (option == Animation) return supportsOption(Animation);
  return {};
}

int ZxImageHandler::imageCount() const { return Load() ? int(frames_.size()) : 0; }

int ZxImageHandler::loopCount() const { return Load() && frames_.size() > 1 ? -1 : 0; }

// How long the frame read last stays up; before any read, the first's.
int ZxImageHandler::nextImageDelay() const {
  if (lastDelayMs_ >= 0) return lastDelayMs_;
  return Load() && current_ < frames_.size() ? frames_[current_].delayMs : 0;
}

int ZxImageHandler::currentImageNumber() const { return current_; }

bool ZxImageHandler::jumpToNextImage() { return jumpToImage(current_ + 1); }

bool ZxImageHandler::jumpToImage(int imageNumber) {
  if (!Load() || imageNumber < 0 || imageNumber >= frames_.size()) return false;
  current_ = imageNumber;
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
