#pragma once

#include <QTextCursor>

class QString;
class QTextBlockFormat;
class QTextCharFormat;
class QTextDocument;

namespace sarvel {

// Writes runs of text and paragraph ends into a document inside one edit block, so the document
// (and any view on it) sees a single change. Paragraph marks after the last text are dropped: the
// final \par every producer writes (some write several) would otherwise leave empty lines under the
// words.
class RtfDocumentBuilder {
public:
    explicit RtfDocumentBuilder(QTextDocument& doc);
    ~RtfDocumentBuilder();
    RtfDocumentBuilder(const RtfDocumentBuilder&) = delete;
    RtfDocumentBuilder& operator=(const RtfDocumentBuilder&) = delete;

    // Beyond this many paragraphs each new one costs Qt more and more; no song has that many.
    static constexpr int maxParagraphs = 100000;

    void insertText(const QString& text, const QTextCharFormat& format);
    // Ends the current paragraph, which takes format.
    void endParagraph(const QTextBlockFormat& format);
    // Ends the document; format belongs to a last paragraph that has no mark of its own.
    void finish(const QTextBlockFormat& format);

    bool full() const { return paragraphs_ + pendingBreaks_ >= maxParagraphs; }

private:
    void openPendingParagraphs();

    QTextCursor cursor_;
    int paragraphs_ = 1;
    int pendingBreaks_ = 0;
    bool finished_ = false;
};

} // namespace sarvel
