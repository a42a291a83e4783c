#include "EditorWidgets.h"
#include "PathLabel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>

namespace sarvel::editorui {

namespace {

const QString kPreviewHint =
    QStringLiteral("Левая кнопка мыши запускает Song, Правая кнопка обновляет данные о Song");

} // namespace

QToolButton* speedButton(QWidget* parent, const char* name, const QString& caption, const QIcon& icon,
                         const QRect& geometry, const QString& purpose) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setIcon(icon);
    b->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextBesideIcon);
    b->setFocusPolicy(Qt::NoFocus);
    b->setGeometry(geometry);
    b->setMinimumSize(geometry.size()); // as designed, or larger where the caption needs it
    b->setAccessibleName(caption);
    b->setAccessibleDescription(purpose);
    return b;
}

QToolButton* previewButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    b->setToolTip(kPreviewHint);
    b->setAccessibleDescription(kPreviewHint);
    b->setGeometry(geometry);
    b->setMinimumSize(geometry.size());
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return b;
}

PathLabel* pathLabel(QWidget* parent, const char* name, int left, int top) {
    auto* l = new PathLabel(QString::fromLatin1(name), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(left, top);
    return l;
}

QLineEdit* editBox(QWidget* parent, const char* name, const QString& accessible, const QRect& geometry,
                   int pointSize) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(accessible);
    e->setGeometry(geometry);
    QFont f = e->font();
    f.setPointSize(pointSize);
    e->setFont(f);
    return e;
}

QPushButton* dialogButton(QWidget* parent, const char* name, const QString& caption,
                          QStyle::StandardPixmap icon, const QRect& geometry) {
    auto* b = new QPushButton(parent->style()->standardIcon(icon), caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(caption);
    b->setGeometry(geometry);
    b->setMinimumSize(geometry.size());
    b->setAutoDefault(false); // Enter belongs to OK alone
    return b;
}

namespace {

// A shift up or down reads with its sign, as musicians write it: +2, 0, -3.
class ShiftSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int value) const override {
        return value > 0 ? QLatin1Char('+') + QString::number(value) : QString::number(value);
    }
};

} // namespace

QSpinBox* spinEdit(QWidget* parent, const char* name, QLabel* label, const QString& purpose, int min, int max,
                   int value) {
    auto* s = min < 0 ? new ShiftSpinBox(parent) : new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setValue(value);
    // The box's edit field is what takes the focus, so it carries the name as well.
    QWidget* const named[] = {s, s->findChild<QLineEdit*>()};
    for (QWidget* w : named) {
        w->setAccessibleName(label->text());
        w->setAccessibleDescription(purpose);
    }
    label->setBuddy(s);
    return s;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title, const QRect& geometry) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setGeometry(geometry);
    return g;
}

} // namespace sarvel::editorui
