#include "desktop/qt/zx_image_reader.h"

#include <QFile>
#include <QFileInfo>

#include "plugin/content_signature.h"
#include "plugin/host_order.h"
#include "plugin/picture.h"
#include "plugin/reading.h"
#include "plugin/recognition.h"

namespace korvel::qt {

namespace {

// Generated from the one key table of the build (desktop/qt/CMakeLists.txt).
constexpr const char* kKeys[] = {
#include "korvel_qt_keys.inc"
};

// The QImage owns the picture's pixel block and releases the picture with
// its last copy, so nothing is copied.
void ReleasePictureOfImage(void* picture) { ReleasePicture(static_cast<Picture*>(picture)); }

// A Hobeta header and the most sectors it can ask for: all that content
// recognition looks at.
constexpr qint64 kContentBytesLookedAt = kHobetaHeaderBytes + 255 * 256;

// The rest of `device`, or an error. Files of known size larger than the
// limit are refused before anything is read.
bool ReadWhole(QIODevice* device, QByteArray* bytes, QString* error) {
  const QString tooLarge =
      QStringLiteral("The file is larger than %1 bytes, more than any ZX picture file").arg(kLargestFileBytes);
  if (!device->isSequential() && device->size() - device->pos() > kLargestFileBytes) {
    *error = tooLarge;
    return false;
  }
  constexpr qint64 kChunkBytes = 64 * 1024;
  for (;;) {
    const QByteArray chunk = device->read(kChunkBytes);
    if (chunk.isEmpty()) break;
    bytes->append(chunk);
    if (bytes->size() > kLargestFileBytes) {
      *error = tooLarge;
      return false;
    }
  }
  if (!device->isSequential() && !device->atEnd()) {
    *error = QStringLiteral("Could not read the file: %1").arg(device->errorString());
    return false;
  }
  return true;
}

// A QImage that owns `frame`, which must be the last of its chain; null when
// Qt refuses the buffer (it never should for these sizes), the frame then
// being released.
QImage ImageOwning(Picture* frame) {
  QImage image(frame->pixels, frame->width, frame->height, int(RowBytes(*frame)), QImage::Format_RGB888,
               ReleasePictureOfImage, frame);
  if (image.isNull()) ReleasePicture(frame);
  return image;
}

}  // namespace

bool IsKorvelKey(const QByteArray& format) {
  for (const char* key : kKeys) {
    if (format == key) return true;
  }
  return false;
}

QByteArray NameForCore(QIODevice* device, const QByteArray& format) {
  if (const QFile* file = qobject_cast<const QFile*>(device); file != nullptr && !file->fileName().isEmpty()) {
    return QFile::encodeName(file->fileName());
  }
  if (IsKorvelKey(format)) return "picture." + format;
  return {};
}

bool ClaimsByNameOrContent(QIODevice* device) {
  if (device == nullptr || !device->isReadable()) return false;
  if (const QFile* file = qobject_cast<const QFile*>(device); file != nullptr && !file->fileName().isEmpty()) {
    if (IsKorvelKey(QFileInfo(file->fileName()).suffix().toLower().toLatin1())) return true;
  }
  const QByteArray head = device->peek(kContentBytesLookedAt);
  return HasZxContentSignature(ByteSpan(reinterpret_cast<const uint8_t*>(head.constData()), size_t(head.size())));
}

ReadResult ReadZxImage(QIODevice* device, const QByteArray& nameForCore, FramesRead framesRead) {
  ReadResult result;
  if (device == nullptr || !device->isReadable()) {
    result.error = QStringLiteral("There is no file to read");
    return result;
  }
  QByteArray bytes;
  if (!ReadWhole(device, &bytes, &result.error)) return result;

  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  Picture* picture = framesRead == FramesRead::kEveryFrame
                         ? LoadFirstPictureFrames(data, size_t(bytes.size()), nameForCore.constData())
                         : LoadPictureInHostOrder(data, size_t(bytes.size()), nameForCore.constData());
  if (picture == nullptr) {
    result.error = QStringLiteral(
        "Not a ZX Spectrum picture korvel can read (%1 bytes): no known size, signature or Hobeta file "
        "of a known kind, or its data are damaged").arg(bytes.size());
    return result;
  }
  if (picture->width == 0 || picture->height == 0) {
    result.error = QStringLiteral("The ZX Spectrum picture has no pixels (%1 x %2)").arg(picture->width).arg(picture->height);
    ReleasePicture(picture);
    return result;
  }
  // Each image owns its own frame: the chain is taken apart as it is walked.
  const bool moves = picture->nextFrame != nullptr;
  const int width = picture->width;  // every frame's
  const int height = picture->height;
  for (Picture* frame = picture; frame != nullptr;) {
    Picture* next = frame->nextFrame;
    frame->nextFrame = nullptr;
    const int delayMs = moves ? qMax(1, int(frame->delay)) * 20 : 0;
    QImage image = ImageOwning(frame);
    if (image.isNull()) {
      result.error = QStringLiteral("Qt cannot hold a %1 x %2 picture").arg(width).arg(height);
      ReleasePicture(next);
      result.frames.clear();
      result.image = QImage();
      return result;
    }
    if (result.image.isNull()) result.image = image;
    if (framesRead == FramesRead::kEveryFrame) result.frames.append(Frame{image, delayMs});
    frame = next;
  }
  return result;
}

}  // namespace korvel::qt
