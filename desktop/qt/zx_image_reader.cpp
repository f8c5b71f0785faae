#include "desktop/qt/zx_image_reader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "decoders/zx_tables.h"
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

// Whether `head` begins as a file of another image format that Qt or KDE's
// image plug-ins read: PNG, JPEG, GIF, BMP, TIFF, RIFF (WebP, ANI), ICO and
// CUR, PNM, XPM, XBM, Photoshop, QOI, OpenEXR, JPEG XL, JPEG 2000, HEIF and
// AVIF, DDS, GIMP, ZIP-based (OpenRaster, Krita), SGI, Sun raster, Radiance,
// KTX, ICNS, SVG and XML, PCX and TGA.
bool BeginsOtherImageFormat(const QByteArray& head) {
  static const QByteArray kSignatures[] = {
      QByteArray("\x89PNG", 4),    QByteArray("\xFF\xD8\xFF", 3), "GIF8",     "BM",           QByteArray("II*\0", 4),
      QByteArray("MM\0*", 4),      "RIFF",                       QByteArray("\0\0\1\0", 4), QByteArray("\0\0\2\0", 4),
      "/* XPM",                    "#define",                    "8BPS",     "qoif",         QByteArray("v/1\x01", 4),
      QByteArray("\xFF\x0A", 2),   QByteArray("\0\0\0\x0CjP", 6), "DDS ",    "gimp xcf",     "PK\x03\x04",
      QByteArray("\x01\xDA", 2),   QByteArray("\x59\xA6\x6A\x95", 4), "#?",   "\xABKTX",      "icns",
      "<",                         QByteArray("\xEF\xBB\xBF", 3)};
  for (const QByteArray& signature : kSignatures) {
    if (head.startsWith(signature)) return true;
  }
  if (head.size() < 18) return false;
  const auto at = [&](int i) { return static_cast<uint8_t>(head[i]); };
  if (head.mid(4, 4) == "ftyp") return true;                       // HEIF, AVIF, JPEG XL's box
  if (at(0) == 'P' && at(1) >= '1' && at(1) <= '7') return true;   // PNM
  if (at(0) == 0x0A && at(1) <= 5 && at(2) == 1) return true;      // PCX: version, run-length
  const uint8_t tgaType = at(2);                                   // TGA: colour map 0/1, a known type
  return at(1) <= 1 && (tgaType == 1 || tgaType == 2 || tgaType == 3 || tgaType == 9 || tgaType == 10 || tgaType == 11);
}

// Whether every byte is printable ASCII or a tab or line break: text, which
// no screen is (its bitmap has zero bytes wherever eight pixels are paper).
bool IsPlainText(const QByteArray& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<uint8_t>(c);
    return (byte >= 0x20 && byte < 0x7F) || byte == '\t' || byte == '\n' || byte == '\r';
  });
}

// A viewer's own buffer of a file's bytes, with no name and no format
// (Gwenview plays animations from one): taken as a raw standard screen when
// it holds exactly 6912 bytes that begin as no other image format does and
// are not plain text. A file on disk, which has a name, is never taken by
// its size.
bool IsUnnamedRawScreen(QIODevice* device) {
  if (qobject_cast<const QFile*>(device) != nullptr || device->isSequential()) return false;
  if (device->size() != kStandardScreenBytes || device->pos() != 0) return false;
  const QByteArray bytes = device->peek(kStandardScreenBytes);
  return !BeginsOtherImageFormat(bytes) && !IsPlainText(bytes);
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
  if (format.isEmpty() && device != nullptr && device->isReadable() && IsUnnamedRawScreen(device)) return "picture.scr";
  return {};
}

bool ClaimsByNameOrContent(QIODevice* device) {
  if (device == nullptr || !device->isReadable()) return false;
  if (const QFile* file = qobject_cast<const QFile*>(device); file != nullptr && !file->fileName().isEmpty()) {
    if (IsKorvelKey(QFileInfo(file->fileName()).suffix().toLower().toLatin1())) return true;
  }
  if (IsUnnamedRawScreen(device)) return true;
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
