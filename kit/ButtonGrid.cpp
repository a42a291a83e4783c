#include "ButtonGrid.h"

#include "DataFolder.h"
#include "IniFile.h"
#include "SelectionState.h"

#include <QFile>
#include <QImageReader>
#include <array>
#include <stdexcept>

namespace sarvel {

namespace {

// Song numbers by row, column. Column 2 runs 18..20 upwards in rows 8..10, and the last three
// rows hold 41..50 in the order the kits have always used.
constexpr std::array<std::array<int, kSongColumns>, kSongRows> kSongGrid = {{
    {1, 11, 21, 31},
    {2, 12, 22, 32},
    {3, 13, 23, 33},
    {4, 14, 24, 34},
    {5, 15, 25, 35},
    {6, 16, 26, 36},
    {7, 17, 27, 37},
    {8, 20, 28, 38},
    {9, 19, 29, 39},
    {10, 18, 30, 40},
    {48, 41, 43, 45},
    {50, 42, 44, 46},
    {49, 0, 0, 47},
}};

const QString kTemaArtist = QStringLiteral("TemaArtist");
const QString kNone = QStringLiteral("-");

QImage glyphOrPlaceholder(const QString& stored, const QString& placeholder) {
    return loadGlyph(namesExistingFile(stored) ? fromStoredPath(stored) : placeholder);
}

} // namespace

int songNumberAt(int row, int column) {
    if (row < 1 || row > kSongRows || column < 1 || column > kSongColumns)
        return 0;
    return kSongGrid[row - 1][column - 1];
}

int temaNumberAt(int row, int column) {
    if (row < 1 || row > kTemaRows || column < 1 || column > kTemaColumns)
        return 0;
    return kTemaRows * (column - 1) + row;
}

QString sectionName(int tema) { return QStringLiteral("Section") + QString::number(tema); }

QImage loadGlyph(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(("Cannot open file " + path).toStdString());
    QImageReader reader(&file, "bmp");
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error("Bitmap image is not valid");
    return image;
}

void ReturnNameButtonSong(GridView& view, const SelectionState& state) {
    const QString section = state.CurrentSection;
    const IniFile kit(state.KitFileName);
    for (int n = 1; n <= kSongButtons; ++n)
        view.setSongCaption(
            n, kit.readString(section, "Button" + QString::number(n), "Song-" + QString::number(n)));
    const QString placeholder = dataPath(QStringLiteral("NoIcoS.bmp"));
    for (int n = 1; n <= kSongButtons; ++n)
        view.setSongGlyph(n, glyphOrPlaceholder(kit.readString(section, "Icon" + QString::number(n), kNone),
                                                placeholder));
}

void ReturnNameButtonTema(GridView& view, const SelectionState& state) {
    const IniFile kit(state.KitFileName);
    const QString placeholder = dataPath(QStringLiteral("NoIcoT.bmp"));
    for (int t = 1; t <= kTemaButtons; ++t) {
        const QString number = QString::number(t);
        view.setTemaGlyph(t, glyphOrPlaceholder(kit.readString(kTemaArtist, "Icon" + number, kNone), placeholder));
        view.setTemaCaption(t, kit.readString(kTemaArtist, "Button" + number, "Artist-" + number));
    }
}

void JobTema(int tema, GridView& view, SelectionState& state) {
    state.TemaNumber = tema;
    state.CurrentSection = sectionName(tema);
    ReturnNameButtonSong(view, state);
    view.pressSong(1);
}

} // namespace sarvel
