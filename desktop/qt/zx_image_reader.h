#pragma once
// Reading one ZX picture from a Qt device into a QImage, on the shared core:
// what the Qt image-format plug-in and the KDE thumbnailer have in common.

#include <QByteArray>
#include <QImage>
#include <QIODevice>
#include <QList>
#include <QString>

#include "plugin/load.h"

namespace korvel::qt {

// The largest file read; larger ones are refused unread.
inline constexpr qint64 kLargestFileBytes = korvel::kMaxExtraFileBytes;

// Whether `format` is one of the keys the plug-in is installed under
// (lower case, as Qt passes them).
bool IsKorvelKey(const QByteArray& format);

// The name the core is given for what `device` holds: the file's own name
// when it is a named file, else "picture.<format>" when `format` is a key,
// else "picture.scr" for an unnamed buffer taken as a raw screen, else empty
// (no name, no extension).
QByteArray NameForCore(QIODevice* device, const QByteArray& format);

// Whether `device` may be claimed without a key: a named file whose
// extension is a key, content that begins with a ZX signature or a sound
// Hobeta header, or an unnamed buffer of exactly a raw screen's 6912 bytes
// that begins as no other image format does. Reads nothing off the device
// (only peeks).
bool ClaimsByNameOrContent(QIODevice* device);

// One frame of a picture that moves: its image and how long it is shown.
struct Frame {
  QImage image;
  int delayMs;  // 0 for a still picture
};

struct ReadResult {
  QImage image;           // the first frame; null when the file could not be read
  QList<Frame> frames;    // with kEveryFrame: every frame, the first being `image`
  QString error;          // why, when it could not
};

// A thumbnail needs the first frame only; a viewer that animates, them all.
enum class FramesRead { kFirst, kEveryFrame };

// Reads the rest of `device` (at most kLargestFileBytes) and decodes it, as a
// host with every korvel plug-in installed would, under `nameForCore`.
ReadResult ReadZxImage(QIODevice* device, const QByteArray& nameForCore, FramesRead frames = FramesRead::kFirst);

}  // namespace korvel::qt
