#pragma once

#include <QImage>
#include <QString>

namespace sarvel {

struct SelectionState;

constexpr int kSongButtons = 50;
constexpr int kTemaButtons = 20;
constexpr int kSongRows = 13;
constexpr int kSongColumns = 4;
constexpr int kTemaRows = 4;
constexpr int kTemaColumns = 5;

// Number of the song button in a cell of the 4 × 13 grid (row and column from 1), 0 for an empty cell.
int songNumberAt(int row, int column);
// Number of the theme button in a cell of the 5 × 4 grid: numbered down the columns.
int temaNumberAt(int row, int column);

// Kit section of theme T: "Section" + T.
QString sectionName(int tema);

// Loads a button glyph from a Windows bitmap. Raises "Cannot open file <path>" when the file
// can't be opened and "Bitmap image is not valid" when it is not a readable bitmap.
QImage loadGlyph(const QString& path);

// The buttons the fills write to; the main window implements it with real buttons.
class GridView {
public:
    virtual ~GridView() = default;
    virtual void setSongCaption(int number, const QString& caption) = 0;
    virtual void setSongGlyph(int number, const QImage& glyph) = 0;
    virtual void setTemaCaption(int number, const QString& caption) = 0;
    virtual void setTemaGlyph(int number, const QImage& glyph) = 0;
    // Presses a song button from code (releasing the others) without launching it.
    virtual void pressSong(int number) = 0;
};

// Song fill: all 50 captions of CurrentSection first, then all 50 icons. A glyph that fails to load
// stops the fill there with its error; what was set before stays set.
void ReturnNameButtonSong(GridView& view, const SelectionState& state);
// Theme fill: for each theme, its icon then its caption, button by button.
void ReturnNameButtonTema(GridView& view, const SelectionState& state);
// Makes theme T current, refills the song buttons and presses song button 1.
void JobTema(int tema, GridView& view, SelectionState& state);

} // namespace sarvel
