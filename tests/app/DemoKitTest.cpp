#include "DataFolder.h"
#include "FakePrompts.h"
#include "FirstRun.h"
#include "IniFile.h"
#include "MediaPlayer.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "StartUp.h"
#include "TBaseForm.h"
#include "TestSupport.h"
#include "TimedWords.h"
#include "Transport.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace sarvel;
using namespace sarvel::test;

// A first run end to end: the demo kit is installed, comes up on the buttons, and every song in it
// launches with its words and plays.
TEST(DemoKit, EverySongOfTheDemoLaunchesWithItsWords) {
    TempHome home;
    installDataFolder();
    SelectionState state;
    FakePrompts prompts;
    TBaseForm form(state, prompts);
    form.MediaPlayer.setAudioSink("fakesink sync=true");
    StartUp(form, state, prompts).FormCreate();
    ASSERT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(state.KitFileName, defaultKitPath());

    const IniFile kit(defaultKitPath());
    int launched = 0;
    QStringList kinds;
    int timed = 0; // songs whose words follow their timing
    for (int tema = 1; tema <= 20; ++tema) {
        form.SpeedButtonTemaClick(tema);
        for (int n = 1; n <= 50; ++n) {
            const QString song = kit.readString(state.CurrentSection, "Song" + QString::number(n), "-");
            if (song == "-")
                continue;
            form.SpeedButtonSongClick(n);
            ASSERT_TRUE(prompts.errors.isEmpty())
                << song.toStdString() << ": " << prompts.errors.join('\n').toStdString();
            EXPECT_EQ(form.LabelStatus->text(), " ") << song.toStdString();
            EXPECT_EQ(form.MediaPlayer.mode(), MediaPlayer::Mode::Playing) << song.toStdString();
            EXPECT_GT(form.MediaPlayer.Length(), 10000) << song.toStdString();
            EXPECT_GT(form.RichEdit->toPlainText().size(), 100) << song.toStdString();
            EXPECT_EQ(form.LabelNameButton->text(), "  " + form.songButton(n)->text() + "  ");
            kinds << QFileInfo(song).suffix().toLower();
            timed += form.transport().timedWords().active();
            ++launched;
        }
    }
    EXPECT_GE(launched, 6);
    for (const char* kind : {"mp3", "wav", "mid", "kar"})
        EXPECT_TRUE(kinds.contains(kind)) << kind;
    EXPECT_EQ(timed, 2) << "a timing file beside one song, lyrics in a karaoke file";
}
