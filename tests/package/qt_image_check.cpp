// Reads a picture through QImageReader as any Qt program would, the image
// plug-ins found wherever Qt itself looks, and compares its pixels with a
// PNG file's (read by Qt's own PNG reader).
//
// usage: qt_image_check PICTURE EXPECTED.png

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: qt_image_check PICTURE EXPECTED.png\n");
    return 2;
  }
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  const QImage read = reader.read();
  if (read.isNull()) {
    std::fprintf(stderr, "qt_image_check: %s: %s\n", argv[1], qPrintable(reader.errorString()));
    return 1;
  }
  const QImage expected(QString::fromLocal8Bit(argv[2]));
  const QImage got = read.convertToFormat(QImage::Format_RGB888);
  if (expected.isNull() || got != expected.convertToFormat(QImage::Format_RGB888)) {
    std::fprintf(stderr, "qt_image_check: %s (%dx%d) differs from %s\n", argv[1], got.width(), got.height(), argv[2]);
    return 1;
  }
  std::printf("%s: %dx%d, as %s\n", argv[1], got.width(), got.height(), argv[2]);
  return 0;
}
