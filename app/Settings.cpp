#include "Settings.h"

#include "DataFolder.h"
#include "IniFile.h"
#include "SelectionState.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace sarvel {

namespace {
const QString kColors = QStringLiteral("COLORS");
const QString kLastUserFile = QStringLiteral("LastUserFile");
const QString kNameFile = QStringLiteral("NameFile");
const QString kWords = QStringLiteral("Words");
const QString kZoom = QStringLiteral("Zoom");
const QString kStageZoom = QStringLiteral("StageZoom");
// The configuration folder is made on the first write; the settings file itself follows the
// profile rules, which refuse a missing folder.
IniFile openForWriting() {
    QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
    return IniFile::forWriting(settingsPath());
}
} // namespace

std::uint8_t colourByte(int stored) {
    return static_cast<std::uint8_t>(std::clamp(stored, 0, 255));
}

StoredSettings readSettings() {
    const IniFile ini(settingsPath());
    StoredSettings s;
    s.red = colourByte(ini.readInt(kColors, QStringLiteral("Red"), 1));
    s.green = colourByte(ini.readInt(kColors, QStringLiteral("Green"), 2));
    s.blue = colourByte(ini.readInt(kColors, QStringLiteral("Blue"), 3));
    s.kitFile = fromStoredPath(ini.readString(kLastUserFile, kNameFile, defaultKitPath()));
    s.checkBoxNoTxt =
        ini.readString(QStringLiteral("OptionS"), QStringLiteral("CheckBoxNoTxt"), QStringLiteral("-"));
    s.wordsZoom = ini.readInt(kWords, kZoom, 0);
    s.stageZoom = ini.readInt(kWords, kStageZoom, 0);
    return s;
}

void writeSettingsAtExit(const SelectionState& state, int wordsZoom, int stageZoom) {
    IniFile ini = openForWriting();
    ini.writeInt(kColors, QStringLiteral("Red"), state.ColorRed);
    ini.writeInt(kColors, QStringLiteral("Green"), state.ColorGreen);
    ini.writeInt(kColors, QStringLiteral("Blue"), state.ColorBlue);
    if (QFileInfo(state.KitFileName).isFile())
        ini.writeString(kLastUserFile, kNameFile, state.KitFileName);
    // A pane never zoomed adds nothing to the file.
    if (ini.readInt(kWords, kZoom, 0) != wordsZoom)
        ini.writeInt(kWords, kZoom, wordsZoom);
    if (ini.readInt(kWords, kStageZoom, 0) != stageZoom)
        ini.writeInt(kWords, kStageZoom, stageZoom);
    ini.save();
}

void writeCheckBoxNoTxt(bool on) {
    IniFile ini = openForWriting();
    ini.writeString(QStringLiteral("OptionS"), QStringLiteral("CheckBoxNoTxt"),
                    on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    ini.save();
}

} // namespace sarvel
