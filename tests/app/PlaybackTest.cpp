#include "DataFolder.h"
#include "DirectOpen.h"
#include "FakePrompts.h"
#include "Launch.h"
#include "MediaFiles.h"
#include "MonitorRecorder.h"
#include "PrivateSoundServer.h"
#include "SelectionState.h"
#include "SongTime.h"
#include "SpeedButton.h"
#include "StageView.h"
#include "TBaseForm.h"
#include "TestSupport.h"
#include "TimedWords.h"
#include "Transport.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <utility>

using namespace sarvel;
using namespace sarvel::test;
using namespace std::chrono_literals;

namespace {

// WCAG contrast ratio of two colours, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

void pressSpace(QWidget* target, bool autoRepeat) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
    QApplication::sendEvent(target, &press);
}

// A main window with a kit of real songs, played into a fake sink so no sound server is needed.
class Playback : public ::testing::Test {
protected:
    // The line the words pane marks as sung, and the word marked inside it.
    QString marked() const {
        const auto marks = form.RichEdit->extraSelections();
        return marks.isEmpty() ? QString() : marks.first().cursor.block().text();
    }
    QString word() const {
        const auto marks = form.RichEdit->extraSelections();
        return marks.isEmpty() || !marks.last().format.fontUnderline() ? QString()
                                                                       : marks.last().cursor.selectedText();
    }

    void SetUp() override {
        QDir().mkpath(home.dataDir() + "/SONGS");
        QDir().mkpath(home.dataDir() + "/ICONS");
        writePlaceholderIcons();
        QImage icon(32, 32, QImage::Format_RGB32);
        icon.fill(Qt::red);
        ASSERT_TRUE(icon.save(iconPath(), "BMP"));
        writeWav(longSong(), tone(44100 * 3, 44100, 1, 0.5));      // 3 s
        writeWav(shortSong(), tone(44100 * 2 / 5, 44100, 1, 0.5)); // 0.4 s
        writeAll(wordsPath(), "{\\rtf1\\ansi {\\b First line}\\par second line\\par third line}");
        writeAll(notAnIcon(), "not a bitmap");
        writeAll(notASong(), "not a song at all");

        form.MediaPlayer.setAudioSink("fakesink sync=true");
        form.CheckBoxNoTxt->setChecked(false); // as a first run leaves it
        form.showSongPane();
        state.KitFileName = home.dataDir() + "/TEMES/Test.vkt";
        state.CurrentSection = "Section1";
    }

    QString longSong() const { return home.dataDir() + "/SONGS/long.wav"; }
    QString shortSong() const { return home.dataDir() + "/SONGS/short.wav"; }
    QString wordsPath() const { return home.dataDir() + "/TEXTS/words.rtf"; }
    QString iconPath() const { return home.dataDir() + "/ICONS/red.bmp"; }
    QString notAnIcon() const { return home.dataDir() + "/ICONS/bad.bmp"; }
    QString notASong() const { return home.dataDir() + "/SONGS/bad.mp3"; }

    void writeKit(const QString& text) { writeAll(state.KitFileName, text.toUtf8()); }
    void writeFullEntry(int n, const QString& song, int volume) {
        writeKit(QStringLiteral("[Section1]\nButton%1=Калинка\nText%1=%2\nSong%1=%3\nIcon%1=%4\nVol%1=%5\n")
                     .arg(n)
                     .arg(wordsPath(), song, iconPath())
                     .arg(volume));
    }

    TempHome home;
    SelectionState state;
    FakePrompts prompts;
    TBaseForm form{state, prompts};
};

} // namespace

