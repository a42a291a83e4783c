#include "Picture.h"

#include "ButtonGrid.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <stdexcept>

namespace sarvel {

QImage loadPicture(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return loadGlyph(path);
    static const QStringList others = {"jpg", "jpeg", "png", "gif", "ico"};
    if (!others.contains(ext))
        throw std::runtime_error(("Unknown picture file extension (." + ext + ")").toStdString());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(("Cannot open file " + path).toStdString());
    QImageReader reader(&file);
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(("Cannot read picture " + path + ": " + reader.errorString()).toStdString());
    return image;
}

} // namespace sarvel
