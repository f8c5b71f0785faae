// The installed Qt image-format plug-in as Qt programs meet it: loaded by
// Qt's own plug-in loading from QT_PLUGIN_PATH, found by key and by content,
// giving the shared core's pixels for every sample, and failing cleanly on
// hostile and truncated files. Built once per Qt major version.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QXmlStreamReader>
#include <QTemporaryDir>

#include <string>

#include "plugin/content_signature.h"
#include "plugin/host_order.h"
#include "plugin/picture.h"
#include "tests/support/extra_forms_writer.h"
#include "tests/support/hobeta_writer.h"

namespace {

using korvel::Picture;

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The core's picture of `bytes` under `name`, as RGB888; null when none.
QImage CoreImage(const QByteArray& bytes, const QByteArray& name) {
  Picture* picture = korvel::LoadPictureInHostOrder(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                    size_t(bytes.size()), name.constData());
  if (picture == nullptr) return {};
  QImage image(picture->width, picture->height, QImage::Format_RGB888);
  for (int y = 0; y < picture->height; ++y) {
    memcpy(image.scanLine(y), picture->pixels + size_t(y) * korvel::RowBytes(*picture), korvel::RowBytes(*picture));
  }
  korvel::ReleasePicture(picture);
  return image;
}

// `bytes` written as `name` in `folder`; its path, or empty when it cannot be written.
QString WriteFile(const QTemporaryDir& folder, const char* name, const QByteArray& bytes) {
  const QString path = folder.filePath(QString::fromLatin1(name));
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

QImage AsRgb888(const QImage& image) { return image.convertToFormat(QImage::Format_RGB888); }

QByteArray Bytes(const korvel::testing::Bytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

// The installed plug-in's own metadata, as Qt's plug-in loading reads it:
// one key per glob of the MIME types, paired with its type.
TEST(QtPlugin, KeysAreTheGlobsOfTheMimeTypes) {
  QPluginLoader plugin(QString::fromLocal8Bit(qgetenv("QT_PLUGIN_PATH")) + QStringLiteral("/imageformats/korvel.so"));
  const QJsonObject metaData = plugin.metaData().value(QStringLiteral("MetaData")).toObject();
  const QJsonArray keys = metaData.value(QStringLiteral("Keys")).toArray();
  const QJsonArray mimeTypes = metaData.value(QStringLiteral("MimeTypes")).toArray();
  ASSERT_EQ(keys.size(), mimeTypes.size());
  QStringList announced;
  for (int i = 0; i < keys.size(); ++i) announced << keys[i].toString() + QLatin1Char(' ') + mimeTypes[i].toString();

  QStringList globs;
  QXmlStreamReader xml(FileBytes(QStringLiteral(KORVEL_MIME_XML)));
  QString type;
  while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
    if (!xml.isStartElement()) continue;
    if (xml.name() == QLatin1String("mime-type")) type = xml.attributes().value(QLatin1String("type")).toString();
    if (xml.name() == QLatin1String("glob")) {
      globs << xml.attributes().value(QLatin1String("pattern")).toString().mid(2) + QLatin1Char(' ') + type;
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  announced.sort();
  globs.sort();
  EXPECT_EQ(announced.join(QLatin1Char(',')).toStdString(), globs.join(QLatin1Char(',')).toStdString());
  EXPECT_FALSE(announced.contains(QStringLiteral("rgb image/x-rgb")));
  EXPECT_TRUE(QImageReader::supportedImageFormats().contains("scr"));
}

// Every sample by its file name (by key, or by content where its extension is
// no key) and, where it can be claimed without a name, from an unnamed buffer.
TEST(QtPlugin, ReadsEverySampleWithTheCorePixels) {
  const QDir samples(QStringLiteral(KORVEL_SAMPLES_DIR));
  QTemporaryDir renamed;
  int read = 0;
  int audio = 0;
  for (const QString& name : samples.entryList(QDir::Files, QDir::Name)) {
    if (name.endsWith(QStringLiteral(".wav"))) {
      ++audio;  // a tape recording: a sound, not an image, to Qt
      continue;
    }
    QString path = samples.filePath(name);
    const QByteArray bytes = FileBytes(path);
    if (name.endsWith(QStringLiteral(".rgb")) || name.endsWith(QStringLiteral(".3"))) {
      // .rgb is SGI's key and .3 a manual page's extension; users rename such
      // a three-colour screen .xpc.
      path = renamed.filePath(name + QStringLiteral(".xpc"));
      ASSERT_TRUE(QFile::copy(samples.filePath(name), path));
    }
    const QImage expected = CoreImage(bytes, QFile::encodeName(path));
    ASSERT_FALSE(expected.isNull()) << name.toStdString();

    QImageReader byName(path);
    const QImage image = byName.read();
    EXPECT_EQ(AsRgb888(image), expected) << name.toStdString() << ": " << byName.errorString().toStdString();
    EXPECT_EQ(image.format(), QImage::Format_RGB888) << name.toStdString();
    read += !image.isNull();

    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader byContent(&buffer);
    const QImage unnamed = byContent.read();
    // Claimed by content exactly when it has a signature or a sound Hobeta
    // header, and then read under no name, or is a raw screen's 6912 bytes.
    const korvel::ByteSpan span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    if (bytes.size() == 6912) {
      EXPECT_EQ(AsRgb888(unnamed), CoreImage(bytes, "picture.scr")) << name.toStdString() << " by its size";
    } else if (korvel::HasZxContentSignature(span)) {
      EXPECT_EQ(AsRgb888(unnamed), CoreImage(bytes, "")) << name.toStdString() << " by content";
    } else {
      EXPECT_TRUE(unnamed.isNull()) << name.toStdString() << ": claimed without a signature";
    }
  }
  EXPECT_EQ(read + audio, samples.entryList(QDir::Files).size());
}

TEST(QtPlugin, FormatKeyNamesAnUnnamedDevice) {
  // 18432 bytes read as a three-colour screen only under the .xpc or .xpv
  // name, whose layouts differ.
  QByteArray bytes(18432, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 37 >> 3);
  for (const char* key : {"xpc", "xpv", "scr"}) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, key);
    const QImage expected = CoreImage(bytes, QByteArray("picture.") + key);
    EXPECT_EQ(AsRgb888(reader.read()), expected) << key;
  }
}

// A standard screen of one bitmap byte and one attribute throughout.
QByteArray Screen(char bitmap, char attribute) {
  return QByteArray(6144, bitmap) + QByteArray(768, attribute);
}

// An SCA animation of these standard screens, each with its delay byte.
QByteArray Sca(const QList<QByteArray>& screens, const korvel::testing::Bytes& delays) {
  std::vector<korvel::testing::Bytes> frames;
  for (const QByteArray& screen : screens) frames.emplace_back(screen.begin(), screen.end());
  const korvel::testing::Bytes file = korvel::testing::WriteScaScreens(delays, frames, 0, 7);
  return QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<int>(file.size()));
}

// Every frame Qt gives, as a viewer that animates reads them.
TEST(QtPlugin, PicturesThatMoveAreAnimationsThatLoop) {
  const QByteArray still = Screen('\x0F', '\x39');
  const QByteArray flashing = Screen('\x0F', '\xB9');
  const QList<QByteArray> scaFrames = {Screen('\0', '\x08'), Screen('\0', '\x10'), Screen('\0', '\x20')};
  const struct {
    const char* name;
    QByteArray bytes;
    QList<QImage> frames;  // as the plain screens show them
    QList<int> delaysMs;
  } cases[] = {
      {"still.scr", still, {CoreImage(still, "s.scr")}, {0}},
      // The second frame has ink and paper swapped, as the inverse bitmap
      // in the same colours shows.
      {"flashing.scr", flashing, {CoreImage(flashing, "f.scr"), CoreImage(Screen('\xF0', '\x39'), "s.scr")}, {320, 320}},
      // A delay of 0 counts as 1.
      {"moving.sca", Sca(scaFrames, {1, 0, 5}),
       {CoreImage(scaFrames[0], "0.scr"), CoreImage(scaFrames[1], "1.scr"), CoreImage(scaFrames[2], "2.scr")},
       {20, 20, 100}},
  };
  QTemporaryDir folder;
  for (const auto& c : cases) {
    const QString path = WriteFile(folder, c.name, c.bytes);
    ASSERT_FALSE(path.isEmpty()) << c.name;
    QImageReader reader(path);
    const bool moves = c.frames.size() > 1;
    EXPECT_EQ(reader.supportsAnimation(), moves) << c.name;
    EXPECT_EQ(reader.imageCount(), c.frames.size()) << c.name;
    EXPECT_EQ(reader.loopCount(), moves ? -1 : 0) << c.name;
    for (int i = 0; i < c.frames.size(); ++i) {
      EXPECT_EQ(reader.currentImageNumber(), i) << c.name;
      EXPECT_TRUE(AsRgb888(reader.read()) == c.frames[i]) << c.name << " frame " << i;
      EXPECT_EQ(reader.nextImageDelay(), c.delaysMs[i]) << c.name << " frame " << i;
    }
    EXPECT_FALSE(reader.canRead()) << c.name << ": past the last frame";
    // Back to the first frame, as QMovie loops; a jump past the last fails.
    EXPECT_FALSE(reader.jumpToImage(int(c.frames.size()))) << c.name;
    ASSERT_TRUE(reader.jumpToImage(0)) << c.name;
    EXPECT_TRUE(AsRgb888(reader.read()) == c.frames[0]) << c.name;
  }
}

// A viewer may hand a file's bytes to QMovie on a buffer of its own, without
// name or format (Gwenview does): a raw screen's 6912 bytes are taken as one
// there unless they begin as another image format; bytes of another size that
// only the format names then stay still, as their first frame.
TEST(QtPlugin, AnUnnamedBufferOfAScreensSizeIsAScreenUnlessAnotherFormatBeginsIt) {
  const QByteArray flashing = Screen('\x0F', '\xB9');
  const auto startingWith = [&](const QByteArray& head) { return head + flashing.mid(head.size()); };
  const struct {
    const char* what;
    QByteArray bytes;
    const char* format;
    int frames;  // 0: not read as a ZX picture (another reader may try)
  } cases[] = {
      {"a flashing screen", flashing, "", 2},
      {"a PNG's start", startingWith(QByteArray("\x89PNG\r\n\x1A\n", 8)), "", 0},
      {"a BMP's start", startingWith("BM"), "", 0},
      {"a GIF's start", startingWith("GIF89a"), "", 0},
      {"a TGA's start", startingWith(QByteArray("\0\0\x02\0", 4)), "", 0},
      {"a byte more", flashing + '\0', "", 0},
      {"plain text", QByteArray(6911, 'x') + '\n', "", 0},
      {"a gigascreen named by its format", flashing + flashing, "gsc", 1},
  };
  for (const auto& c : cases) {
    QBuffer buffer;
    buffer.setData(c.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, c.format);
    const QImage asZx = CoreImage(c.bytes, QByteArray("picture.") + (*c.format != '\0' ? c.format : "scr"));
    if (c.frames == 0) {
      // Whatever another reader makes of it, not the screen of its first 6912 bytes.
      EXPECT_FALSE(AsRgb888(reader.read()) == CoreImage(c.bytes.left(6912), "picture.scr")) << c.what;
      continue;
    }
    EXPECT_EQ(reader.supportsAnimation(), c.frames > 1) << c.what;
    EXPECT_EQ(reader.imageCount(), c.frames) << c.what;
    EXPECT_TRUE(AsRgb888(reader.read()) == asZx) << c.what;
  }
  // A file on disk of a screen's size but another name is not taken by its size.
  QTemporaryDir folder;
  const QString path = WriteFile(folder, "flashing.bin", flashing);
  ASSERT_FALSE(path.isEmpty());
  EXPECT_FALSE(QImageReader(path).canRead());
}

// Each must give a reader error and leave the program running.
TEST(QtPlugin, HostileAndTruncatedFilesFailCleanly) {
  const QDir samples(QStringLiteral(KORVEL_SAMPLES_DIR));
  const QByteArray hobeta = FileBytes(samples.filePath(QStringLiteral("landscape-lcmp5.$c")));
  const QByteArray sheet = FileBytes(samples.filePath(QStringLiteral("sprites.$c")));
  // A Hobeta file of a kind no rule reads (a BASIC program).
  const QByteArray program = Bytes(korvel::testing::WrapHobetaAs(korvel::testing::Bytes(300, 0x20), 'B', 10));

  QTemporaryDir folder;
  const struct {
    const char* name;
    QByteArray bytes;
    QImageReader::ImageReaderError error;
  } cases[] = {
      {"empty.scr", {}, QImageReader::InvalidDataError},
      {"short.scr", QByteArray(6911, '\x55'), QImageReader::InvalidDataError},
      {"half.$c", hobeta.left(hobeta.size() / 2), QImageReader::InvalidDataError},
      {"cut-header.$c", hobeta.left(16), QImageReader::InvalidDataError},
      {"half-sheet.$c", sheet.left(sheet.size() / 2 + 100), QImageReader::InvalidDataError},
      {"program.$b", program, QImageReader::InvalidDataError},
      {"noise.$s", QByteArray(4000, '\xA5'), QImageReader::InvalidDataError},
      {"huge.scr", QByteArray(16 * 1024 * 1024 + 1, '\0'), QImageReader::InvalidDataError},
      {"screen.bin", QByteArray(6912, '\x55'), QImageReader::UnsupportedFormatError},
  };
  for (const auto& c : cases) {
    const QString path = WriteFile(folder, c.name, c.bytes);
    ASSERT_FALSE(path.isEmpty()) << c.name;
    QImageReader reader(path);
    EXPECT_TRUE(reader.read().isNull()) << c.name;
    EXPECT_EQ(reader.error(), c.error) << c.name << ": " << reader.errorString().toStdString();
    EXPECT_FALSE(reader.errorString().isEmpty()) << c.name;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