TEST_F(Playback, LaunchWithAFullEntryShowsAndPlaysIt) {
    writeFullEntry(7, longSong(), 70);
    QTest::mouseClick(form.songButton(7), Qt::LeftButton);
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(state.SongNumber, 7);
    EXPECT_TRUE(state.SongLoaded);
    EXPECT_EQ(form.LabelNameButton->text(), QStringLiteral("  Калинка  "));
    EXPECT_EQ(form.LabelStatus->text(), " ");
    EXPECT_EQ(form.ImageIcon->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
    EXPECT_TRUE(form.RichEdit->toPlainText().startsWith("First line\nsecond line"));
    EXPECT_EQ(form.RichEdit->textCursor().position(), 0);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_TRUE(form.SpeedButtonPlay->isEnabled() && form.SpeedButtonPlay->isChecked());
    EXPECT_TRUE(form.SpeedButtonBegin->isEnabled() && form.TrackBarSong->isEnabled());
    EXPECT_NEAR(form.TrackBarSong->maximum(), 3000, 1);
    EXPECT_EQ(form.TrackBarSong->pageStep(), form.MediaPlayer.Frames());
    EXPECT_EQ(form.LabelSongLeghtTime->text(), " 0:03  ");
    EXPECT_TRUE(form.TimerMp3rpt->isActive());
    EXPECT_EQ(form.ScrollBarVolume->value(), 70);
    EXPECT_EQ(form.windowTitle(), " " + state.KitFileName);
    EXPECT_TRUE(form.songPaneShown()) << "\"Aktivate TXT  FORM\" is off";
}

TEST_F(Playback, LaunchWithTheTextOptionShowsTheWordsAndLaunchingAgainStartsOver) {
    writeFullEntry(3, longSong(), 50);
    form.CheckBoxNoTxt->setChecked(true);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(3);
    EXPECT_TRUE(form.textPaneShown());
    EXPECT_TRUE(form.SpeedButtonToText->isChecked());
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
    form.MediaPlayer.setPosition(1500);
    form.SpeedButtonSongClick(3);
    EXPECT_EQ(form.MediaPlayer.Position(), 0);
}

TEST_F(Playback, LaunchReportsMissingFilesOnOneLine) {
    writeKit(QStringLiteral("[Section1]\nButton2=Intro\nText2=-\nSong2=/no/such.wav\n"));
    form.SpeedButtonSongClick(2);
    EXPECT_EQ(form.LabelStatus->text(), " No file RTF! no Wave File!");
    EXPECT_FALSE(form.SpeedButtonPlay->isEnabled());
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
    EXPECT_EQ(form.ScrollBarVolume->value(), 50) << "a missing Vol reads 50";
    EXPECT_TRUE(prompts.errors.isEmpty());
}

TEST_F(Playback, LaunchFromAMissingKitUsesEveryDefault) {
    state.KitFileName = home.dataDir() + "/TEMES/None.vkt";
    writeAll(dataPath("NoRtf.rtf"), "{\\rtf1 no words}");
    form.SpeedButtonSongClick(9);
    EXPECT_EQ(form.LabelNameButton->text(), "  No Name  ");
    EXPECT_EQ(form.LabelStatus->text(), " no Wave File!");
    EXPECT_EQ(form.RichEdit->toPlainText(), "no words") << "the placeholder words show";
    EXPECT_FALSE(QFileInfo::exists(state.KitFileName));
}

TEST_F(Playback, LaunchWithoutASongLeavesNoSongLoaded) {
    writeKit(QStringLiteral("[Section1]\nSong1=%1\nSong2=-\n").arg(longSong()));
    form.SpeedButtonSongClick(1);
    ASSERT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    form.SpeedButtonSongClick(2);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing) << "its words are no longer shown";
    EXPECT_FALSE(form.SpeedButtonPlay->isEnabled() || form.SpeedButtonPlay->isChecked());
    EXPECT_FALSE(form.SpeedButtonBegin->isEnabled() || form.TrackBarSong->isEnabled());
    form.transport().SpeedButtonBeginClick();
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

TEST_F(Playback, LaunchOrOpenWhilePlayingLeavesTheNewSongStoppedWithoutSynhro) {
    writeFullEntry(1, longSong(), 50);
    auto playsOn = [&] {
        return form.SpeedButtonPlay->isChecked() &&
               QTest::qWaitFor([&] { return form.TrackBarSong->value() > 0; });
    };
    auto standsStoppedAtTheStart = [&] {
        QTest::qWait(300); // long enough for a playing song to move
        return form.MediaPlayer.mode() != MediaPlayer::Mode::Playing && form.MediaPlayer.Position() == 0 &&
               !form.SpeedButtonPlay->isChecked();
    };
    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(playsOn());
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    EXPECT_TRUE(standsStoppedAtTheStart()) << "launch";

    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    ASSERT_TRUE(playsOn());
    prompts.answers = {longSong()};
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton);
    EXPECT_TRUE(standsStoppedAtTheStart()) << "Open Wave file";
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_TRUE(form.SpeedButtonPlay->isChecked());
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

TEST_F(Playback, ABadIconEndsTheLaunchWithTheVolumeDown) {
    writeKit(QStringLiteral("[Section1]\nIcon4=%1\nSong4=%2\nVol4=80\n").arg(notAnIcon(), longSong()));
    QTest::mouseClick(form.songButton(4), Qt::LeftButton);
    EXPECT_EQ(prompts.errors, QStringList{"Bitmap image is not valid"});
    EXPECT_EQ(form.ScrollBarVolume->value(), 1);
    EXPECT_FALSE(state.SongLoaded);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::NotReady);
}

TEST_F(Playback, ASongTheDeviceCannotOpenEndsTheLaunch) {
    writeKit(QStringLiteral("[Section1]\nSong5=%1\nVol5=80\n").arg(notASong()));
    QTest::mouseClick(form.songButton(5), Qt::LeftButton);
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors.first(), "Could not determine type of stream.\n" + notASong());
    EXPECT_EQ(form.ScrollBarVolume->value(), 1);
    EXPECT_FALSE(state.SongLoaded);
}

TEST_F(Playback, ASongTheDeviceRefusesLeavesPlayUp) {
    writeKit(QStringLiteral("[Section1]\nSong1=%1\nSong5=%2\n").arg(longSong(), notASong()));
    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(form.SpeedButtonPlay->isChecked());
    QTest::mouseClick(form.songButton(5), Qt::LeftButton);
    EXPECT_EQ(prompts.errors.size(), 1);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked()) << "launch";

    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(form.SpeedButtonPlay->isChecked());
    prompts.answers = {notASong()};
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton);
    EXPECT_EQ(prompts.errors.size(), 2);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked()) << "Open Wave file";
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_EQ(prompts.errors.size(), 2) << "nothing is loaded for Space to act on";
}

TEST_F(Playback, StoredVolumeIsClampedToTheSlider) {
    writeKit(QStringLiteral("[Section1]\nVol1=150\nVol2=0x32\nVol3=abc\n"));
    form.SpeedButtonSongClick(1);
    EXPECT_EQ(form.ScrollBarVolume->value(), 100);
    form.SpeedButtonSongClick(2);
    EXPECT_EQ(form.ScrollBarVolume->value(), 50);
    form.SpeedButtonSongClick(3);
    EXPECT_EQ(form.ScrollBarVolume->value(), 50);
}

TEST_F(Playback, ThemeClickWhilePlayingLeavesTheSongPlaying) {
    writeFullEntry(1, longSong(), 60);
    form.SpeedButtonSongClick(1);
    QTest::mouseClick(form.temaButton(5), Qt::LeftButton);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_EQ(state.SelectedTemaNumber, 5);
    EXPECT_EQ(state.TemaNumber, 5);
    EXPECT_EQ(state.CurrentSection, "Section5");
    EXPECT_TRUE(form.temaButton(5)->isChecked());
    EXPECT_TRUE(form.songButton(1)->isChecked());
    EXPECT_EQ(form.songButton(1)->text(), "Song-1");
}

TEST_F(Playback, PlayAndStopFadeTheVolume) {
    writeFullEntry(1, longSong(), 60);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_EQ(form.ScrollBarVolume->value(), 60);
    form.ScrollBarVolume->setValue(90); // by hand while playing
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_EQ(form.ScrollBarVolume->value(), 1);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_EQ(form.ScrollBarVolume->value(), 60) << "the song's volume, not the hand-set one";
}

