#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QTextEdit;

namespace sarvel {

class WordsZoom;

// The words full screen for the stage: the pane's words with their own bold, italics, alignment
// and sizes, recoloured light on dark and sized so about ten lines fill the screen; the pane's marks
// repeated, the sung line kept in the upper third with the next lines below; the song's caption and
// the time left in a corner. It shows on the second screen when there is one. Keys other than Esc,
// F11 and the zoom keys go on to the main window, so Space and the timing keys still work.
//
// It only draws what it is told: the marks as SungMarks changes them, the words again when the
// pane's change (coalesced, never on the marks' tick), the corner when the window says the time
// labels changed.
class StageView : public QWidget {
public:
    // `pane` is the words pane it follows; `caption` and `timeLeft` are the labels it repeats;
    // `keys` receives the keys it does not use itself.
    StageView(QTextEdit& pane, QLabel& caption, QLabel& timeLeft, QWidget& keys);

    void toggle();
    void enter();
    QTextEdit* words() const { return words_; }
    WordsZoom& zoom() const { return *zoom_; }
    // The caption or the time left changed.
    void showCorner();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void copyWords();
    void showMarks();

    QTextEdit& pane_;
    QLabel& caption_;
    QLabel& timeLeft_;
    QWidget& keys_;
    QTextEdit* words_ = nullptr;
    QLabel* corner_ = nullptr;
    WordsZoom* zoom_ = nullptr;
    QTimer recopy_;
    bool stale_ = true;      // the pane's words changed since they were copied
    double bodyPixels_ = 48; // the size most of the words are shown at before the zoom
};

} // namespace sarvel
