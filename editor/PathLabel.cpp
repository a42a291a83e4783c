#include "PathLabel.h"

#include <QFontMetrics>
#include <algorithm>

namespace sarvel::editorui {

namespace {

const QString kEllipsis = QStringLiteral(u"\u2026");

// The path cut in the middle of its folders to fit `width`; only a file name too long for the
// width itself is cut at its start.
QString elidedPath(const QString& path, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString fileName = path.sliced(std::max<qsizetype>(separator, 0));
    const int room = width - metrics.horizontalAdvance(fileName);
    if (separator <= 0 || room < metrics.horizontalAdvance(kEllipsis) * 3)
        return metrics.elidedText(path, Qt::ElideLeft, width);
    return metrics.elidedText(path.first(separator), Qt::ElideMiddle, room) + fileName;
}

} // namespace

PathLabel::PathLabel(const QString& path, QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setPath(path);
}

void PathLabel::setPath(const QString& path) {
    path_ = path;
    setToolTip(path);
    setAccessibleDescription(path);
    elide();
}

QSize PathLabel::sizeHint() const {
    return minimumSizeHint();
}

QSize PathLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(kEllipsis) * 8, QLabel::minimumSizeHint().height()};
}

void PathLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void PathLabel::elide() {
    setText(elidedPath(path_, fontMetrics(), contentsRect().width()));
}

} // namespace sarvel::editorui