TEST_F(Playback, EndOfSongRewindsAndReleasesPlayOrRepeats) {
    writeFullEntry(1, shortSong(), 50);
    form.TimerPlay->stop(); // the test ticks by hand
    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.MediaPlayer.Position() + 1 >= form.MediaPlayer.Length(); }));
    form.transport().TimerPlayTimer();
    EXPECT_EQ(form.MediaPlayer.Position(), 0);
    EXPECT_EQ(form.TrackBarSong->value(), 0);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);

    // Repeating, the device goes on from the start by itself and the timer leaves it playing.
    form.CheckBoxRepeat->setChecked(true);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    int last = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const int now = form.MediaPlayer.Position();
        return std::exchange(last, now) > now;
    }));
    form.transport().TimerPlayTimer();
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_TRUE(form.SpeedButtonPlay->isChecked());

    // Stopped at the end, the next tick rewinds and plays it again.
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    form.TrackBarSong->setValue(form.TrackBarSong->maximum());
    form.transport().TimerPlayTimer();
    EXPECT_EQ(form.TrackBarSong->value(), 0);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
}

TEST_F(Playback, RepeatJoinsTheEndToTheStartWithoutAGap) {
    PrivateSoundServer server;
    PulseServerVariable pointed{server.address()};
    MonitorRecorder recorder("testsink.monitor");
    ASSERT_TRUE(recorder.waitUntilFlowing(3s));
    const QString loop = home.dataDir() + "/SONGS/loop.wav";
    writeWav(loop, tone(44100, 44100, 1, 0.5)); // 1 s, sounding to its last sample
    writeFullEntry(1, loop, 50);
    form.MediaPlayer.setAudioSink("pulsesink");
    form.CheckBoxRepeat->setChecked(true);

    recorder.arm();
    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(recorder.waitForSound(3s));
    int rewinds = 0;
    int last = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2600) { // two joins, the play timer ticking
        QTest::qWait(10);
        rewinds += form.TrackBarSong->value() < last;
        last = form.TrackBarSong->value();
    }
    EXPECT_LT(recorder.longestGapMs(), 20);
    EXPECT_GE(rewinds, 2) << "the position bar goes back to the start at each join";
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_TRUE(form.SpeedButtonPlay->isChecked());
    form.MediaPlayer.Close(); // before its sound server goes
}

TEST_F(Playback, PlayTimerMovesTheSliderWithoutSeeking) {
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.SpeedButtonSongClick(1);
    QTest::qWait(300);
    // Were the timer's own slider move to seek, the device would stop: the Play button is up.
    form.SpeedButtonPlay->setChecked(false);
    form.transport().TimerPlayTimer();
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_GT(form.TrackBarSong->value(), 150);
    EXPECT_TRUE(state.SeekOnSliderChange);
    EXPECT_GT(form.RichEdit->textCursor().position(), 0) << "the caret follows the song";
}

TEST_F(Playback, DraggingTheSliderSeeksAndKeepsPlayingState) {
    writeFullEntry(1, longSong(), 50);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    form.TrackBarSong->setValue(2000);
    EXPECT_EQ(form.MediaPlayer.Position(), 2000);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_EQ(form.LabelSongTimeBeg->text(), " 0:02 ");
    EXPECT_EQ(form.LabelSongTimeEnd->text(), " 0:01 ");
}

TEST_F(Playback, BeginBeforeAnySongDoesNothing) {
    form.SpeedButtonBegin->setEnabled(true);
    QTest::mouseClick(form.SpeedButtonBegin, Qt::LeftButton);
    EXPECT_TRUE(prompts.errors.isEmpty());
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
}

TEST_F(Playback, PlayWithNothingOpenShowsTheDeviceError) {
    form.SpeedButtonPlay->setEnabled(true);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_EQ(prompts.errors, QStringList{"No MCI device open"});
}

TEST_F(Playback, SpaceStartsAndStopsOnlyWhenLoadedAndEnabled) {
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked()) << "nothing loaded";
    writeFullEntry(1, longSong(), 40);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    form.CheckBoxKey->setChecked(false);
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    form.CheckBoxKey->setChecked(true);
    form.TimerMp3rpt->stop();
    QTest::keyClick(&form, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_TRUE(form.SpeedButtonPlay->isChecked());
    EXPECT_EQ(form.ScrollBarVolume->value(), 40) << "Space leaves the volume alone";
    EXPECT_FALSE(form.TimerMp3rpt->isActive()) << "nor does it arm the one-shot timer";
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
}

TEST_F(Playback, SpaceInTheWordsIsNotTypedWhenItTogglesTheSong) {
    writeFullEntry(1, longSong(), 40);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    const QString words = form.RichEdit->toPlainText();
    QTest::keyClick(form.RichEdit, Qt::Key_Space);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    EXPECT_EQ(form.RichEdit->toPlainText(), words);
    form.CheckBoxKey->setChecked(false);
    QTest::keyClick(form.RichEdit, Qt::Key_Space);
    EXPECT_EQ(form.RichEdit->toPlainText().size(), words.size() + 1) << "with Keyboard off it types";
}

