// Checks of the KDE desktop for the opt-in tests:
//   desktop_check preview OUTPUT_DIR PLUGIN FILE...
//     KIO::PreviewJob with only PLUGIN enabled (as Dolphin makes previews);
//     each preview must have the core's pixels for its file; written to
//     OUTPUT_DIR/NAME.png.
//   desktop_check tape SCREEN TAPE
//     writes a tape holding the 6912-byte SCREEN as a code block.
//   desktop_check flashing SCREEN OUT
//     writes the 6912-byte SCREEN with FLASH set in its top third's cells.
//   desktop_check contains SCREENSHOT... PICTURE
//     whether every frame of the core's picture of PICTURE is shown at 1:1
//     in one of the screenshots (a still picture has one frame).

#include <KFileItem>
#include <KIO/PreviewJob>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <cstdio>

#include "plugin/host_order.h"
#include "plugin/picture.h"
#include "plugin/reading.h"

namespace {

QImage ImageOf(const korvel::Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB888);
  for (int y = 0; y < picture.height; ++y) {
    memcpy(image.scanLine(y), picture.pixels + size_t(y) * korvel::RowBytes(picture), korvel::RowBytes(picture));
  }
  return image;
}

// The core's first picture of the file at `path`, every frame of it when
// `frames` says so (else only the first); empty when none.
QList<QImage> CoreFrames(const QString& path, bool frames) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  const QByteArray name = QFile::encodeName(path);
  korvel::Picture* picture = frames ? korvel::LoadFirstPictureFrames(data, size_t(bytes.size()), name.constData())
                                    : korvel::LoadPictureInHostOrder(data, size_t(bytes.size()), name.constData());
  QList<QImage> images;
  for (const korvel::Picture* frame = picture; frame != nullptr; frame = frame->nextFrame) images.append(ImageOf(*frame));
  korvel::ReleasePicture(picture);
  return images;
}

QImage CoreImage(const QString& path) {
  const QList<QImage> frames = CoreFrames(path, false);
  return frames.isEmpty() ? QImage() : frames.first();
}

int Preview(const QString& outputDir, const QString& plugin, const QStringList& files) {
  KFileItemList items;
  for (const QString& file : files) items.append(KFileItem(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())));
  const QStringList enabled = {plugin};
  auto* job = new KIO::PreviewJob(items, QSize(512, 512), &enabled);
  job->setIgnoreMaximumSize(true);
  job->setScaleType(KIO::PreviewJob::Unscaled);
  int good = 0;
  QObject::connect(job, &KIO::PreviewJob::gotPreview, [&](const KFileItem& item, const QPixmap& preview) {
    const QImage image = preview.toImage().convertToFormat(QImage::Format_RGB888);
    const QString name = item.url().fileName();
    image.save(QDir(outputDir).filePath(name + QStringLiteral(".png")));
    const bool same = image == CoreImage(item.localPath());
    printf("%s (%s): preview %dx%d, %s\n", qPrintable(name), qPrintable(item.mimetype()), image.width(),
           image.height(), same ? "the core's pixels" : "NOT the core's pixels");
    good += same;
  });
  QObject::connect(job, &KIO::PreviewJob::failed, [&](const KFileItem& item) {
    printf("%s (%s): no preview\n", qPrintable(item.url().fileName()), qPrintable(item.mimetype()));
  });
  QObject::connect(job, &KJob::result, qApp, &QCoreApplication::quit);
  qApp->exec();
  return good == files.size() ? 0 : 1;
}

// A header block (code, 6912 bytes at 16384) and its data block.
int WriteTape(const QString& screenPath, const QString& tapePath) {
  QFile screenFile(screenPath);
  if (!screenFile.open(QIODevice::ReadOnly)) return 1;
  const QByteArray screen = screenFile.readAll();
  if (screen.size() != 6912) return 1;
  auto block = [](const QByteArray& flagAndData) {
    char checksum = 0;
    for (char c : flagAndData) checksum ^= c;
    const int length = flagAndData.size() + 1;
    return QByteArray(1, char(length & 0xFF)) + char(length >> 8) + flagAndData + checksum;
  };
  QByteArray header(1, '\0');
  header += char(3);
  header += QByteArray("landscape ");
  header += QByteArray("\x00\x1B\x00\x40\x00\x80", 6);  // length 6912, start 16384, 32768
  QFile tape(tapePath);
  if (!tape.open(QIODevice::WriteOnly)) return 1;
  tape.write(block(header) + block(QByteArray(1, char(0xFF)) + screen));
  return 0;
}

// FLASH in every cell of the top third (the first 256 attributes).
int WriteFlashing(const QString& screenPath, const QString& outPath) {
  QFile screenFile(screenPath);
  if (!screenFile.open(QIODevice::ReadOnly)) return 1;
  QByteArray screen = screenFile.readAll();
  if (screen.size() != 6912) return 1;
  for (int i = 6144; i < 6144 + 256; ++i) screen[i] = char(screen[i] | 0x80);
  QFile out(outPath);
  return out.open(QIODevice::WriteOnly) && out.write(screen) == screen.size() ? 0 : 1;
}

bool Shows(const QImage& screenshot, const QImage& picture) {
  for (int top = 0; top + picture.height() <= screenshot.height(); ++top) {
    for (int left = 0; left + picture.width() <= screenshot.width(); ++left) {
      bool all = true;
      for (int y = 0; y < picture.height() && all; ++y) {
        all = memcmp(screenshot.constScanLine(top + y) + left * 3, picture.constScanLine(y), size_t(picture.width()) * 3) == 0;
      }
      if (all) return true;
    }
  }
  return false;
}

int Contains(const QStringList& screenshotPaths, const QString& picturePath) {
  QList<QImage> screenshots;
  for (const QString& path : screenshotPaths) screenshots.append(QImage(path).convertToFormat(QImage::Format_RGB888));
  const QList<QImage> frames = CoreFrames(picturePath, true);
  if (frames.isEmpty()) return 2;
  int shown = 0;
  for (int i = 0; i < frames.size(); ++i) {
    const bool found = std::any_of(screenshots.begin(), screenshots.end(),
                                   [&](const QImage& screenshot) { return Shows(screenshot, frames[i]); });
    printf("frame %d of %d is %s\n", i + 1, int(frames.size()), found ? "shown 1:1" : "NOT shown 1:1");
    shown += found;
  }
  return shown == frames.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList args = application.arguments();
  if (args.size() >= 5 && args[1] == QStringLiteral("preview")) return Preview(args[2], args[3], args.mid(4));
  if (args.size() == 4 && args[1] == QStringLiteral("tape")) return WriteTape(args[2], args[3]);
  if (args.size() == 4 && args[1] == QStringLiteral("flashing")) return WriteFlashing(args[2], args[3]);
  if (args.size() >= 4 && args[1] == QStringLiteral("contains")) return Contains(args.mid(2, args.size() - 3), args.last());
  fprintf(stderr,
          "usage: desktop_check preview OUTPUT_DIR PLUGIN FILE... | tape SCREEN TAPE | flashing SCREEN OUT | "
          "contains SCREENSHOT... PICTURE\n");
  return 2;
}
