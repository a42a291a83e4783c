#include "NewKit.h"

#include "DataFolder.h"
#include "IniFile.h"
#include "Prompts.h"
#include "SelectionState.h"

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

} // namespace

NewKitOutcome createKitFile(const QString& typed, SelectionState& state, Prompts& prompts) {
    const QString path = fromStoredPath(typed.trimmed());
    const QFileInfo info(path);
    // A folder or a name without a file part would be written as something else than a kit.
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')) || info.isDir())
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