// The stage view follows the pane's mark with the same words, and keys in it work the song.
TEST_F(Playback, StageViewFollowsTheMarkedLineAndPassesKeysOn) {
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop(); // the test ticks by hand
    form.CheckBoxNoTxt->setChecked(true);
    form.CheckBoxPlay->setChecked(false);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SpeedButtonSongClick(1);
    StageView& stage = form.stageView();
    QTest::keyClick(&form, Qt::Key_F11);
    ASSERT_TRUE(stage.isVisible());
    EXPECT_TRUE(stage.isFullScreen());
    EXPECT_EQ(stage.words()->toPlainText(), form.RichEdit->toPlainText());
    EXPECT_GT(stage.words()->document()->defaultFont().pixelSize(),
              form.RichEdit->document()->defaultFont().pixelSize());

    QTest::keyClick(stage.words(), Qt::Key_Space);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    const auto markedBlock = [](const QTextEdit& edit) {
        const auto marks = edit.extraSelections();
        return marks.isEmpty() ? -1 : marks.first().cursor.blockNumber();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] {
        form.transport().TimerPlayTimer();
        return markedBlock(*form.RichEdit) >= 1;
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return markedBlock(*stage.words()) == markedBlock(*form.RichEdit); }));
    EXPECT_TRUE(stage.findChild<QLabel*>("StageCorner")->text().startsWith(QStringLiteral("Калинка")));

    QTest::keyClick(stage.words(), Qt::Key_Escape);
    EXPECT_FALSE(stage.isVisible());
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing) << "Esc only leaves the stage";
    QTest::mouseClick(form.SpeedButtonStage, Qt::LeftButton);
    EXPECT_TRUE(stage.isVisible());
    QTest::keyClick(stage.words(), Qt::Key_Space);
    EXPECT_NE(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing);
}

TEST_F(Playback, HeldSpaceActsOnce) {
    writeFullEntry(1, longSong(), 40);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    const QString words = form.RichEdit->toPlainText();
    for (QWidget* target : {static_cast<QWidget*>(&form), static_cast<QWidget*>(form.RichEdit)}) {
        pressSpace(target, false);
        const bool playing = form.SpeedButtonPlay->isChecked();
        for (int i = 0; i < 5; ++i)
            pressSpace(target, true);
        EXPECT_EQ(form.SpeedButtonPlay->isChecked(), playing) << target->objectName().toStdString();
        EXPECT_EQ(form.MediaPlayer.mode() == MediaPlayer::Mode::Playing, playing);
    }
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked()) << "once on, once off";
    EXPECT_EQ(form.RichEdit->toPlainText(), words) << "a held Space is not typed into the words";
}

TEST_F(Playback, OpeningASongDirectlyLoadsItStopped) {
    prompts.answers = {shortSong()};
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton);
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(prompts.dialogFilters, QStringList{"mp3 (*.mp3);;wav (*.wav);;midi (*.mid *.kar);;all (*.*)"});
    EXPECT_TRUE(state.SongLoaded);
    EXPECT_EQ(state.SongFileName, shortSong());
    EXPECT_TRUE(form.SpeedButtonPlay->isEnabled());
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
    EXPECT_EQ(form.TrackBarSong->maximum(), form.MediaPlayer.Length());
    EXPECT_EQ(form.windowTitle(), "Song = " + shortSong());
    EXPECT_EQ(form.LabelNameButton->text(), " - ");
    EXPECT_EQ(form.ScrollBarVolume->value(), 50) << "the volume is not moved";
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing) << "Space works on a song opened directly";
}

TEST_F(Playback, CancellingTheDialogsOnlyClearsTheStatus) {
    form.LabelStatus->setText("old");
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton);
    EXPECT_EQ(form.LabelStatus->text(), " ");
    QTest::mouseClick(form.SpeedButtonOpenText, Qt::LeftButton);
    EXPECT_EQ(form.windowTitle(), "Sarvel");
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("текста нет"));
}

TEST_F(Playback, DirectChoosersReopenInTheFolderOfTheLastChoice) {
    prompts.answers = {shortSong()};
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton);
    prompts.answers = {wordsPath()};
    QTest::mouseClick(form.SpeedButtonOpenText, Qt::LeftButton);
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton); // cancelled
    QTest::mouseClick(form.SpeedButtonOpenText, Qt::LeftButton);
    EXPECT_EQ(prompts.dialogFolders.mid(2),
              QStringList({home.dataDir() + "/SONGS", home.dataDir() + "/TEXTS"}));
}

TEST_F(Playback, OpeningATextDirectlyShowsItWithoutPressingText) {
    form.showSongPane();
    form.SpeedButtonToSong->setChecked(true);
    prompts.answers = {wordsPath()};
    QTest::mouseClick(form.SpeedButtonOpenText, Qt::LeftButton);
    EXPECT_TRUE(form.textPaneShown());
    EXPECT_TRUE(form.SpeedButtonToSong->isChecked());
    EXPECT_EQ(prompts.dialogFilters, QStringList{"RTF files (*.rtf)"});
    EXPECT_EQ(form.windowTitle(), "Text = " + wordsPath());
    EXPECT_EQ(form.LabelNameButton->text(), " ----  ");
    EXPECT_TRUE(form.RichEdit->toPlainText().startsWith("First line"));

    prompts.answers = {home.dataDir() + "/TEXTS/gone.rtf"};
    QTest::mouseClick(form.SpeedButtonOpenText, Qt::LeftButton);
    EXPECT_EQ(prompts.errors, QStringList{"Cannot open file " + home.dataDir() + "/TEXTS/gone.rtf"});
    EXPECT_TRUE(form.RichEdit->toPlainText().startsWith("First line")) << "the old words stay";
}

TEST_F(Playback, OneShotTimerReappliesTheSliderOnlyWithTheOption) {
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(form.TimerMp3rpt->isActive());
    auto placeSliderQuietly = [&](int ms) {
        state.SeekOnSliderChange = false;
        form.TrackBarSong->setValue(ms);
        state.SeekOnSliderChange = true;
    };
    placeSliderQuietly(2500);
    form.transport().TimerMp3rptTimer();
    EXPECT_FALSE(form.TimerMp3rpt->isActive());
    EXPECT_LT(form.MediaPlayer.Position(), 1500) << "without the option the song is not moved";

    form.CheckBoxLefMP3->setChecked(true);
    form.TimerMp3rpt->start();
    placeSliderQuietly(2500);
    form.transport().TimerMp3rptTimer();
    EXPECT_FALSE(form.TimerMp3rpt->isActive());
    EXPECT_GE(form.MediaPlayer.Position(), 2500);
    EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing)
        << "the Play button is down, so it plays on";
}

