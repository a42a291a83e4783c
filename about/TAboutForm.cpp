#include "TAboutForm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <cstdint>
#include <cstdlib>
#include <xcb/xcb.h>

namespace sarvel {

namespace {

constexpr int clientWidth = 305;
constexpr int clientHeight = 279;
constexpr int flashInterval = 300;

const QString kCaption = QStringLiteral("О программе");
const QString kMaker = QStringLiteral("Sarvel");
const QString kMail = QStringLiteral("sarvel@example.org");
const QString kWeb = QStringLiteral("https://example.org/sarvel");

const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
const QColor kTeal(0, 128, 128);
const QColor kShadow(128, 128, 128);
const QColor kHover(Qt::red);
const QColor kLeft(0, 0, 128);
const QColor kVisited(0, 128, 0);

void setTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* result = new QLabel(text, parent);
    result->setObjectName(name);
    result->setGeometry(geometry);
    return result;
}

QPixmap picture(int side) {
    // The application registers its pictures before building this window; tests may not.
    const QPixmap pixmap(QStringLiteral(":/ui/sarvel.png"));
    return pixmap.isNull() ? pixmap
                           : pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// For a title bar without buttons Qt tells an X window manager only which functions the window
// allows (moving); desktops that read the decorations instead then add minimize and maximize.
// Naming both, border and title and moving alone, leaves the title bar bare on either kind.
void askForBareTitleBar(QWidget* window) {
    // The offscreen platform answers for X11 too, without a connection.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    static constexpr char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return;
    enum : std::uint32_t {
        hintFunctions = 1,
        hintDecorations = 2,
        functionMove = 4,
        decorBorder = 2,
        decorTitle = 8
    };
    const std::uint32_t hints[5] = {hintFunctions | hintDecorations, functionMove, decorBorder | decorTitle,
                                    0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                        atom->atom, atom->atom, 32, 5, hints);
    std::free(atom);
}

} // namespace

const QUrl TAboutForm::mailUrl(QStringLiteral("mailto:") + kMail);
const QUrl TAboutForm::webUrl(kWeb);

TAboutForm::TAboutForm(QWidget* parent)
    // Title bar with the caption only: no close, minimize or maximize button.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label4(
          label(this, "Label4", QStringLiteral("Version 2.5                 may 2006 г."), {8, 50, 215, 16})),
      LabelLogin(label(this, "LabelLogin", kMail, {8, 118, 140, 16})),
      LabelHTTP(label(this, "LabelHTTP",
                      QStringLiteral("Новая версия программы и дополнительная информация на сайте  ") + kWeb,
                      {8, 136, 289, 28})),
      // Below the date's line and across the window: a processor's own name is long.
      LabelTipCPU(label(this, "LabelTipCPU", QStringLiteral("No info about CPU"), {8, 214, 289, 28})),
      LabelDosVer(label(this, "LabelDosVer", QStringLiteral("No info about DOS version"), {8, 197, 136, 16})),
      LabelWinVer(label(this, "LabelWinVer", QStringLiteral("No info about WIN version"), {8, 180, 136, 16})),
      LabelTusday(label(this, "LabelTusday", QStringLiteral("Сегодня"), {154, 180, 148, 16})),
      Image1(label(this, "Image1", QString(), {8, 8, 32, 32})),
      Image2(label(this, "Image2", QString(), {229, 8, 68, 68})),
      BitBtnClose(new QPushButton(QStringLiteral("OK"), this)), TimerFlesh(new QTimer(this)),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName("AboutForm");
    setWindowTitle(kCaption);
    setAccessibleName(kCaption);
    setFixedSize(clientWidth, clientHeight);
    // The window's layout is in pixels; a pixel-sized font keeps the texts inside it.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    QPalette sky = palette();
    sky.setColor(QPalette::Window, kSkyBlue);
    setPalette(sky);
    setAutoFillBackground(true);

    buildMakerLabels();
    buildInfoPanel();

    Image1->setPixmap(picture(32));
    Image1->setAccessibleName(QStringLiteral("Sarvel icon"));
    Image2->setPixmap(picture(68));
    Image2->setAccessibleName(QStringLiteral("Sarvel picture"));

    for (QLabel* link : {LabelLogin, LabelHTTP}) {
        setTextColor(link, Qt::black);
        link->setMouseTracking(true);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    LabelLogin->adjustSize(); // the link reacts over its text only
    LabelLogin->setAccessibleName(QStringLiteral("Mail to the maker"));
    LabelLogin->setAccessibleDescription(mailUrl.toString());
    LabelHTTP->setWordWrap(true);
    LabelHTTP->setAccessibleName(QStringLiteral("Maker's web site"));
    LabelHTTP->setAccessibleDescription(kWeb);

    BitBtnClose->setObjectName("BitBtnClose");
    BitBtnClose->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtnClose->setAccessibleName(QStringLiteral("OK"));
    BitBtnClose->setGeometry(115, 244, 75, 27);
    BitBtnClose->setDefault(true);
    connect(BitBtnClose, &QPushButton::clicked, this, &TAboutForm::BitBtnCloseClick);

    TimerFlesh->setObjectName("TimerFlesh");
    TimerFlesh->setInterval(flashInterval);
    connect(TimerFlesh, &QTimer::timeout, this, &TAboutForm::TimerFleshTimer);
    TimerFlesh->start();
}

