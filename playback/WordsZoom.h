#pragma once

#include <QFont>
#include <QObject>

#include <functional>

class QTextCharFormat;
class QTextDocument;
class QTextEdit;

namespace sarvel {

// Merges into every piece of `words` (each block's own character format and each run of text) the
// format `change` makes from the piece's; `change` returns false to leave a piece as it is. Not an
// edit: the undo history and the modified flag stay as they were.
void changeCharFormats(QTextDocument& words,
                       const std::function<bool(const QTextCharFormat& from, QTextCharFormat& to)>& change);

// The words pane's zoom: Ctrl+Plus, Ctrl+Minus, Ctrl+0 and Ctrl+wheel over the pane. Every size
// in the words scales by the same factor, so the sizes an RTF file gives keep their proportions,
// and words loaded later come in at the zoom the pane has.
class WordsZoom : public QObject {
public:
    static constexpr int kMinStep = -5; // half size
    static constexpr int kMaxStep = 30; // four times

    // Takes the pane's current font as the unzoomed one.
    explicit WordsZoom(QTextEdit& pane);

    int step() const { return step_; }
    void setStep(int step);
    // A new unzoomed font for the pane, the zoom kept.
    void setBaseFont(const QFont& font);
    // Scales the pane's words so that most of their text comes to `pixels` before the zoom, every
    // other size in proportion: how the stage fits any words to its screen.
    void fitBody(double pixels);

    // Scales a document about to be shown in the pane to the pane's zoom.
    static void prepare(QTextEdit& pane, QTextDocument& words);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(QTextDocument& words) const;

    QTextEdit& pane_;
    QFont baseFont_;
    int step_ = 0;
    double scale_ = 1.0;
};

} // namespace sarvel
