#include "DiskFigures.h"
#include "FakePrompts.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "TAboutForm.h"
#include "TBaseForm.h"
#include "TestSupport.h"
#include "Theme.h"
#include "WidgetPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace sarvel;
using sarvel::test::FakePrompts;
using sarvel::test::TempHome;

namespace {

class MainWindow : public ::testing::Test {
protected:
    TempHome home;
    SelectionState state;
    FakePrompts prompts;
    TBaseForm form{state, prompts};
};

} // namespace

TEST_F(MainWindow, ControlsStartInTheirDesignedState) {
    EXPECT_EQ(form.windowTitle(), "Sarvel");
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(form.SpeedButtonPlay->isEnabled());
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
    EXPECT_FALSE(form.SpeedButtonBegin->isEnabled());
    EXPECT_FALSE(form.TrackBarSong->isEnabled());
    EXPECT_EQ(form.ScrollBarVolume->value(), 50);
    EXPECT_EQ(form.ScrollBarVolume->maximum(), 100);
    EXPECT_EQ(form.LabelVolume->text(), "50%");
    EXPECT_EQ(form.LabelStatus->text(), "No message");
    EXPECT_EQ(form.LabelNameButton->text(), " ----- ");
    EXPECT_EQ(form.LabelSongLeghtTime->text(), "00:00");
    EXPECT_EQ(form.GroupBoxSong->title(), "Name Work File is ");
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("текста нет"));
    EXPECT_TRUE(form.GroupBoxOption->isHidden());
    EXPECT_FALSE(form.CheckBoxRepeat->isChecked());
    EXPECT_TRUE(form.CheckBoxPlay->isChecked());
    EXPECT_TRUE(form.CheckBoxButtonBegin->isChecked());
    EXPECT_TRUE(form.CheckBoxKey->isChecked());
    EXPECT_FALSE(form.CheckBoxLefMP3->isChecked());
    EXPECT_FALSE(form.CheckBoxVolumeOn->isChecked());
    EXPECT_EQ(form.TimerPlay->interval(), 500);
    EXPECT_TRUE(form.TimerPlay->isActive());
    EXPECT_EQ(form.TimerZast->interval(), 200);
    EXPECT_FALSE(form.TimerZast->isActive());
    EXPECT_EQ(form.TimerMp3rpt->interval(), 4000);
    EXPECT_FALSE(form.TimerMp3rpt->isActive());
    EXPECT_EQ(form.OpenDialogSong.filter, "mp3 (*.mp3);;wav (*.wav);;midi (*.mid *.kar);;all (*.*)");
    EXPECT_EQ(form.OpenDialogIniFile.fileName, home.dataDir() + "/TEMES/First.vkt");
}

TEST_F(MainWindow, GridButtonsCarryNamesHintsAndPlaces) {
    auto* b18 = form.findChild<SpeedButton*>("SpeedButtonSong18");
    ASSERT_NE(b18, nullptr);
    EXPECT_EQ(b18, form.songButton(18));
    EXPECT_EQ(b18->geometry(), QRect(248, 135 + 36 * 9, 235, 34)) << "column 2, row 10";
    EXPECT_EQ(b18->text(), "Empty Song Button");
    EXPECT_EQ(b18->toolTip(),
              QStringLiteral("Левая кнопка мыши запускает Song, Правая кнопка обновляет данные о Song"));
    EXPECT_EQ(b18->focusPolicy(), Qt::NoFocus);
    auto* t6 = form.findChild<SpeedButton*>("SpeedButtonTema6");
    ASSERT_NE(t6, nullptr);
    EXPECT_EQ(t6->geometry(), QRect(200, 40, 188, 22)) << "column 2, row 2";
    EXPECT_EQ(t6->toolTip(),
              QStringLiteral("Левая кнопка мыши выбирает Жанр, Правая кнопка обновляет данные "));
    EXPECT_NE(form.findChild<SpeedButton*>("SpeedButtonSong01"), nullptr);
    EXPECT_EQ(form.findChild<SpeedButton*>("SpeedButtonSong1"), nullptr);
}

TEST_F(MainWindow, GroupsAreExclusiveAndStayDownWhenClickedAgain) {
    QTest::mouseClick(form.songButton(5), Qt::LeftButton);
    QTest::mouseClick(form.songButton(9), Qt::LeftButton);
    EXPECT_FALSE(form.songButton(5)->isChecked());
    EXPECT_TRUE(form.songButton(9)->isChecked());
    QTest::mouseClick(form.songButton(9), Qt::LeftButton);
    EXPECT_TRUE(form.songButton(9)->isChecked());
    QTest::mouseClick(form.songButton(12), Qt::RightButton);
    EXPECT_FALSE(form.songButton(12)->isChecked()) << "a right click presses nothing";
}

