#include "ButtonSave.h"

#include "DataFolder.h"
#include "IniFile.h"
#include "Prompts.h"

namespace sarvel {

namespace {

const QString kNone = QStringLiteral("-");
const QString kWarning = QStringLiteral("Warning");

// A file entry by the none-marker rule. Returns the path when it was written as an existing file.
std::optional<QString> writeFileEntry(IniFile& kit, const QString& section, const QString& key,
                                      const QString& value, const QString& warning, Prompts& prompts) {
    if (value == kNone) {
        kit.writeString(section, key, kNone);
        return std::nullopt;
    }
    if (namesExistingFile(value)) {
        kit.writeString(section, key, value);
        return value;
    }
    prompts.message(kWarning, warning);
    return std::nullopt;
}

} // namespace

SavedSongFiles saveSongButton(const QString& kitPath, const QString& section, const SongButtonEdit& edit,
                              Prompts& prompts) {
    IniFile kit = IniFile::forWriting(kitPath);
    const QString n = QString::number(edit.number);
    kit.writeString(section, "Button" + n, edit.caption);
    SavedSongFiles saved;
    saved.text = writeFileEntry(kit, section, "Text" + n, edit.text,
                                QStringLiteral("Файл RTF не инициализирован! "), prompts);
    saved.song = writeFileEntry(kit, section, "Song" + n, edit.song,
                                QStringLiteral("Файл Wav не инициализирован! "), prompts);
    saved.icon = writeFileEntry(kit, section, "Icon" + n, edit.icon,
                                QStringLiteral("Файл Ico не инициализирован! "), prompts);
    kit.writeInt(section, "Vol" + n, edit.volume);
    if (edit.key)
        kit.writeInt(section, "Key" + n, *edit.key);
    if (edit.tempo)
        kit.writeInt(section, "Tempo" + n, *edit.tempo);
    kit.save();
    return saved;
}

std::optional<QString> saveTemaButton(const QString& kitPath, int tema, const QString& caption,
                                      const QString& icon, Prompts& prompts) {
    static const QString section = QStringLiteral("TemaArtist");
    IniFile kit = IniFile::forWriting(kitPath);
    const QString t = QString::number(tema);
    kit.writeString(section, "Button" + t, caption);
    // The third word starts with a Latin n, as the message has always been written.
    const auto saved = writeFileEntry(kit, section, "Icon" + t, icon,
                                      QStringLiteral(u"Файла Ico n\u0435 существует "), prompts);
    kit.save();
    return saved;
}

} // namespace sarvel