TEST_F(Playback, EachMissingEntryFallsBackOnItsOwn) {
    writeKit(QStringLiteral("[Section1]\nButton1=One\nIcon1=%1\nText1=%2\nSong1=%3\n"
                            "Song2=%3\nText2=%2\n"
                            "Button3=Three\nIcon3=-\nSong3=%3\n")
                 .arg(iconPath(), wordsPath(), shortSong()));
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    const QImage shown = form.ImageIcon->pixmap().toImage();
    ASSERT_EQ(shown.pixelColor(5, 5), QColor(Qt::red));

    form.SpeedButtonSongClick(2); // no Button2, no Icon2, no Vol2
    EXPECT_EQ(form.LabelNameButton->text(), "  No Name  ");
    EXPECT_EQ(form.ImageIcon->pixmap().toImage(), shown) << "no icon leaves the picture as it was";
    EXPECT_EQ(form.ScrollBarVolume->value(), 50);
    EXPECT_EQ(form.LabelStatus->text(), " ");

    form.SpeedButtonSongClick(3); // no Text3: the placeholder words, which are missing here
    EXPECT_EQ(form.LabelStatus->text(), " No file RTF! ");
    EXPECT_TRUE(form.RichEdit->toPlainText().startsWith("First line")) << "the pane keeps what it showed";
    EXPECT_EQ(form.ImageIcon->pixmap().toImage(), shown);
    EXPECT_TRUE(form.SpeedButtonPlay->isEnabled());
}

TEST_F(Playback, ASongThatBreaksOffSaysWhyAndReleasesPlay) {
    writeFullEntry(1, longSong(), 50);
    form.SpeedButtonSongClick(1);
    ASSERT_TRUE(form.SpeedButtonPlay->isChecked());
    emit form.MediaPlayer.playbackError("Internal data stream error.");
    EXPECT_EQ(prompts.errors, QStringList{"Internal data stream error."});
    EXPECT_FALSE(form.SpeedButtonPlay->isChecked());
}

TEST_F(Playback, TheSungLineIsClearlyMarkedUntilTheSongRewinds) {
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop(); // the test ticks by hand
    form.CheckBoxNoTxt->setChecked(true);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SpeedButtonSongClick(1);
    QWidget* pane = form.RichEdit->viewport();
    const QColor background = pane->grab().toImage().pixelColor(pane->width() - 3, pane->height() - 3);
    int lineY = 0;
    auto tickMidSong = [&] {
        if (!QTest::qWaitFor([&] { return form.MediaPlayer.Position() > 100; }))
            return false;
        form.transport().TimerPlayTimer();
        lineY = form.RichEdit->cursorRect().center().y();
        return form.RichEdit->textCursor().position() > 0;
    };
    // Share of the caret line's pixels, across the pane, that stand out from the background.
    auto markedShare = [&] {
        const QImage shot = pane->grab().toImage();
        int marked = 0;
        for (int x = 0; x < shot.width(); ++x)
            marked += contrast(shot.pixelColor(x, lineY), background) >= 3.0;
        return double(marked) / shot.width();
    };
    auto midLine = [&] { return pane->grab().toImage().pixel(pane->width() / 2, lineY); };

    ASSERT_TRUE(tickMidSong());
    EXPECT_GE(markedShare(), 0.9);

    form.TrackBarSong->setValue(form.TrackBarSong->maximum() - 200); // plays on near the end
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.MediaPlayer.Position() + 1 >= form.MediaPlayer.Length(); }));
    form.transport().TimerPlayTimer();
    EXPECT_EQ(midLine(), background.rgb()) << "gone at the end of the song";

    QTest::mouseClick(form.SpeedButtonBegin, Qt::LeftButton);
    ASSERT_TRUE(tickMidSong());
    ASSERT_NE(midLine(), background.rgb());
    QTest::mouseClick(form.SpeedButtonBegin, Qt::LeftButton);
    EXPECT_EQ(midLine(), background.rgb()) << "gone when Begin rewinds";
}

// With a timing file beside the song, the mark stands on the line of the latest time before the
// song's position, its word marked inside it; without words of its own the timing file's text is shown.
TEST_F(Playback, TimedWordsFollowTheTimingFile) {
    writeAll(home.dataDir() + "/SONGS/LONG.lrc", "[ti:test]\n[00:00.80]first LINE\n[00:01.60]<00:01.60>Third "
                                                 "<00:02.00>line<00:02.40>\n[00:02.20]no such line\n");
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop(); // only the timed words' own tick moves the mark
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    EXPECT_EQ(marked(), QString()) << "nothing before the first time";
    form.TrackBarSong->setValue(1000);
    EXPECT_EQ(marked(), "First line");
    form.TrackBarSong->setValue(1700);
    EXPECT_EQ(marked(), "third line");
    EXPECT_EQ(word(), "third");
    form.TrackBarSong->setValue(2300);
    EXPECT_EQ(marked(), "third line") << "a line not in the words is skipped";
    EXPECT_EQ(word(), "line");

    form.TrackBarSong->setValue(1700);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return word() == "line"; })) << "follows while playing";
    QTest::mouseClick(form.SpeedButtonBegin, Qt::LeftButton);
    EXPECT_EQ(marked(), QString()) << "Begin goes back before the first time";
    EXPECT_TRUE(QTest::qWaitFor([&] { return marked() == "First line"; }));
    form.CheckBoxRepeat->setChecked(true);
    form.TimerPlay->start();
    form.TrackBarSong->setValue(form.TrackBarSong->maximum() - 300);
    EXPECT_EQ(marked(), "third line");
    EXPECT_TRUE(QTest::qWaitFor([&] { return marked().isEmpty(); }))
        << "a repeat starts before the first time";
    EXPECT_TRUE(QTest::qWaitFor([&] { return marked() == "First line"; }));
    form.TimerPlay->stop();

    writeKit(QStringLiteral("[Section1]\nButton2=x\nText2=-\nSong2=%1\n").arg(longSong()));
    form.SpeedButtonSongClick(2);
    EXPECT_EQ(form.RichEdit->toPlainText(), "first LINE\nThird line\nno such line");
    form.TrackBarSong->setValue(2300);
    EXPECT_EQ(marked(), "no such line");
}

