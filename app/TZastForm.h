#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace sarvel {

// The splash window: one picture over the main window shortly after start. It is created hidden,
// shown modally once with exec(), and ended by its own timer, which runs from creation to the end
// of the run; it has no caption and no button of its own.
class TZastForm : public QDialog {
    Q_OBJECT
public:
    explicit TZastForm(QWidget* parent = nullptr);

    // Replaces the built-in picture with ~/SARVEL/Zastavka.jpg when that file exists. A file that
    // is not a readable JPEG raises libjpeg's message (for the caller's error box) and the built-in
    // picture stays.
    void FormCreate();

    // A tick of Timer1: ends the modal display. A tick while the window is hidden does nothing.
    void Timer1Timer();

    // The splash has no way to be closed but its timer: Escape and the window manager's close
    // request are ignored.
    void reject() override;

    QLabel* const Image1; // the picture, stretched over the whole client area
    QTimer* const Timer1; // 2323 ms, running from creation

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace sarvel
