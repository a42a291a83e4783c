#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sarvel {

QString dataDir() { return QDir::homePath() + QStringLiteral("/SARVEL"); }

QString dataPath(const QString& relative) { return dataDir() + QLatin1Char('/') + relative; }

QString defaultKitPath() { return dataPath(QStringLiteral("TEMES/First.vkt")); }

QString settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/tirsen.ini");
}

QString fromStoredPath(const QString& stored) {
    static const QString prefix = QStringLiteral("C:/SARVEL/");
    QString slashed = stored;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (slashed.startsWith(prefix, Qt::CaseInsensitive))
        return dataPath(slashed.mid(prefix.size()));
    return stored;
}

bool namesExistingFile(const QString& stored) {
    if (stored.isEmpty() || stored == QStringLiteral("-"))
        return false;
    const QFileInfo info(fromStoredPath(stored));
    return info.exists() && info.isFile();
}

} // namespace sarvel
