#include "RtfReader.h"

#include "RtfCodePages.h"
#include "RtfParser.h"

#include <QFile>
#include <QStringDecoder>
#include <QTextDocument>

#include <stdexcept>
#include <string_view>

namespace sarvel {

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

// Offset of the first byte after an optional UTF-8 byte order mark and white space.
qsizetype contentStart(const QByteArray& bytes) {
    const std::string_view v(bytes.constData(), std::size_t(bytes.size()));
    std::size_t i = v.starts_with(utf8Bom) ? utf8Bom.size() : 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\t' || v[i] == '\r' || v[i] == '\n'))
        ++i;
    return qsizetype(i);
}

// Undo history is of no use for loaded words and would double the memory a large file takes.
class UndoPause {
public:
    explicit UndoPause(QTextDocument& doc) : doc_(doc), was_(doc.isUndoRedoEnabled()) {
        doc_.setUndoRedoEnabled(false);
    }
    ~UndoPause() { doc_.setUndoRedoEnabled(was_); }
    UndoPause(const UndoPause&) = delete;
    UndoPause& operator=(const UndoPause&) = delete;

private:
    QTextDocument& doc_;
    bool was_;
};

} // namespace

bool RtfReader::isRtf(const QByteArray& bytes) {
    return QByteArrayView(bytes).sliced(contentStart(bytes)).startsWith("{\\rtf");
}

QString RtfReader::plainText(const QByteArray& bytes) {
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto utf16 = QStringDecoder(QStringConverter::Utf16, QStringConverter::Flag::Stateless);
        text = utf16(bytes);
    } else {
        text = decodeUtf8OrCp1251(bytes);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (text.endsWith(QLatin1Char('\n'))) // like the trailing paragraph marks of RTF
        text.chop(1);
    return text;
}

void RtfReader::read(const QByteArray& bytes, QTextDocument& doc) {
    UndoPause pause(doc);
    if (!isRtf(bytes)) {
        doc.setPlainText(plainText(bytes));
        return;
    }
    doc.clear();
    const qsizetype start = contentStart(bytes);
    RtfParser(std::string_view(bytes.constData() + start, std::size_t(bytes.size() - start)), doc).run();
}

void RtfReader::readFile(const QString& path, QTextDocument& doc) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(("Cannot open file " + path).toStdString());
    if (file.size() > maxFileSize)
        throw std::runtime_error(("File is too large: " + path).toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(("Cannot read file " + path).toStdString());
    read(bytes, doc);
}

} // namespace sarvel
