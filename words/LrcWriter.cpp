#include "LrcWriter.h"

#include <algorithm>

namespace sarvel {

namespace {

QByteArray offsetTag(std::int64_t offset) {
    return "[offset:" + QByteArray(offset >= 0 ? "+" : "") + QByteArray::number(qint64(offset)) + "]";
}

QByteArray timeTag(std::int64_t ms) {
    const std::int64_t hundredths = (std::max<std::int64_t>(ms, 0) + 5) / 10;
    return QStringLiteral("[%1:%2.%3]")
        .arg(hundredths / 6000, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

} // namespace

QByteArray formatLrc(const std::vector<TimedLine>& lines, std::int64_t offset) {
    QByteArray out;
    if (offset != 0)
        out += offsetTag(offset) + '\n';
    for (const TimedLine& line : lines) {
        // A line break inside the words would end the timing line early.
        QString text = line.text;
        text.replace(u'\r', u' ').replace(u'\n', u' ');
        out += timeTag(line.time) + text.toUtf8() + '\n';
    }
    return out;
}

QByteArray withLrcOffset(const QByteArray& bytes, std::int64_t offset) {
    // The file's own encoding and line ends are kept: only ASCII is looked at and written.
    const QByteArray eol = bytes.contains("\r\n") ? "\r\n" : "\n";
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', from);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.mid(from, end - from).trimmed();
        if (line.toLower().startsWith("[offset:") && line.endsWith(']')) {
            QByteArray out = bytes;
            const qsizetype start = bytes.indexOf('[', from);
            out.replace(start, bytes.indexOf(']', start) + 1 - start, offsetTag(offset));
            return out;
        }
        from = end + 1;
    }
    return offsetTag(offset) + eol + bytes;
}

} // namespace sarvel
