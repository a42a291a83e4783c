#include "Words.h"

#include "RtfReader.h"
#include "TimedWords.h"
#include "WordsZoom.h"

#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>

#include <exception>

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

void warmUpWords(const QTextEdit& pane) noexcept {
    try {
        QTextDocument words;
        words.setDefaultFont(pane.document()->defaultFont());
        words.setDefaultStyleSheet(pane.document()->defaultStyleSheet());
        // The two faces word processors on Windows start a document in, with Cyrillic.
        RtfReader::read(
            "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1\\fcharset204 Times "
            "New Roman;}}\\f0\\fs28 {\\b \\'d1\\'eb\\'ee\\'e2\\'e0} words\\par\\f1 {\\i "
            "\\'d1\\'eb\\'ee\\'e2\\'e0} words\\par}",
            words);
        words.setTextWidth(pane.viewport()->width());
        words.size(); // lays it out
    } catch (const std::exception&) {
        // Nothing lost: the first song's words take their usual time.
    }
}

} // namespace sarvel
