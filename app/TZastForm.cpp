#include "TZastForm.h"

#include "DataFolder.h"
#include "FirstRun.h"
#include "JpegImage.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace sarvel {

namespace {
constexpr int clientWidth = 284;
constexpr int clientHeight = 357;
constexpr int timerInterval = 2323;
} // namespace

TZastForm::TZastForm(QWidget* parent)
    // A border but no title bar: no caption, no close, minimize or maximize button.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint), Image1(new QLabel(this)),
      Timer1(new QTimer(this)) {
    setObjectName("ZastForm");
    setWindowTitle(QString());
    setAccessibleName("Sarvel");
    setAccessibleDescription("Splash picture shown at start");
    setFixedSize(clientWidth, clientHeight);
    QPalette navy = palette();
    navy.setColor(QPalette::Window, QColor(0, 0, 128));
    setPalette(navy);
    setAutoFillBackground(true);

    registerAssets();
    Image1->setObjectName("Image1");
    Image1->setAccessibleName("Splash picture");
    Image1->setGeometry(0, 0, clientWidth, clientHeight);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(":/ui/splash.png"));

    Timer1->setObjectName("Timer1");
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(timerInterval);
    connect(Timer1, &QTimer::timeout, this, &TZastForm::Timer1Timer);
    Timer1->start();
}

void TZastForm::FormCreate() {
    const QString path = dataPath("Zastavka.jpg");
    if (QFileInfo(path).isFile())
        Image1->setPixmap(QPixmap::fromImage(JpegImage::load(path)));
}

void TZastForm::Timer1Timer() {
    if (isVisible())
        done(QDialog::Rejected);
}

void TZastForm::reject() {}

void TZastForm::showEvent(QShowEvent* event) {
    // Centred on the whole primary screen, wherever the main window is.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
    // Shown late, after a box that held start-up up, it still stays its full time.
    Timer1->start();
    QDialog::showEvent(event);
}

} // namespace sarvel
