#include "Soundfont.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <optional>

namespace sarvel {

namespace {

QStringList dataDirs() {
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    return dirs.split(u':', Qt::SkipEmptyParts);
}

// Lower is better: the small GM set Debian ships first, then what the system calls its default.
int preference(const QFileInfo& file) {
    if (file.fileName() == QLatin1String("TimGM6mb.sf2"))
        return 0;
    if (file.completeBaseName() == QLatin1String("default-GM"))
        return 1;
    return 2;
}

} // namespace

QString findSoundfont() {
    std::optional<QFileInfo> best;
    for (const QString& base : dataDirs()) {
        for (const char* sub : {"sounds/sf2", "sounds/sf3", "soundfonts"}) {
            const QDir dir(base + u'/' + QLatin1String(sub));
            const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")},
                                                          QDir::Files | QDir::Readable);
            for (const QFileInfo& file : files) {
                if (!best || preference(file) < preference(*best) ||
                    (preference(file) == preference(*best) && file.size() < best->size()))
                    best = file;
            }
        }
    }
    return best ? best->absoluteFilePath() : QString();
}

} // namespace sarvel
