#include "Words.h"

#include "RtfReader.h"
#include "TimedWords.h"
#include "WordsZoom.h"

#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>

namespace sarvel {

void loadWords(QTextEdit& pane, const QString& path) {
    // A fresh document handed over whole: filling the shown one would lay the text out line by line.
    auto* words = new QTextDocument(&pane);
    words->setDefaultFont(pane.document()->defaultFont());
    words->setDefaultStyleSheet(pane.document()->defaultStyleSheet());
    try {
        RtfReader::readFile(path, *words);
        WordsZoom::prepare(pane, *words);
    } catch (...) {
        delete words;
        throw;
    }
    SungMarks::of(pane).showWords(words);
}

} // namespace sarvel
