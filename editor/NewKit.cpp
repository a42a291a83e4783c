#include "NewKit.h"

#include "DataFolder.h"
#include "IniFile.h"
#include "Prompts.h"
#include "SelectionState.h"

#include <QDir>
#include <QFileInfo>

namespace sarvel {

namespace {

bool isFile(const QString& path) {
    return QFileInfo(path).isFile();
}

NewKitOutcome badName(Prompts& prompts) {
    prompts.message(QStringLiteral("Error"), QStringLiteral("Ошибка пути или имени файла!"));
    return NewKitOutcome::NotCreated;
}

// A typed kit name as a full path: "~" is the home folder and a bare or relative name belongs
// in the kits folder, never in whatever folder the program was started from.
QString kitPath(const QString& typed) {
    QString path = fromStoredPath(typed);
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
        path = QDir::homePath() + path.mid(1);
    else if (QDir::isRelativePath(path))
        path = dataPath(QStringLiteral("TEMES/") + path);
    return QDir::cleanPath(path);
}

} // namespace

NewKitOutcome createKitFile(const QString& typed, SelectionState& state, Prompts& prompts) {
    const QString name = typed.trimmed();
    // A folder or a name without a file part would be written as something else than a kit.
    if (name.isEmpty() || name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\')))
        return badName(prompts);
    const QString path = kitPath(name);
    const QFileInfo info(path);
    if (info.isDir())
        return badName(prompts);
    if (info.exists() &&
        !prompts.question(QStringLiteral("Warning"),
                          QStringLiteral("файл ") + path + QStringLiteral(" существует, заменить его?")))
        return NewKitOutcome::Declined;
    // An existing file keeps all its entries; it is read before it becomes the kit, so an
    // unreadable one never does.
    IniFile kit = IniFile::forWriting(path);
    if (info.exists())
        state.KitFileName = path;
    kit.writeString(QStringLiteral("Option"), QStringLiteral("File"), state.KitFileName);
    kit.save();
    if (!isFile(path))
        return badName(prompts);
    prompts.message(QStringLiteral("Warning"), QStringLiteral("Создан файл ") + path);
    state.KitFileName = path;
    return NewKitOutcome::Created;
}

} // namespace sarvel