void TAboutForm::buildMakerLabels() {
    QFont large = font();
    large.setPixelSize(28);
    large.setBold(true);
    large.setItalic(true);
    // The shadow first, so the teal name lies over it.
    QLabel* shadow = label(this, "LabelMakerShadow", kMaker, {55, 7, 165, 38});
    QLabel* maker = label(this, "LabelMaker", kMaker, {52, 4, 165, 38});
    for (QLabel* name : {shadow, maker})
        name->setFont(large);
    setTextColor(shadow, kShadow);
    setTextColor(maker, kTeal);
    maker->raise();

    label(this, "LabelTown", QStringLiteral("г. Энск, тел. +7 (000) 000-00-00"), {8, 68, 215, 16});
    label(this, "LabelAuthor", QStringLiteral("Автор: Sarvel developers"), {8, 84, 215, 16});
    label(this, "LabelRights", QStringLiteral("© Sarvel developers. Все права защищены."), {8, 100, 289, 16});
}

void TAboutForm::buildInfoPanel() {
    // A size smaller, so the date with its ten spaces fits right of the line.
    QFont small = font();
    small.setPixelSize(10);
    for (QLabel* info : {LabelWinVer, LabelDosVer, LabelTipCPU, LabelTusday})
        info->setFont(small);
    LabelTipCPU->setWordWrap(true);
    LabelTipCPU->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* top = new QFrame(this);
    top->setObjectName("Bevel1");
    top->setFrameShape(QFrame::HLine);
    top->setFrameShadow(QFrame::Sunken);
    top->setGeometry(8, 170, 289, 4);

    auto* line = new QFrame(this);
    line->setObjectName("Bevel2");
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(146, 178, 4, 34);
}

void TAboutForm::FormActivate() {
    const SystemFacts facts = facts_();
    LabelWinVer->setText(facts.kernel ? winVerText(facts.kernel->major, facts.kernel->minor)
                                      : QStringLiteral("No info about WIN version"));
    LabelDosVer->setText(facts.libc ? dosVerText(facts.libc->major, facts.libc->minor)
                                    : QStringLiteral("No info about DOS version"));
    LabelTipCPU->setText(cpuText(facts));
}

void TAboutForm::TimerFleshTimer() {
    // No window system here blinks a title bar on request; asking for the user's attention is
    // the nearest equivalent (the window manager ignores it while the window is active).
    if (isVisible())
        QApplication::alert(this, 0);
    LabelTusday->setText(QStringLiteral("Сегодня:          ") +
                         QLocale::system().toString(today_(), QLocale::ShortFormat));
}

void TAboutForm::BitBtnCloseClick() {
    accept();
}

void TAboutForm::LabelLoginMouseMove() {
    setTextColor(LabelLogin, kHover);
}

void TAboutForm::LabelHTTPMouseMove() {
    setTextColor(LabelHTTP, kHover);
}

void TAboutForm::LabelLoginMouseLeave() {
    setTextColor(LabelLogin, kLeft);
}

void TAboutForm::LabelHTTPMouseLeave() {
    setTextColor(LabelHTTP, kLeft);
}

void TAboutForm::LabelLoginClick() {
    setTextColor(LabelLogin, kVisited);
    openUrl_(mailUrl); // a link that can't be opened fails silently
}

void TAboutForm::LabelHTTPClick() {
    setTextColor(LabelHTTP, kVisited);
    openUrl_(webUrl);
}

bool TAboutForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    const bool login = watched == LabelLogin;
    if (!login && watched != LabelHTTP)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        login ? LabelLoginMouseMove() : LabelHTTPMouseMove();
        break;
    case QEvent::Leave:
        login ? LabelLoginMouseLeave() : LabelHTTPMouseLeave();
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* link = static_cast<QLabel*>(watched);
        if (mouse->button() == Qt::LeftButton && link->rect().contains(mouse->position().toPoint()))
            login ? LabelLoginClick() : LabelHTTPClick();
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // Before the window is mapped, where the window manager reads it.
    askForBareTitleBar(this);
    QDialog::showEvent(event);
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
    // OK is the way out; Escape does not close the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace sarvel
