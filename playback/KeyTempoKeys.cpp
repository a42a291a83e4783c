#include "KeyTempoKeys.h"

#include "MediaPlayer.h"

#include <QKeyEvent>
#include <QLabel>

namespace sarvel {

KeyTempoKeys::KeyTempoKeys(MediaPlayer& player, QLabel& label) : player_(player), label_(label) {
    label_.hide();
}

void KeyTempoKeys::setSong(const KeyTempo& stored) {
    stored_ = stored;
    apply(stored);
}

bool KeyTempoKeys::key(const QKeyEvent& event) {
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return false;
    KeyTempo next = live_;
    switch (event.key()) {
    case Qt::Key_Up:
        next.key = KeyTempo::clampKey(next.key + 1);
        break;
    case Qt::Key_Down:
        next.key = KeyTempo::clampKey(next.key - 1);
        break;
    case Qt::Key_Right:
        next.tempo = KeyTempo::clampTempo(next.tempo + kTempoStep);
        break;
    case Qt::Key_Left:
        next.tempo = KeyTempo::clampTempo(next.tempo - kTempoStep);
        break;
    case Qt::Key_Backspace:
        next = stored_;
        break;
    default:
        return false;
    }
    if (next != live_)
        apply(next);
    return true;
}

QString KeyTempoKeys::labelText(const KeyTempo& value) {
    const QString key = value.key > 0   ? QStringLiteral("+%1").arg(value.key)
                        : value.key < 0 ? QStringLiteral("\u2212%1").arg(-value.key)
                                        : QStringLiteral("0");
    return key + QStringLiteral(" st  ") + QString::number(value.tempo) + QStringLiteral(" %");
}

void KeyTempoKeys::apply(const KeyTempo& value) {
    player_.setKeyTempo(value.key, value.tempo);
    live_ = value;
    label_.setText(labelText(value));
    label_.setVisible(!value.isDefault());
}

} // namespace sarvel