TEST_F(MainWindow, SongAndTextButtonsSwitchPanes) {
    form.show();
    form.showSongPane();
    QTest::mouseClick(form.SpeedButtonToText, Qt::LeftButton);
    EXPECT_TRUE(form.textPaneShown());
    EXPECT_FALSE(form.songPaneShown());
    EXPECT_TRUE(form.SpeedButtonToText->isChecked());
    QTest::mouseClick(form.SpeedButtonToText, Qt::LeftButton);
    EXPECT_TRUE(form.textPaneShown());
    QTest::mouseClick(form.SpeedButtonToSong, Qt::LeftButton);
    EXPECT_TRUE(form.songPaneShown());
    EXPECT_FALSE(form.textPaneShown());
    EXPECT_FALSE(form.SpeedButtonToText->isChecked());
}

TEST_F(MainWindow, SongPaneStaysCentredAndReachable) {
    form.setWindowState(Qt::WindowNoState);
    form.show();
    form.showSongPane();
    form.resize(1400, 800);
    QCoreApplication::processEvents();
    const QWidget* viewport = form.GroupBoxSong->parentWidget();
    const int left = form.GroupBoxSong->x();
    const int right = viewport->width() - (left + form.GroupBoxSong->width());
    EXPECT_LE(std::abs(left - right), 1) << "centred: " << left << " vs " << right;
    form.resize(700, 500);
    QCoreApplication::processEvents();
    auto* scroll = form.findChild<QScrollArea*>("SongPaneScroll");
    ASSERT_NE(scroll, nullptr);
    EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0) << "a narrow window scrolls to the cut-off part";
    EXPECT_GE(form.GroupBoxSong->x() + scroll->horizontalScrollBar()->value(), 0);
}

TEST_F(MainWindow, TextPaneFollowsResizes) {
    form.setWindowState(Qt::WindowNoState);
    form.show();
    form.showTextPane();
    form.resize(1100, 600);
    QCoreApplication::processEvents();
    const int before = form.RichEdit->width();
    form.resize(1400, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.RichEdit->width() - before, 300);
}

TEST_F(MainWindow, ColourBarsRecolourOnePartAtOnce) {
    form.ScrollBarRed->setValue(10);
    form.ScrollBarGreen->setValue(20);
    form.ScrollBarBlue->setValue(30);
    EXPECT_EQ(form.windowColor(), QColor(10, 20, 30));
    form.ScrollBarGreen->setValue(200);
    EXPECT_EQ(form.windowColor(), QColor(10, 200, 30));
    EXPECT_EQ(state.ColorGreen, 200);
    EXPECT_EQ(form.ScrollBarRed->pageStep(), 10);
}

TEST_F(MainWindow, OptionPanelShowsDiskFiguresAndBeginFollowsItsBox) {
    form.show();
    QTest::mouseClick(form.SpeedButtonOption, Qt::LeftButton);
    EXPECT_FALSE(form.GroupBoxOption->isHidden());
    EXPECT_TRUE(form.LabelDiskSize->text().startsWith("Size  hard  disc = "));
    EXPECT_TRUE(form.LabelDiskFree->text().startsWith("Free disc spase = "));
    form.CheckBoxButtonBegin->setChecked(false);
    EXPECT_TRUE(form.SpeedButtonBegin->isHidden());
    form.CheckBoxRepeat->setChecked(true);
    QTest::mouseClick(form.SpeedButtonOption, Qt::LeftButton);
    EXPECT_TRUE(form.GroupBoxOption->isHidden());
    EXPECT_TRUE(form.CheckBoxRepeat->isChecked()) << "hiding the panel keeps the options";
}

