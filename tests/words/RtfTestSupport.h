#pragma once

#include "RtfReader.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace sarvel::test {

// The document's paragraphs joined by '\n', keeping the characters toPlainText() rewrites
// (no-break space, line separator).
inline QString words(const QTextDocument& doc) {
    QStringList lines;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines.join('\n');
}

inline QString readWords(const QByteArray& rtf) {
    QTextDocument doc;
    RtfReader::read(rtf, doc);
    return words(doc);
}

// Character format of the first occurrence of fragment; fails the test when the fragment is
// missing or not uniformly formatted.
inline QTextCharFormat formatOf(const QTextDocument& doc, const QString& fragment) {
    const QString raw = doc.toRawText();
    const qsizetype at = raw.indexOf(fragment);
    if (at < 0) {
        ADD_FAILURE() << "fragment not found: " << fragment.toStdString();
        return {};
    }
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(int(at) + 1);
    const QTextCharFormat first = c.charFormat();
    for (qsizetype i = 2; i <= fragment.size(); ++i) {
        c.setPosition(int(at + i));
        if (c.charFormat() != first) {
            ADD_FAILURE() << "fragment has mixed formats: " << fragment.toStdString();
            break;
        }
    }
    return first;
}

inline QTextBlock blockOf(const QTextDocument& doc, const QString& fragment) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.text().contains(fragment))
            return b;
    ADD_FAILURE() << "no paragraph holds: " << fragment.toStdString();
    return {};
}

inline Qt::Alignment alignmentOf(const QTextDocument& doc, const QString& fragment) {
    return blockOf(doc, fragment).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

inline bool isBold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::Bold;
}

} // namespace sarvel::test
