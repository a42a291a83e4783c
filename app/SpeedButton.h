#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace sarvel {

// A button that takes no keyboard focus and shows a glyph at its left followed by its caption,
// like the kit's theme and song buttons always have. Reports every mouse press with its button,
// so a right click can edit the button without pressing it.
class SpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SpeedButton(QWidget* parent = nullptr);

    // The bitmap's bottom-left pixel colour is treated as transparent, as kit icons expect.
    void setGlyph(const QImage& image);
    const QPixmap& glyph() const { return glyph_; }
    void setCaptionColor(const QColor& color);

    QSize sizeHint() const override;

signals:
    void mouseDown(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap glyph_;
    QColor captionColor_;
};

} // namespace sarvel