TEST_F(Playback, TappingAlongWritesATimingFileTheWordsThenFollow) {
    writeAll(wordsPath(), "{\\rtf1\\ansi {\\b First line}\\par\\par second line\\par third line}");
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);
    form.CheckBoxKey->setChecked(true);
    form.SpeedButtonSongClick(1);
    auto tapAt = [&](int ms, Qt::Key key) {
        form.TrackBarSong->setValue(ms);
        QTest::keyClick(form.RichEdit, key);
    };
    QTest::keyClick(form.RichEdit, Qt::Key_T);
    ASSERT_TRUE(form.SpeedButtonTiming->isChecked());
    tapAt(500, Qt::Key_Down);
    EXPECT_EQ(marked(), "First line");
    tapAt(1200, Qt::Key_Return);
    EXPECT_EQ(marked(), "second line") << "the blank line is passed over";
    tapAt(1900, Qt::Key_PageDown);
    EXPECT_EQ(marked(), "third line");
    QTest::keyClick(form.RichEdit, Qt::Key_Up);
    EXPECT_EQ(marked(), "second line");
    tapAt(2100, Qt::Key_Down);
    tapAt(2500, Qt::Key_Down); // past the last line: nothing more to stamp
    for (const Qt::Key key :
         {Qt::Key_BracketRight, Qt::Key_BracketRight, Qt::Key_BracketRight, Qt::Key_BracketLeft})
        QTest::keyClick(form.RichEdit, key);
    QTest::keyClick(form.RichEdit, Qt::Key_T);

    EXPECT_FALSE(form.SpeedButtonTiming->isChecked());
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(form.RichEdit->toPlainText(), "First line\n\nsecond line\nthird line") << "no key was typed";
    EXPECT_EQ(readAll(home.dataDir() + "/TEXTS/words.lrc"),
              "[offset:+200]\n[00:00.50]First line\n[00:01.20]second line\n[00:02.10]third line\n");
    form.TrackBarSong->setValue(900);
    EXPECT_EQ(marked(), "First line");
    form.TrackBarSong->setValue(1000);
    EXPECT_EQ(marked(), "second line") << "the offset shows the words 200 ms earlier";
    form.TrackBarSong->setValue(1950);
    EXPECT_EQ(marked(), "third line");
}

TEST_F(Playback, TappingAlongReplacesATimingFileOnlyWhenTold) {
    const QString lrc = home.dataDir() + "/TEXTS/words.lrc";
    const QByteArray old = "[ar:someone]\r\n[00:00.10]First line\r\n[00:02.00]third line\r\n";
    writeAll(lrc, old);
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    auto tapFirstLine = [&] {
        QTest::mouseClick(form.SpeedButtonTiming, Qt::LeftButton);
        EXPECT_TRUE(form.SpeedButtonTiming->isChecked());
        form.TrackBarSong->setValue(700);
        QTest::keyClick(&form, Qt::Key_Down);
    };

    tapFirstLine();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.SpeedButtonTiming->isChecked());
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(readAll(lrc), old) << "Esc writes nothing";

    tapFirstLine();
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton); // Stop leaves the mode
    EXPECT_FALSE(form.SpeedButtonTiming->isChecked());
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions.first().contains("words.lrc"));
    EXPECT_EQ(readAll(lrc), old) << "No keeps the old file";

    tapFirstLine();
    prompts.questionAnswers.push_back(true);
    QTest::mouseClick(form.SpeedButtonTiming, Qt::LeftButton);
    EXPECT_EQ(readAll(lrc), "[00:00.70]First line\n");

    // Outside the mode the offset moves the words at once and is kept when the song stops.
    QTest::keyClick(&form, Qt::Key_BracketRight);
    form.TrackBarSong->setValue(650);
    EXPECT_EQ(marked(), "First line");
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_EQ(readAll(lrc), "[offset:+100]\n[00:00.70]First line\n");
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

// A MIDI song's lyrics are followed when no timing file is beside it: without words of the entry's
// own they are the words, otherwise they are matched to the words' lines; a timing file wins.
TEST_F(Playback, TimedWordsFollowTheLyricsOfAKaraokeSong) {
    const QString kar = home.dataDir() + "/SONGS/song.kar";
    writeMidi(kar, {{0, 3000, 0, 60, 100}}, {0},
              {{800, "\\Sec"}, {1000, "ond line"}, {1600, "/Third"}, {2000, " line"}});
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);

    writeKit(QStringLiteral("[Section1]\nButton2=x\nText2=-\nSong2=%1\n").arg(kar));
    form.SpeedButtonSongClick(2);
    EXPECT_EQ(form.RichEdit->toPlainText(), "Second line\nThird line");
    form.TrackBarSong->setValue(2100);
    EXPECT_EQ(marked(), "Third line");
    EXPECT_EQ(word(), "line");

    writeFullEntry(1, kar, 50);
    form.SpeedButtonSongClick(1);
    form.TrackBarSong->setValue(1100);
    EXPECT_EQ(marked(), "second line");
    EXPECT_EQ(word(), "ond line");

    writeAll(home.dataDir() + "/SONGS/song.lrc", "[00:00.50]First line\n");
    form.SpeedButtonSongClick(1);
    form.TrackBarSong->setValue(1100);
    EXPECT_EQ(marked(), "First line");
}

