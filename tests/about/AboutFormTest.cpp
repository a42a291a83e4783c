#include "TAboutForm.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace sarvel;

namespace {

const QString kTodayPrefix = QStringLiteral("Сегодня:          ");

QColor textColor(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

SystemFacts facts(unsigned kernelMajor, unsigned kernelMinor, int cpu,
                  std::optional<std::string> cpuModel = std::nullopt) {
    return {VersionNumbers{kernelMajor, kernelMinor}, VersionNumbers{0x0A, 0x28}, cpu, std::move(cpuModel)};
}

// Shows the form and waits until the window system has made it the active window.
void activate(TAboutForm& form) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

void moveOver(QLabel* label) {
    const QPointF inside(2, 2);
    QMouseEvent move(QEvent::MouseMove, inside, label->mapToGlobal(inside), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(label, &move);
}

void leave(QLabel* label) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(label, &event);
}

struct UrlRecorder {
    QList<QUrl> opened;
    bool succeed = true;
    std::function<bool(const QUrl&)> opener() {
        return [this](const QUrl& url) {
            opened << url;
            return succeed;
        };
    }
};

} // namespace

TEST(AboutForm, StartsWithItsInitialTexts) {
    TAboutForm form;
    EXPECT_EQ(form.windowTitle(), "О программе");
    EXPECT_EQ(form.Label4->text(), "Version 2.5                 may 2006 г.");
    EXPECT_EQ(form.LabelWinVer->text(), "No info about WIN version");
    EXPECT_EQ(form.LabelDosVer->text(), "No info about DOS version");
    EXPECT_EQ(form.LabelTipCPU->text(), "No info about CPU");
    EXPECT_EQ(form.LabelTusday->text(), "Сегодня");
    EXPECT_EQ(form.LabelLogin->text(), form.mailUrl.path());
    EXPECT_EQ(form.mailUrl.scheme(), "mailto");
    EXPECT_EQ(form.LabelHTTP->text(),
              "Новая версия программы и дополнительная информация на сайте  " + form.webUrl.toString());
    EXPECT_TRUE(form.LabelHTTP->wordWrap());
    EXPECT_EQ(textColor(form.LabelLogin), QColor(Qt::black));
    EXPECT_EQ(textColor(form.LabelHTTP), QColor(Qt::black));
    EXPECT_FALSE(form.isVisible());

    EXPECT_EQ(form.TimerFlesh->interval(), 300);
    EXPECT_TRUE(form.TimerFlesh->isActive());
}

TEST(AboutForm, IsAFixedSkyBlueDialogWithoutCloseBoxCentredOnTheScreen) {
    TAboutForm form;
    EXPECT_EQ(form.minimumSize(), QSize(305, 279));
    EXPECT_EQ(form.maximumSize(), QSize(305, 279));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    for (Qt::WindowType absent :
         {Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
          Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        EXPECT_FALSE(flags.testFlag(absent)) << absent;
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_TRUE(form.autoFillBackground());

    form.show();
    EXPECT_EQ(form.size(), QSize(305, 279));
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2);

    // Everything fits inside the client area.
    for (const QWidget* child : form.findChildren<QWidget*>())
        EXPECT_TRUE(form.rect().contains(child->geometry())) << child->objectName().toStdString();
}

TEST(AboutForm, EveryControlTheUserActsOnHasAnAccessibleName) {
    TAboutForm form;
    for (const QWidget* control :
         {static_cast<QWidget*>(form.BitBtnClose), static_cast<QWidget*>(form.LabelLogin),
          static_cast<QWidget*>(form.LabelHTTP)})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    EXPECT_EQ(form.accessibleName(), "О программе");
}

TEST(AboutForm, ActivationFillsTheSystemLinesEachTime) {
    TAboutForm form;
    // Stands for the main window, which takes the activation back while the form is hidden.
    QWidget main;
    auto backToMain = [&] {
        form.hide();
        main.show();
        main.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    };
    SystemFacts current = facts(5, 1, 15);
    form.setFactsSource([&] { return current; });

    activate(form);
    EXPECT_EQ(form.LabelWinVer->text(), "Linux 5.1");
    EXPECT_EQ(form.LabelDosVer->text(), "glibc 10.40");
    EXPECT_EQ(form.LabelTipCPU->text(), ""); // level 15 replaces the initial text with nothing

    backToMain();
    current = facts(4, 10, 5);
    activate(form);
    EXPECT_EQ(form.LabelWinVer->text(), "Linux 4.10");
    EXPECT_EQ(form.LabelTipCPU->text(), "Intel Pentium");

    // The name the system reports wins over the table, and shows whole.
    backToMain();
    const QString longest =
        QStringLiteral("Intel(R) Xeon(R) Platinum 8480+ CPU @ 2.00GHz, 13th Gen Intel(R) Core(TM)");
    current = facts(6, 1, 6, longest.toStdString());
    activate(form);
    EXPECT_EQ(form.LabelTipCPU->text(), longest);
    EXPECT_LE(form.LabelTipCPU->heightForWidth(form.LabelTipCPU->width()), form.LabelTipCPU->height());

    // Facts the system did not give leave their lines saying so.
    backToMain();
    current = SystemFacts{};
    activate(form);
    EXPECT_EQ(form.LabelWinVer->text(), "No info about WIN version");
    EXPECT_EQ(form.LabelDosVer->text(), "No info about DOS version");
    EXPECT_EQ(form.LabelTipCPU->text(), "");
}

TEST(AboutForm, ActivationShowsTheRunningSystem) {
    TAboutForm form;
    activate(form);
    EXPECT_TRUE(form.LabelWinVer->text().startsWith("Linux ")) << form.LabelWinVer->text().toStdString();
    EXPECT_TRUE(form.LabelDosVer->text().startsWith("glibc 2.")) << form.LabelDosVer->text().toStdString();
    EXPECT_NE(form.LabelTipCPU->text(), "No info about CPU");
}

TEST(AboutForm, TimerPutsTodaysShortDateIntoTheDateLine) {
    TAboutForm form;
    const QString expected =
        kTodayPrefix + QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    // Ticks while hidden refresh the date too.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.LabelTusday->text() != "Сегодня"; }, 2000));
    EXPECT_EQ(form.LabelTusday->text(), expected);
}

TEST(AboutForm, DateLineFollowsMidnightAtTheNextTick) {
    TAboutForm form;
    form.TimerFlesh->stop();
    QDate today(2024, 3, 9);
    form.setClock([&] { return today; });
    form.show();

    form.TimerFleshTimer();
    EXPECT_EQ(form.LabelTusday->text(),
              kTodayPrefix + QLocale::system().toString(today, QLocale::ShortFormat));
    today = today.addDays(1);
    form.TimerFleshTimer();
    EXPECT_EQ(form.LabelTusday->text(),
              kTodayPrefix + QLocale::system().toString(QDate(2024, 3, 10), QLocale::ShortFormat));
}

TEST(AboutForm, EnterClosesThroughTheDefaultButtonAnyNumberOfTimes) {
    TAboutForm form;
    ASSERT_TRUE(form.BitBtnClose->isDefault());
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(50, &form, [&] { QTest::keyClick(&form, Qt::Key_Return); });
        QTimer::singleShot(3000, &form, [&] { form.done(-1); }); // safety net
        EXPECT_EQ(form.showModal(), QDialog::Accepted) << "round " << round;
        EXPECT_FALSE(form.isVisible());
    }
}

TEST(AboutForm, EscapeLeavesItOpenOkIsTheWayOut) {
    TAboutForm form;
    bool stillOpen = false;
    QTimer::singleShot(50, &form, [&] {
        QTest::keyClick(&form, Qt::Key_Escape);
        stillOpen = form.isVisible();
        QTest::mouseClick(form.BitBtnClose, Qt::LeftButton);
    });
    QTimer::singleShot(3000, &form, [&] { form.done(-1); }); // safety net
    EXPECT_EQ(form.showModal(), QDialog::Accepted);
    EXPECT_TRUE(stillOpen);
}

TEST(AboutForm, LinksTurnRedUnderThePointerAndNavyWhenLeft) {
    TAboutForm form;
    form.show();
    for (QLabel* link : {form.LabelLogin, form.LabelHTTP}) {
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        moveOver(link);
        EXPECT_EQ(textColor(link), QColor(Qt::red)) << link->objectName().toStdString();
        leave(link);
        EXPECT_EQ(textColor(link), QColor(0, 0, 128)) << link->objectName().toStdString();
    }
    // The other link is untouched by the first one's pointer.
    TAboutForm other;
    other.show();
    moveOver(other.LabelLogin);
    EXPECT_EQ(textColor(other.LabelHTTP), QColor(Qt::black));
}

TEST(AboutForm, ClickingALinkOpensItAndLeavesItGreen) {
    TAboutForm form;
    UrlRecorder urls;
    form.setUrlOpener(urls.opener());
    form.show();

    QTest::mouseClick(form.LabelLogin, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened.at(0), QUrl("mailto:sarvel@example.org"));
    EXPECT_EQ(textColor(form.LabelLogin), QColor(0, 128, 0));

    // A failed open is silent and the label stays green.
    urls.succeed = false;
    QTest::mouseClick(form.LabelHTTP, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(urls.opened.size(), 2);
    EXPECT_EQ(urls.opened.at(1), form.webUrl);
    EXPECT_EQ(urls.opened.at(1).scheme(), "https");
    EXPECT_EQ(textColor(form.LabelHTTP), QColor(0, 128, 0));
    EXPECT_TRUE(form.isVisible());

    // Only a left click opens.
    QTest::mouseClick(form.LabelHTTP, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_EQ(urls.opened.size(), 2);
}
