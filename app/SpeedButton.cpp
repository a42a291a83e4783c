#include "SpeedButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace sarvel {

namespace {
constexpr int kMargin = 1;  // glyph from the left edge
constexpr int kSpacing = 2; // glyph to caption
} // namespace

SpeedButton::SpeedButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCheckable(true);
}

void SpeedButton::setGlyph(const QImage& image) {
    QPixmap pixmap = QPixmap::fromImage(image);
    if (!image.isNull() && !image.hasAlphaChannel()) {
        const QRgb key = image.pixel(0, image.height() - 1);
        pixmap.setMask(pixmap.createMaskFromColor(QColor::fromRgb(key), Qt::MaskInColor));
    }
    glyph_ = pixmap;
    update();
}

void SpeedButton::setCaptionColor(const QColor& color) {
    captionColor_ = color;
    update();
}

QSize SpeedButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {kMargin + glyph_.width() + kSpacing + fm.horizontalAdvance(text()) + 6,
            std::max(glyph_.height(), fm.height()) + 6};
}

void SpeedButton::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event->button());
    QAbstractButton::mousePressEvent(event); // handles only the left button
}

void SpeedButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown() || isChecked())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    if (isChecked())
        option.state |= QStyle::State_On;
    p.drawControl(QStyle::CE_PushButtonBevel, option);

    const int shift = (isDown() || isChecked()) ? 1 : 0;
    int x = kMargin + shift;
    if (!glyph_.isNull()) {
        const QSize size = glyph_.deviceIndependentSize().toSize();
        p.drawPixmap(x, (height() - size.height()) / 2 + shift, glyph_);
        x += size.width() + kSpacing;
    }
    if (!text().isEmpty()) {
        if (captionColor_.isValid())
            p.setPen(isEnabled() ? captionColor_ : palette().color(QPalette::Disabled, QPalette::ButtonText));
        const QRect textRect(x, shift, width() - x - 2, height());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
    }
}

} // namespace sarvel