// The stage view shows the pane's words as the RTF formats them, light on black, with the marks the
// pane has the moment it gets them; moving the marks never copies the words again.
TEST_F(Playback, StageViewShowsTheFormattedWordsLightOnDarkWithThePanesMarks) {
    writeAll(wordsPath(), "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue128;\\red120\\green0\\blue0;}"
                          "\\pard\\qc\\b\\fs48 Big title\\par"
                          "\\pard\\b0\\fs24\\cf1 First {\\i line}\\par second \\cf2 line\\par}");
    writeAll(home.dataDir() + "/TEXTS/words.lrc",
             "[00:00.80]<00:00.80>First <00:01.20>line\n[00:01.60]second line\n");
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SpeedButtonSongClick(1);
    StageView& stage = form.stageView();
    QTest::keyClick(&form, Qt::Key_F11);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stage));
    QTextEdit& words = *stage.words();
    const QTextDocument* shown = words.document();

    const auto stageMarks = [&] {
        const auto marks = words.extraSelections();
        QString line = marks.isEmpty() ? QString() : marks.first().cursor.block().text();
        if (!marks.isEmpty() && marks.last().format.fontUnderline())
            line += "|" + marks.last().cursor.selectedText();
        return line;
    };
    form.TrackBarSong->setValue(1300);
    ASSERT_EQ(word(), "line");
    EXPECT_EQ(stageMarks(), "First line|line") << "told, not polled";
    form.TrackBarSong->setValue(1700);
    EXPECT_EQ(stageMarks(), "second line");
    EXPECT_EQ(words.document(), shown) << "the words are not copied again for a mark";

    const QTextBlock title = words.document()->begin();
    const QTextBlock first = title.next();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextCharFormat big = title.begin().fragment().charFormat();
    QTextCursor at(words.document());
    at.setPosition(first.position() + 7);
    const QTextCharFormat italic = at.charFormat();
    EXPECT_TRUE(big.font().bold());
    EXPECT_TRUE(italic.fontItalic());
    EXPECT_NEAR(big.font().pointSizeF() / italic.font().pointSizeF(), 2.0, 0.05) << "sizes keep proportions";
    // Every piece of text stands out from the black: the navy and the dark red were lifted.
    const QColor plain = words.palette().color(QPalette::Text);
    for (QTextBlock b = words.document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QColor ink = f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : plain;
            EXPECT_GE(contrast(ink, Qt::black), 7.0) << it.fragment().text().toStdString();
        }
}

// Unzoomed, the stage's words come at a size that fits about ten of their lines on the screen,
// whatever size the RTF gives them.
TEST_F(Playback, StageViewFitsAboutTenLinesOnTheScreen) {
    writeAll(wordsPath(), "{\\rtf1\\ansi\\fs20 First line\\par second line\\par third line\\par}");
    writeFullEntry(1, longSong(), 50);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    StageView& stage = form.stageView();
    stage.enter();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stage));
    QTextEdit& words = *stage.words();
    const QTextLayout* layout = words.document()->begin().next().layout();
    ASSERT_GT(layout->lineCount(), 0);
    const double lines = stage.screen()->geometry().height() / layout->lineAt(0).height();
    EXPECT_GT(lines, 9.0);
    EXPECT_LT(lines, 11.5);
}

// A timed line without words is an instrumental break: nothing is marked until the next line, in
// the pane and on the stage.
// The pane's first words are its own document, which Qt deletes as new words take its place:
// marks on them must go first, as Qt measures the old marks when they are cleared.
TEST(SungMarksTest, NewWordsReplaceMarkedFirstWords) {
    QTextEdit pane;
    pane.setPlainText("one\ntwo");
    SungMarks::of(pane).mark({0, 3, -1, -1});
    auto* words = new QTextDocument(&pane);
    words->setPlainText("three");
    SungMarks::of(pane).showWords(words);
    EXPECT_EQ(pane.toPlainText(), "three");
    EXPECT_TRUE(pane.extraSelections().isEmpty());
}

TEST_F(Playback, ABlankTimedLineClearsTheMarkUntilTheNextLine) {
    writeAll(home.dataDir() + "/TEXTS/words.lrc",
             "[00:00.50]First line\n[00:01.00]\n[00:02.00]second line\n");
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    form.stageView().enter();
    const QTextEdit& stage = *form.stageView().words();
    form.TrackBarSong->setValue(700);
    EXPECT_EQ(marked(), "First line");
    EXPECT_FALSE(stage.extraSelections().isEmpty());
    form.TrackBarSong->setValue(1500);
    EXPECT_EQ(marked(), QString());
    EXPECT_TRUE(stage.extraSelections().isEmpty());
    form.TrackBarSong->setValue(2100);
    EXPECT_EQ(marked(), "second line");
}

// A words line wrapping over several lines of the pane is marked over all of them.
TEST_F(Playback, AWrappedLineIsMarkedOverItsWholeHeight) {
    const QString longLine = QStringLiteral("many words ").repeated(40).trimmed();
    writeAll(wordsPath(), "{\\rtf1\\ansi First line\\par " + longLine.toUtf8() + "\\par third line}");
    writeAll(home.dataDir() + "/TEXTS/words.lrc", "[00:00.50]" + longLine.toUtf8() + "\n");
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);
    form.CheckBoxNoTxt->setChecked(true);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SpeedButtonSongClick(1);
    form.TrackBarSong->setValue(700);
    ASSERT_EQ(marked(), longLine);
    const QTextBlock block = form.RichEdit->document()->begin().next();
    const QTextLayout* layout = block.layout();
    ASSERT_GE(layout->lineCount(), 3);
    QWidget* pane = form.RichEdit->viewport();
    const QImage shot = pane->grab().toImage();
    const QRectF where = form.RichEdit->document()->documentLayout()->blockBoundingRect(block);
    const int scrolled = form.RichEdit->verticalScrollBar()->value();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const int y = int(where.top() + layout->lineAt(i).rect().center().y()) - scrolled;
        EXPECT_EQ(shot.pixelColor(pane->width() - 10, y), kSungLineBackground) << "screen line " << i;
    }
}

