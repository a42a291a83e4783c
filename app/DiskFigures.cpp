#include "DiskFigures.h"

#include <QDir>
#include <QStorageInfo>

namespace sarvel {

QString gigabyteFigure(qint64 bytes) {
    constexpr qint64 kGiga = 1000000000;
    return QString::number(bytes / kGiga) + QStringLiteral(", ") + QString::number(bytes % kGiga) +
           QStringLiteral(" Gb");
}

qint64 currentDriveSize() {
    const QStorageInfo info(QDir::currentPath());
    return info.isValid() ? info.bytesTotal() : -1;
}

qint64 currentDriveFree() {
    const QStorageInfo info(QDir::currentPath());
    return info.isValid() ? info.bytesAvailable() : -1;
}

} // namespace sarvel
