#include "RtfDocumentBuilder.h"

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>

namespace sarvel {

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument& doc) : cursor_(&doc) {
    cursor_.beginEditBlock();
}

RtfDocumentBuilder::~RtfDocumentBuilder() {
    if (!finished_)
        cursor_.endEditBlock();
}

void RtfDocumentBuilder::openPendingParagraphs() {
    for (; pendingBreaks_ > 0; --pendingBreaks_, ++paragraphs_)
        cursor_.insertBlock();
}

void RtfDocumentBuilder::insertText(const QString& text, const QTextCharFormat& format) {
    if (text.isEmpty())
        return;
    openPendingParagraphs();
    cursor_.insertText(text, format);
}

void RtfDocumentBuilder::endParagraph(const QTextBlockFormat& format) {
    // Empty paragraphs in a row stay counted until text follows; they take the format of the
    // paragraph before them, which shows the same for a line with nothing on it.
    if (pendingBreaks_ == 0)
        cursor_.setBlockFormat(format);
    ++pendingBreaks_;
}

void RtfDocumentBuilder::finish(const QTextBlockFormat& format) {
    if (finished_)
        return;
    if (pendingBreaks_ == 0)
        cursor_.setBlockFormat(format);
    pendingBreaks_ = 0;
    cursor_.endEditBlock();
    finished_ = true;
}

} // namespace sarvel
