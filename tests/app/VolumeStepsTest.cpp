#include "DataFolder.h"
#include "FakePrompts.h"
#include "MediaFiles.h"
#include "Mixer.h"
#include "MonitorRecorder.h"
#include "PrivateSoundServer.h"
#include "SelectionState.h"
#include "StartUp.h"
#include "TBaseForm.h"
#include "TestSupport.h"
#include "Transport.h"
#include "VolumeController.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace sarvel;
using namespace sarvel::test;
using namespace std::chrono_literals;

namespace {

// The main window on a sound server of the test's own: every volume step is read back from the sink.
class VolumeSteps : public ::testing::Test {
protected:
    void SetUp() override {
        writePlaceholderIcons();
        QDir().mkpath(home.dataDir() + "/SONGS");
        writeWav(home.dataDir() + "/SONGS/song.wav", tone(44100 * 3, 44100, 1, 0.5));
        state.KitFileName = home.dataDir() + "/TEMES/Test.vkt";
        writeAll(state.KitFileName, QStringLiteral("[Section1]\nSong1=%1\nVol1=70\nSong2=%1\nVol2=1\n")
                                        .arg(home.dataDir() + "/SONGS/song.wav")
                                        .toUtf8());
        form = std::make_unique<TBaseForm>(state, prompts);
        form->MediaPlayer.setAudioSink("fakesink sync=true");
        form->CheckBoxNoTxt->setChecked(false);
        ASSERT_TRUE(form->volume().startUp());
    }

    bool sinkAt(int level) { return server.waitForSinkVolume(Mixer::volumeFromLevel(level)); }

    TempHome home;
    PrivateSoundServer server;
    PulseServerVariable pointed{server.address()};
    SelectionState state;
    FakePrompts prompts;
    std::unique_ptr<TBaseForm> form;
};

} // namespace

TEST_F(VolumeSteps, LaunchFadesDownThenToTheSongsVolume) {
    form->SpeedButtonSongClick(1);
    EXPECT_EQ(form->ScrollBarVolume->value(), 70);
    EXPECT_TRUE(sinkAt(70));
}

TEST_F(VolumeSteps, LaunchAtVolumeOneStillSetsTheSpeakersOnce) {
    form->ScrollBarVolume->setValue(1);
    ASSERT_TRUE(sinkAt(1));
    server.setSinkVolume(Mixer::volumeFromLevel(40)); // someone else turned it up
    ASSERT_TRUE(sinkAt(40));
    form->SpeedButtonSongClick(2);
    EXPECT_TRUE(sinkAt(1));
}

TEST_F(VolumeSteps, PlayStopAndBeginMoveTheSpeakers) {
    form->CheckBoxPlay->setChecked(false);
    form->SpeedButtonSongClick(1);
    QTest::mouseClick(form->SpeedButtonPlay, Qt::LeftButton); // down: plays at the song's volume
    EXPECT_TRUE(sinkAt(70));
    QTest::mouseClick(form->SpeedButtonPlay, Qt::LeftButton); // up: down to 1 before stopping
    EXPECT_TRUE(sinkAt(1));
    QTest::mouseClick(form->SpeedButtonBegin, Qt::LeftButton);
    EXPECT_EQ(form->ScrollBarVolume->value(), 70);
    EXPECT_TRUE(sinkAt(70));
}

TEST_F(VolumeSteps, ASongOpenedDirectlyPlaysAtTheKitDefaultUntilALaunchSetsOne) {
    auto openAndPlay = [this] {
        prompts.answers = {home.dataDir() + "/SONGS/song.wav"};
        QTest::mouseClick(form->SpeedButtonOpenSong, Qt::LeftButton);
        QTest::mouseClick(form->SpeedButtonPlay, Qt::LeftButton);
    };
    openAndPlay();
    EXPECT_EQ(form->ScrollBarVolume->value(), 50);
    EXPECT_TRUE(sinkAt(50));
    form->SpeedButtonSongClick(1);
    openAndPlay();
    EXPECT_TRUE(sinkAt(70)) << "the launched song's volume";
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

TEST_F(VolumeSteps, ExitLeavesTheSpeakersAtTheLowestStep) {
    form->SpeedButtonSongClick(1);
    ASSERT_TRUE(sinkAt(70));
    StartUp steps(*form, state, prompts);
    steps.mixerShutDown = [this] { form->volume().shutDown(); };
    steps.FormDestroy();
    EXPECT_TRUE(sinkAt(1));
}

TEST_F(VolumeSteps, ALostSoundServerIsReportedOnceAndEverythingWorksWhenItIsBack) {
    form->MediaPlayer.setAudioSink("pulsesink");
    // A null sink stalls new streams while nobody reads its monitor.
    auto recorder = std::make_unique<MonitorRecorder>("testsink.monitor");
    ASSERT_TRUE(recorder->waitUntilFlowing(3s));
    recorder->arm();
    form->SpeedButtonSongClick(1);
    ASSERT_TRUE(recorder->waitForSound(3s));
    recorder.reset();

    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.errors.isEmpty(); }));
    QTest::qWait(1500); // the play timer ticks on
    EXPECT_EQ(prompts.errors.size(), 1) << prompts.errors.join('\n').toStdString();
    EXPECT_FALSE(form->SpeedButtonPlay->isChecked());
    QTest::mouseClick(form->SpeedButtonPlay, Qt::LeftButton);
    QTest::qWait(1000);
    EXPECT_EQ(prompts.errors.size(), 2)
        << "one message for a Play without a server: " << prompts.errors.join('\n').toStdString();
    EXPECT_FALSE(form->SpeedButtonPlay->isChecked());

    server.restart();
    recorder = std::make_unique<MonitorRecorder>("testsink.monitor");
    ASSERT_TRUE(recorder->waitUntilFlowing(3s));
    prompts.errors.clear();
    recorder->arm();
    QTest::mouseClick(form->SpeedButtonPlay, Qt::LeftButton);
    EXPECT_TRUE(recorder->waitForSound(3s));
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(form->MediaPlayer.mode(), MediaPlayer::Mode::Playing);
    form->ScrollBarVolume->setValue(33);
    EXPECT_TRUE(sinkAt(33));
}
