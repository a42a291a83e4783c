#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

namespace sarvel {

QString dataDir() {
    return QDir::homePath() + QStringLiteral("/SARVEL");
}

QString dataPath(const QString& relative) {
    return dataDir() + QLatin1Char('/') + relative;
}

QString defaultKitPath() {
    return dataPath(QStringLiteral("TEMES/First.vkt"));
}

QString settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/tirsen.ini");
}

namespace {

// The entry of `folder` named `name` in any letter case: the exact name when it exists, else the
// first entry that differs from it in case only; none when there is neither.
std::optional<QString> entryInAnyCase(const QString& folder, const QString& name) {
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        return name;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return std::nullopt;
}

} // namespace

QString fromStoredPath(const QString& stored) {
    static const QString prefix = QStringLiteral("C:/SARVEL/");
    QString slashed = stored;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!slashed.startsWith(prefix, Qt::CaseInsensitive))
        return stored;
    // Windows ignores letter case in paths, and kits made there spell their folders and files
    // any way; each name is looked up as written first, then in any case. Once a name is found
    // in no case, the rest stays as written (a file about to be created, or no file at all).
    QString path = dataDir();
    const QStringList names = slashed.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    bool found = true;
    for (const QString& name : names) {
        std::optional<QString> entry;
        if (found)
            entry = entryInAnyCase(path, name);
        found = entry.has_value();
        path += QLatin1Char('/') + entry.value_or(name);
    }
    return path;
}

bool namesExistingFile(const QString& stored) {
    if (stored.isEmpty() || stored == QStringLiteral("-"))
        return false;
    const QFileInfo info(fromStoredPath(stored));
    return info.exists() && info.isFile();
}

} // namespace sarvel
