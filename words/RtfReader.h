#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace sarvel {

// The words of a song: RTF as word processors write it, read into a QTextDocument with its
// paragraphs, alignment and character formatting. A file that is not RTF is shown as plain text,
// UTF-8 when it is valid UTF-8, otherwise Windows-1251. Damaged or hostile files never fail:
// they show whatever text can be recovered.
class RtfReader {
public:
    static constexpr qint64 maxFileSize = 64 * 1024 * 1024;

    // Replaces the content of doc with the words in bytes. For a pane on screen, read into a new
    // document and give it to the pane with QTextEdit::setDocument(): filling the document a
    // QTextEdit shows drags its cursor to the end, which makes it lay out the whole text at once
    // (about three times slower for a large file).
    static void read(const QByteArray& bytes, QTextDocument& doc);

    // Same for a file. Throws std::runtime_error, leaving doc as it was, when the file cannot be read.
    static void readFile(const QString& path, QTextDocument& doc);

    // True when bytes start with "{\rtf", after an optional UTF-8 byte order mark and white space.
    static bool isRtf(const QByteArray& bytes);

    // The plain-text reading of bytes that are not RTF.
    static QString plainText(const QByteArray& bytes);
};

} // namespace sarvel