TEST_F(MainWindow, OptionPanelShowsEveryTextWholeEvenForHugeDisks) {
    // A 20 TB disk nearly empty: the longest figures a performer's computer gives.
    form.setDriveFigures([] { return 20000LL * 1000000000 + 999999999; },
                         [] { return 19999LL * 1000000000 + 999999998; });
    form.setWindowState(Qt::WindowNoState);
    form.show();
    for (const QSize size : {QSize(814, 562), QSize(1024, 768)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        QTest::mouseClick(form.SpeedButtonOption, Qt::LeftButton);
        QCoreApplication::processEvents();
        ASSERT_EQ(form.LabelDiskSize->text(), "Size  hard  disc = 20000, 999999999 Gb");
        EXPECT_TRUE(form.centralWidget()->rect().contains(form.GroupBoxOption->geometry())) << size.width();
        for (const QLabel* label : {form.LabelDiskSize, form.LabelDiskFree})
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
                << label->text().toStdString() << " at " << size.width();
        for (const QCheckBox* box : form.GroupBoxOption->findChildren<QCheckBox*>())
            EXPECT_GE(box->width(), box->sizeHint().width()) << box->text().toStdString();
        for (const QWidget* child : form.GroupBoxOption->findChildren<QWidget*>())
            EXPECT_TRUE(form.GroupBoxOption->rect().contains(child->geometry()))
                << child->objectName().toStdString();
        QTest::mouseClick(form.SpeedButtonOption, Qt::LeftButton);
    }
}

TEST_F(MainWindow, RestoredWindowFitsA1024By768ScreenWithEveryControlInside) {
    form.setWindowState(Qt::WindowNoState);
    form.show();
    // The longest status a launch leaves does not widen the window either.
    form.LabelStatus->setText(" No file RTF! no Wave File!");
    QCoreApplication::processEvents();
    // Left 203, 814 wide: the restored window ends inside a 1024 px screen only if it may be that narrow.
    form.resize(814, 562);
    QCoreApplication::processEvents();
    EXPECT_LE(form.minimumSizeHint().width(), 814);
    EXPECT_EQ(form.size(), QSize(814, 562));
    QList<const QWidget*> controls;
    for (const QWidget* w : form.findChildren<QAbstractButton*>())
        if (!qobject_cast<const SpeedButton*>(w) && w->parentWidget() != form.GroupBoxOption)
            controls << w;
    controls << form.ScrollBarVolume << form.TrackBarSong;
    ASSERT_GE(controls.size(), 12);
    for (const QSize size : {QSize(814, 562), QSize(1024, 768), QSize(1920, 1080)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        for (const QWidget* w : controls) {
            const QRect place(w->mapTo(&form, QPoint()), w->size());
            EXPECT_TRUE(form.rect().contains(place))
                << w->objectName().toStdString() << " at " << size.width() << ": " << place.x() << "+"
                << place.width();
        }
    }
}

TEST(DiskFigures, SplitAtOneBillionUnpadded) {
    EXPECT_EQ(gigabyteFigure(40LL * 1000000000 + 7), "40, 7 Gb");
    EXPECT_EQ(gigabyteFigure(999999999), "0, 999999999 Gb");
    EXPECT_EQ(gigabyteFigure(-1), "0, -1 Gb");
}

TEST_F(MainWindow, EveryActionableControlHasAnAccessibleName) {
    for (auto* w : form.findChildren<QAbstractButton*>())
        EXPECT_FALSE(w->accessibleName().isEmpty() && w->text().isEmpty()) << w->objectName().toStdString();
    for (auto* w : form.findChildren<QAbstractSlider*>()) {
        if (w->parentWidget() && !w->objectName().isEmpty()) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
}

TEST_F(MainWindow, AboutButtonShowsTheAboutWindowModally) {
    TAboutForm about(&form);
    form.setAbout(&about);
    QWidget* modal = nullptr;
    QTimer::singleShot(0, [&] {
        modal = QApplication::activeModalWidget();
        if (modal)
            modal->close();
    });
    QTest::mouseClick(form.SpeedButtonHelp, Qt::LeftButton);
    EXPECT_EQ(modal, &about);
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(prompts.errors.isEmpty());
}

namespace {

// Answers every error box as soon as it shows and notes its text; the first one's answer waits
// for `whileFirstShown`, run while that box is up.
class BoxAnswerer : public QObject {
public:
    std::function<void()> whileFirstShown;
    QStringList shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            shown << box->text();
            QTimer::singleShot(0, box, [this, box, first = shown.size() == 1] {
                if (first && whileFirstShown)
                    whileFirstShown();
                box->reject();
            });
        }
        return false;
    }
};

} // namespace

TEST(ErrorBoxes, AnErrorAlreadyShownIsNotStackedAgain) {
    const QString lost = "Disconnected: Connection terminated";
    WidgetPrompts prompts;
    BoxAnswerer answerer;
    qApp->installEventFilter(&answerer);
    // While the box is up the same failure comes twice more, as the play timer's ticks would
    // raise it, and another error once.
    answerer.whileFirstShown = [&] {
        prompts.error(lost);
        prompts.error(lost);
        prompts.error("No MCI device open");
    };
    prompts.error(lost);
    EXPECT_EQ(answerer.shown.join(" | ").toStdString(), (lost + " | No MCI device open").toStdString());

    prompts.error(lost);
    EXPECT_EQ(answerer.shown.size(), 3) << "once closed, the error is shown again";
    qApp->removeEventFilter(&answerer);
}

// The window's texts are in a proportional face, also where Liberation is the only family
// installed (run that way by the ctest entry app.fonts_liberation_only).
TEST(Fonts, WindowTextsAreProportional) {
    const QFont before = QApplication::font();
    useProportionalFont();
    SelectionState state;
    FakePrompts prompts;
    TBaseForm form(state, prompts);
    const QFontInfo info(form.LabelStatus->font());
    QApplication::setFont(before);
    EXPECT_FALSE(info.fixedPitch()) << info.family().toStdString();
}
