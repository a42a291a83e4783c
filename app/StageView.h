#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QTextEdit;

namespace sarvel {

class WordsZoom;

// The words full screen for the stage: light on dark in large type, the line the words pane marks
// marked here too and kept in the upper third with the next lines below, the song's caption and
// the time left in a corner. It shows on the second screen when there is one. Keys other than
// Esc, F11 and the zoom keys go on to the main window, so Space and the timing keys still work.
class StageView : public QWidget {
public:
    // `pane` is the words pane it follows; `caption` and `timeLeft` are the labels it repeats;
    // `keys` receives the keys it does not use itself.
    StageView(QTextEdit& pane, QLabel& caption, QLabel& timeLeft, QWidget& keys);

    void toggle();
    void enter();
    QTextEdit* words() const { return words_; }
    WordsZoom& zoom() const { return *zoom_; }
    // Brings the copy in line with the pane: its text when it changed, the marked line, the corner.
    void follow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTextEdit& pane_;
    QLabel& caption_;
    QLabel& timeLeft_;
    QWidget& keys_;
    QTextEdit* words_ = nullptr;
    QLabel* corner_ = nullptr;
    WordsZoom* zoom_ = nullptr;
    QTimer follower_;
    QString shownText_;
    int markedBlock_ = -2;
};

} // namespace sarvel
