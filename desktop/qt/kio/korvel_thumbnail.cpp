// The KDE thumbnail plug-in: Dolphin's previews of ZX pictures and of the
// tapes, snapshots and disk images that hold them, on the shared core. A
// container gives its first picture.

#include <KIO/ThumbnailCreator>
#include <KPluginFactory>
#include <QFile>

#include "desktop/qt/zx_image_reader.h"

namespace korvel::qt {

class ZxThumbnailCreator : public KIO::ThumbnailCreator {
  Q_OBJECT

 public:
  ZxThumbnailCreator(QObject* parent, const QVariantList& args) : KIO::ThumbnailCreator(parent, args) {}

  KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request) override {
    QFile file(request.url().toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) return KIO::ThumbnailResult::fail();
    const ReadResult result = ReadZxImage(&file, NameForCore(&file, {}));
    return result.image.isNull() ? KIO::ThumbnailResult::fail() : KIO::ThumbnailResult::pass(result.image);
  }
};

}  // namespace korvel::qt

// The factory macro names a class after its argument, which must be unqualified.
using korvel::qt::ZxThumbnailCreator;
K_PLUGIN_CLASS_WITH_JSON(ZxThumbnailCreator, "korvel_thumbnail.json")

#include "korvel_thumbnail.moc"