// "Repeat song" going round ends tapping along as the song's end does: the taps are written.
TEST_F(Playback, RepeatGoingRoundEndsTappingAlongWritingTheTaps) {
    writeFullEntry(1, longSong(), 50);
    form.CheckBoxPlay->setChecked(false);
    form.SpeedButtonSongClick(1);
    form.CheckBoxRepeat->setChecked(true);
    QTest::mouseClick(form.SpeedButtonTiming, Qt::LeftButton);
    ASSERT_TRUE(form.SpeedButtonTiming->isChecked());
    form.TrackBarSong->setValue(2000);
    QTest::keyClick(&form, Qt::Key_Down);
    QTest::mouseClick(form.SpeedButtonPlay, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.SpeedButtonTiming->isChecked(); }, 4000));
    EXPECT_TRUE(form.SpeedButtonPlay->isChecked()) << "the song goes on";
    EXPECT_EQ(readAll(home.dataDir() + "/TEXTS/words.lrc"), "[00:02.00]First line\n");
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

// Closing the window while tapping along writes the taps, asking before replacing a timing file.
TEST_F(Playback, ClosingTheWindowWhileTappingAlongWritesTheTaps) {
    const QString lrc = home.dataDir() + "/TEXTS/words.lrc";
    writeAll(lrc, "[00:00.10]First line\n");
    writeFullEntry(1, longSong(), 50);
    form.TimerPlay->stop();
    form.CheckBoxPlay->setChecked(false);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SpeedButtonSongClick(1);
    QTest::mouseClick(form.SpeedButtonTiming, Qt::LeftButton);
    form.TrackBarSong->setValue(700);
    QTest::keyClick(&form, Qt::Key_Down);
    prompts.questionAnswers.push_back(true);
    form.close();
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(readAll(lrc), "[00:00.70]First line\n");
}

// With a second screen the stage goes there, else over the main window (the second-screen run
// gives the offscreen platform two screens).
TEST(StageScreens, TheStageGoesToTheScreenTheMainWindowIsNotOn) {
    TempHome home;
    SelectionState state;
    FakePrompts prompts;
    TBaseForm form{state, prompts};
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QByteArray wanted = qgetenv("SARVEL_TEST_SCREENS");
    if (!wanted.isEmpty()) {
        ASSERT_EQ(screens.size(), wanted.toInt());
    }
    QTest::keyClick(&form, Qt::Key_F11);
    StageView& stage = form.stageView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stage));
    if (screens.size() < 2) {
        EXPECT_EQ(stage.screen(), form.screen());
        return;
    }
    EXPECT_NE(stage.screen(), form.screen());
    EXPECT_EQ(stage.geometry(), stage.screen()->geometry());
}

TEST_F(Playback, KeyAndTempoComeFromTheKitAndTheKeysChangeThemForThisPlaybackOnly) {
    writeKit(QStringLiteral("[Section1]\nSong7=%1\nKey7=9\nTempo7=fast\nSong8=%1\nKey8=-2\nTempo8=50\n")
                 .arg(longSong()));
    const QByteArray kit = readAll(state.KitFileName);
    QTest::mouseClick(form.songButton(7), Qt::LeftButton);
    ASSERT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(form.MediaPlayer.key(), 6) << "a key out of range is clamped";
    EXPECT_EQ(form.MediaPlayer.tempo(), 100) << "a tempo that is no number is the default";
    EXPECT_TRUE(form.LabelKeyTempo->isVisibleTo(&form));
    EXPECT_EQ(form.LabelKeyTempo->text(), "+6 st  100 %");
    EXPECT_FALSE(form.LabelKeyTempo->accessibleName().isEmpty());

    // In the words, on the position bar and in the window alike; a key already at its end stays.
    QTest::keyClick(form.RichEdit, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(form.RichEdit, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(form.TrackBarSong, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(&form, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(&form, Qt::Key_Right, Qt::KeypadModifier | Qt::ControlModifier);
    EXPECT_EQ(form.MediaPlayer.key(), 5);
    EXPECT_EQ(form.MediaPlayer.tempo(), 95);
    EXPECT_EQ(form.LabelKeyTempo->text(), "+5 st  95 %");
    EXPECT_EQ(form.TrackBarSong->value(), 0) << "the position bar did not take the key";
    EXPECT_EQ(form.RichEdit->textCursor().position(), 0) << "nor did the words";
    QTest::keyClick(form.RichEdit, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(form.MediaPlayer.key(), 6);
    EXPECT_EQ(form.MediaPlayer.tempo(), 100);
    EXPECT_EQ(readAll(state.KitFileName), kit) << "live changes are not written";

    // At half tempo a second of playing moves the song half a second; its length stays its own.
    QTest::mouseClick(form.songButton(8), Qt::LeftButton);
    EXPECT_EQ(form.LabelKeyTempo->text(), "\u22122 st  50 %");
    QElapsedTimer played;
    played.start();
    QTest::qWait(1000);
    const int position = form.MediaPlayer.Position();
    EXPECT_NEAR(position, played.elapsed() / 2, 60);
    form.transport().TimerPlayTimer();
    EXPECT_EQ(form.LabelSongLeghtTime->text(), lengthLabelText(3000));
    EXPECT_NEAR(form.TrackBarSong->value(), position, 60);

    // A song opened directly plays as it is, and a song in its own key shows no label.
    prompts.answers = {shortSong()};
    QTest::mouseClick(form.SpeedButtonOpenSong, Qt::LeftButton);
    EXPECT_EQ(form.MediaPlayer.key(), 0);
    EXPECT_EQ(form.MediaPlayer.tempo(), 100);
    EXPECT_FALSE(form.LabelKeyTempo->isVisibleTo(&form));
    // Ctrl+0 stays the words' zoom.
    QTest::keyClick(form.RichEdit, Qt::Key_Up, Qt::ControlModifier);
    form.setWordsZoom(3);
    QTest::keyClick(form.RichEdit, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(form.wordsZoom(), 0);
    EXPECT_EQ(form.MediaPlayer.key(), 1);
}
