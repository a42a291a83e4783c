#include "WordsZoom.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <map>

namespace sarvel {

namespace {

const char* const kName = "wordsZoom";
// The unscaled sizes ride along in the formats, so scaling again starts from them and never drifts.
constexpr int kBasePointSize = QTextFormat::UserProperty + 0x5A00;
constexpr int kBasePixelSize = kBasePointSize + 1;

double factorOf(int step) {
    return 1.0 + step / 10.0;
}

// The scaled sizes for a format, or nothing when it names no size of its own.
bool scaled(const QTextCharFormat& from, double factor, QTextCharFormat& to) {
    bool any = false;
    if (from.hasProperty(QTextFormat::FontPointSize) || from.hasProperty(kBasePointSize)) {
        const double base =
            from.hasProperty(kBasePointSize) ? from.doubleProperty(kBasePointSize) : from.fontPointSize();
        to.setProperty(kBasePointSize, base);
        to.setFontPointSize(base * factor);
        any = true;
    }
    if (from.hasProperty(QTextFormat::FontPixelSize) || from.hasProperty(kBasePixelSize)) {
        const int base = from.hasProperty(kBasePixelSize) ? from.intProperty(kBasePixelSize)
                                                          : from.intProperty(QTextFormat::FontPixelSize);
        to.setProperty(kBasePixelSize, base);
        to.setProperty(QTextFormat::FontPixelSize, std::max(1, int(std::lround(base * factor))));
        any = true;
    }
    return any;
}

} // namespace

WordsZoom::WordsZoom(QTextEdit& pane)
    : QObject(&pane), pane_(pane), baseFont_(pane.document()->defaultFont()) {
    setObjectName(QString::fromLatin1(kName));
    pane.installEventFilter(this);
    pane.viewport()->installEventFilter(this);
}

void WordsZoom::setStep(int step) {
    step = std::clamp(step, kMinStep, kMaxStep);
    if (step == step_)
        return;
    step_ = step;
    apply(*pane_.document());
}

void WordsZoom::setBaseFont(const QFont& font) {
    baseFont_ = font;
    apply(*pane_.document());
}

void WordsZoom::fitBody(double pixels) {
    // The size most characters have, unscaled, in pixels.
    const double pixelsPerPoint = pane_.logicalDpiY() / 72.0;
    const double plain =
        baseFont_.pixelSize() > 0 ? baseFont_.pixelSize() : baseFont_.pointSizeF() * pixelsPerPoint;
    std::map<long, int> characters; // by tenths of a pixel
    const QTextDocument& words = *pane_.document();
    for (QTextBlock block = words.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            double size = plain;
            if (f.hasProperty(kBasePixelSize))
                size = f.intProperty(kBasePixelSize);
            else if (f.hasProperty(kBasePointSize))
                size = f.doubleProperty(kBasePointSize) * pixelsPerPoint;
            else if (f.hasProperty(QTextFormat::FontPixelSize))
                size = f.intProperty(QTextFormat::FontPixelSize);
            else if (f.hasProperty(QTextFormat::FontPointSize))
                size = f.fontPointSize() * pixelsPerPoint;
            characters[std::lround(size * 10)] += it.fragment().length();
        }
    double body = plain;
    int most = 0;
    for (const auto& [tenths, count] : characters)
        if (count > most) {
            most = count;
            body = tenths / 10.0;
        }
    scale_ = body > 0 ? pixels / body : 1.0;
    apply(*pane_.document());
}

void WordsZoom::prepare(QTextEdit& pane, QTextDocument& words) {
    if (auto* zoom = dynamic_cast<WordsZoom*>(pane.findChild<QObject*>(QString::fromLatin1(kName))))
        zoom->apply(words);
}

void WordsZoom::apply(QTextDocument& words) const {
    const double factor = scale_ * factorOf(step_);
    // Text without a size of its own takes the document's font, the pane's own scaled.
    QFont font = baseFont_;
    if (baseFont_.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(std::lround(baseFont_.pixelSize() * factor))));
    else
        font.setPointSizeF(baseFont_.pointSizeF() * factor);

    // Scaling is not an edit: it stays out of the undo history and the modified flag.
    const bool undo = words.isUndoRedoEnabled();
    const bool modified = words.isModified();
    words.setUndoRedoEnabled(false);
    words.setDefaultFont(font);
    words.setUndoRedoEnabled(undo);
    words.setModified(modified);
    changeCharFormats(words, [factor](const QTextCharFormat& from, QTextCharFormat& to) {
        return scaled(from, factor, to);
    });
}

void changeCharFormats(QTextDocument& words,
                       const std::function<bool(const QTextCharFormat& from, QTextCharFormat& to)>& change) {
    const bool undo = words.isUndoRedoEnabled();
    const bool modified = words.isModified();
    words.setUndoRedoEnabled(false);
    QTextCursor cursor(&words);
    cursor.beginEditBlock();
    for (QTextBlock block = words.begin(); block.isValid(); block = block.next()) {
        QTextCharFormat blockFormat;
        if (change(block.charFormat(), blockFormat)) {
            cursor.setPosition(block.position());
            cursor.mergeBlockCharFormat(blockFormat);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format;
            if (!fragment.isValid() || !change(fragment.charFormat(), format))
                continue;
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(format);
        }
    }
    cursor.endEditBlock();
    words.setUndoRedoEnabled(undo);
    words.setModified(modified);
}

bool WordsZoom::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched == pane_.viewport()) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            return false;
        const int delta = wheel->angleDelta().y();
        if (delta != 0)
            setStep(step_ + (delta > 0 ? 1 : -1));
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == &pane_) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & Qt::ControlModifier))
            return false;
        switch (key->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            setStep(step_ + 1);
            return true;
        case Qt::Key_Minus:
            setStep(step_ - 1);
            return true;
        case Qt::Key_0:
            setStep(0);
            return true;
        default:
            return false;
        }
    }
    return false;
}

} // namespace sarvel
