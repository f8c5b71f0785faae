// Checks of the KDE desktop for the opt-in tests:
//   desktop_check preview OUTPUT_DIR PLUGIN FILE...
//     KIO::PreviewJob with only PLUGIN enabled (as Dolphin makes previews);
//     each preview must have the core's pixels for its file; written to
//     OUTPUT_DIR/NAME.png.
//   desktop_check tape SCREEN TAPE
//     writes a tape holding the 6912-byte SCREEN as a code block.
//   desktop_check contains SCREENSHOT PICTURE
//     whether the screenshot shows the core's picture of PICTURE at 1:1.

#include <KFileItem>
#include <KIO/PreviewJob>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>

#include <cstdio>

#include "plugin/host_order.h"
#include "plugin/picture.h"

namespace {

QImage CoreImage(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  korvel::Picture* picture = korvel::LoadPictureInHostOrder(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                            size_t(bytes.size()), QFile::encodeName(path).constData());
  if (picture == nullptr) return {};
  QImage image(picture->width, picture->height, QImage::Format_RGB888);
  for (int y = 0; y < picture->height; ++y) {
    memcpy(image.scanLine(y), picture->pixels + size_t(y) * korvel::RowBytes(*picture), korvel::RowBytes(*picture));
  }
  korvel::ReleasePicture(picture);
  return image;
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

int Contains(const QString& screenshotPath, const QString& picturePath) {
  const QImage screenshot = QImage(screenshotPath).convertToFormat(QImage::Format_RGB888);
  const QImage picture = CoreImage(picturePath);
  if (screenshot.isNull() || picture.isNull()) return 2;
  for (int top = 0; top + picture.height() <= screenshot.height(); ++top) {
    for (int left = 0; left + picture.width() <= screenshot.width(); ++left) {
      bool all = true;
      for (int y = 0; y < picture.height() && all; ++y) {
        all = memcmp(screenshot.constScanLine(top + y) + left * 3, picture.constScanLine(y), size_t(picture.width()) * 3) == 0;
      }
      if (all) {
        printf("the picture is shown at (%d, %d)\n", left, top);
        return 0;
      }
    }
  }
  printf("the picture is not shown 1:1\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList args = application.arguments();
  if (args.size() >= 5 && args[1] == QStringLiteral("preview")) return Preview(args[2], args[3], args.mid(4));
  if (args.size() == 4 && args[1] == QStringLiteral("tape")) return WriteTape(args[2], args[3]);
  if (args.size() == 4 && args[1] == QStringLiteral("contains")) return Contains(args[2], args[3]);
  fprintf(stderr, "usage: desktop_check preview OUTPUT_DIR PLUGIN FILE... | tape SCREEN TAPE | contains SCREENSHOT PICTURE\n");
  return 2;
}
