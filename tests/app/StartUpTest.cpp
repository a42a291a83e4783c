#include "StartUp.h"
#include "DataFolder.h"
#include "FakePrompts.h"
#include "IniFile.h"
#include "SarvelApp.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "StageView.h"
#include "TBaseForm.h"
#include "TestSupport.h"
#include "WordsZoom.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace sarvel;
using sarvel::test::FakePrompts;
using sarvel::test::readAll;
using sarvel::test::TempHome;
using sarvel::test::writeAll;

namespace {

class StartUpFixture : public ::testing::Test {
protected:
    void SetUp() override { sarvel::test::writePlaceholderIcons(); }

    void start() {
        form = std::make_unique<TBaseForm>(state, prompts);
        startUp = std::make_unique<StartUp>(*form, state, prompts);
        startUp->FormCreate();
    }

    void writeSettings(const QByteArray& text) { writeAll(settingsPath(), text); }
    QString settingsValue(const char* section, const char* key) {
        return IniFile(settingsPath()).readString(section, key, "<none>");
    }

    TempHome home;
    SelectionState state;
    FakePrompts prompts;
    std::unique_ptr<TBaseForm> form;
    std::unique_ptr<StartUp> startUp;
};

} // namespace

TEST_F(StartUpFixture, FirstRunWithoutSettingsOrKit) {
    start();
    EXPECT_EQ(form->windowColor(), QColor(1, 2, 3));
    EXPECT_EQ(state.KitFileName, defaultKitPath());
    EXPECT_FALSE(form->CheckBoxNoTxt->isChecked());
    EXPECT_EQ(settingsValue("OptionS", "CheckBoxNoTxt"), "OFF") << "written during start-up, before showing";
    EXPECT_EQ(form->windowTitle(), " " + defaultKitPath());
    EXPECT_EQ(form->LabelStatus->text(), QStringLiteral("Не могу найти файл c темами! "));
    EXPECT_EQ(form->GroupBoxSong->title(), "No File  " + defaultKitPath());
    // The theme fill does not run without a kit; theme 1's selection fills the songs.
    EXPECT_EQ(form->temaButton(5)->text(), "Empty Tema Button");
    EXPECT_EQ(form->songButton(7)->text(), "Song-7");
    EXPECT_TRUE(form->temaButton(1)->isChecked());
    EXPECT_TRUE(form->songButton(1)->isChecked());
    EXPECT_EQ(state.SelectedTemaNumber, 1);
    EXPECT_EQ(state.CurrentSection, "Section1");
    EXPECT_TRUE(form->TimerZast->isActive());
    EXPECT_TRUE(form->songPaneShown());
    EXPECT_FALSE(form->textPaneShown());
    EXPECT_FALSE(form->SpeedButtonToSong->isChecked() || form->SpeedButtonToText->isChecked() ||
                 form->SpeedButtonFileIniOpen->isChecked());
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

TEST_F(StartUpFixture, OddColourValues) {
    writeSettings("[COLORS]\nRed=300\nGreen=0x10\nBlue=abc\n");
    start();
    EXPECT_EQ(state.ColorRed, 255);
    EXPECT_EQ(state.ColorGreen, 16);
    EXPECT_EQ(state.ColorBlue, 3);
    EXPECT_EQ(form->ScrollBarRed->value(), 255);
    EXPECT_EQ(form->ScrollBarGreen->value(), 16);
    EXPECT_EQ(form->windowColor(), QColor(255, 16, 3));
}

TEST_F(StartUpFixture, NegativeColourReadsAsZero) {
    writeSettings("[colors]\nred=-5\nGREEN=7\nBlue=8\n");
    start();
    EXPECT_EQ(state.ColorRed, 0);
    EXPECT_EQ(form->windowColor(), QColor(0, 7, 8));
}

TEST_F(StartUpFixture, OnlyExactOnTurnsTheTextOptionOn) {
    writeSettings("[OptionS]\nCheckBoxNoTxt=on\n");
    start();
    EXPECT_FALSE(form->CheckBoxNoTxt->isChecked());
    EXPECT_EQ(settingsValue("OptionS", "CheckBoxNoTxt"), "OFF");
}

TEST_F(StartUpFixture, OnLeavesTheBoxCheckedAndTheFileUnwritten) {
    const QByteArray text = "[OptionS]\r\nCheckBoxNoTxt=ON\r\n; mine\r\n";
    writeSettings(text);
    start();
    EXPECT_TRUE(form->CheckBoxNoTxt->isChecked());
    EXPECT_EQ(readAll(settingsPath()), text);
}

TEST_F(StartUpFixture, LoadsTheLastKitWithWindowsStylePath) {
    // Made on Windows, where letter case in paths does not matter.
    writeAll(home.dataDir() + "/TEMES/Mine.vkt",
             "[TemaArtist]\nButton2=Dance\n[Section1]\nButton3=Калинка\nIcon3=C:\\Sarvel\\Icons\\S3.BMP\n");
    sarvel::test::writeBitmap(home.dataDir() + "/ICONS/s3.bmp", 21);
    writeSettings("[LastUserFile]\nNameFile=c:\\sarvel\\temes\\mine.vkt\n");
    start();
    const QString kit = home.dataDir() + "/TEMES/Mine.vkt";
    EXPECT_EQ(state.KitFileName, kit);
    EXPECT_EQ(form->GroupBoxSong->title(), kit);
    EXPECT_EQ(form->windowTitle(), " " + kit);
    EXPECT_EQ(form->temaButton(2)->text(), "Dance");
    EXPECT_EQ(form->temaButton(3)->text(), "Artist-3");
    EXPECT_EQ(form->songButton(3)->text(), QStringLiteral("Калинка"));
    EXPECT_EQ(form->songButton(3)->glyph().width(), 21);
    EXPECT_EQ(form->LabelStatus->text(), "No message");
}

TEST_F(StartUpFixture, ABadSongIconIsReportedOnceAndTheThemesStillFill) {
    const QString bad = home.dataDir() + "/ICONS/bad.bmp";
    writeAll(bad, "BM garbage");
    writeAll(defaultKitPath(), ("[Section1]\nIcon4=" + bad + "\n[TemaArtist]\nButton2=Dance\n").toUtf8());
    start();
    EXPECT_EQ(prompts.errors, QStringList{"Bitmap image is not valid"});
    EXPECT_EQ(form->temaButton(2)->text(), "Dance");
    EXPECT_EQ(form->temaButton(20)->text(), "Artist-20");
    EXPECT_EQ(form->songButton(50)->text(), "Song-50");
    EXPECT_TRUE(form->temaButton(1)->isChecked());
    EXPECT_FALSE(form->textPaneShown());
}

TEST_F(StartUpFixture, AKitPathThatIsAFolderReadsLikeAMissingKit) {
    const QString folder = home.dataDir() + "/TEMES/Folder.vkt";
    ASSERT_TRUE(QDir().mkpath(folder));
    writeSettings(QStringLiteral("[LastUserFile]\nNameFile=%1\n").arg(folder).toUtf8());
    start();
    EXPECT_EQ(form->LabelStatus->text(), QStringLiteral("Не могу найти файл c темами! "));
    EXPECT_EQ(form->GroupBoxSong->title(), "No File  " + folder);
    EXPECT_EQ(form->songButton(50)->text(), "Song-50");
    EXPECT_TRUE(form->songButton(1)->isChecked());
    form->show();
    QTest::mouseClick(form->temaButton(3), Qt::LeftButton);
    EXPECT_EQ(state.CurrentSection, "Section3");
    EXPECT_EQ(form->songButton(7)->text(), "Song-7");
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}

TEST_F(StartUpFixture, MixerStepRunsBetweenCaptionAndThemeSelection) {
    form = std::make_unique<TBaseForm>(state, prompts);
    startUp = std::make_unique<StartUp>(*form, state, prompts);
    bool sawCaption = false, sawTheme = true;
    startUp->mixerStartUp = [&] {
        sawCaption = form->windowTitle() == " " + defaultKitPath();
        sawTheme = form->temaButton(1)->isChecked();
        throw std::runtime_error("MIXER не найден !");
    };
    startUp->FormCreate();
    EXPECT_TRUE(sawCaption);
    EXPECT_FALSE(sawTheme);
    EXPECT_EQ(prompts.errors, QStringList{QStringLiteral("MIXER не найден !")});
    EXPECT_TRUE(form->temaButton(1)->isChecked()) << "start-up completes after the mixer step";
    EXPECT_FALSE(form->textPaneShown());
}

TEST_F(StartUpFixture, ShutdownSavesColourAndExistingKitOnly) {
    writeAll(defaultKitPath(), "[Section1]\n");
    start();
    form->ScrollBarRed->setValue(200);
    form->ScrollBarVolume->setValue(80);
    startUp->FormDestroy();
    EXPECT_EQ(form->ScrollBarVolume->value(), 1);
    EXPECT_EQ(settingsValue("COLORS", "Red"), "200");
    EXPECT_EQ(settingsValue("COLORS", "Green"), "2");
    EXPECT_EQ(settingsValue("LastUserFile", "NameFile"), defaultKitPath());
}

TEST_F(StartUpFixture, ADeletedKitKeepsTheStoredPathForTheNextRun) {
    const QString old = home.dataDir() + "/TEMES/Old.vkt";
    writeAll(old, "[Section1]\n");
    writeSettings(QStringLiteral("[LastUserFile]\nNameFile=%1\n").arg(old).toUtf8());
    start();
    QFile::remove(old);
    state.KitFileName = home.dataDir() + "/TEMES/Gone.vkt";
    startUp->FormDestroy();
    EXPECT_EQ(settingsValue("LastUserFile", "NameFile"), old);
    // The next start names the old path again.
    SelectionState next;
    TBaseForm form2(next, prompts);
    StartUp(form2, next, prompts).FormCreate();
    EXPECT_EQ(next.KitFileName, old);
}

TEST_F(StartUpFixture, UnwritableSettingsFileIsReportedNotLost) {
    writeSettings("[COLORS]\nRed=9\n");
    start();
    const QByteArray text = readAll(settingsPath());
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    startUp->FormDestroy();
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(prompts.errors, QStringList{"Unable to write to " + settingsPath()});
    EXPECT_EQ(readAll(settingsPath()), text);
}

TEST_F(StartUpFixture, SettingsFileThatIsAFolderIsReportedAsARefusedWrite) {
    ASSERT_TRUE(QDir().mkpath(settingsPath()));
    start(); // reads as no file at step 3, writes "OFF" at step 5
    startUp->FormDestroy();
    const QString refused = "Unable to write to " + settingsPath();
    EXPECT_EQ(prompts.errors.join('\n').toStdString(),
              QStringList({refused, refused}).join('\n').toStdString());
    EXPECT_TRUE(QFileInfo(settingsPath()).isDir());
}

// A logout, a shutdown or a stage laptop's power button ends the real program with a signal; it
// closes as its close box would, and the settings are written.
TEST_F(StartUpFixture, StopSignalsCloseTheProgramAndSaveItsSettings) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QFile::remove(settingsPath());
        QProcess sarvel;
        sarvel.setStandardOutputFile(QProcess::nullDevice());
        sarvel.setStandardErrorFile(QProcess::nullDevice());
        sarvel.start(SARVEL_EXECUTABLE, {});
        ASSERT_TRUE(sarvel.waitForStarted(30000));
        // Start-up writes the text option before the window shows; the signal may come at any
        // moment after that, the splash included.
        QDeadlineTimer deadline(60000);
        while (!QFileInfo::exists(settingsPath()) && !deadline.hasExpired() &&
               sarvel.state() == QProcess::Running)
            QThread::msleep(20);
        ASSERT_TRUE(QFileInfo::exists(settingsPath())) << signal;
        if (signal == SIGHUP)
            QThread::msleep(1000); // most likely while the splash is shown, in its own modal loop
        ASSERT_EQ(::kill(pid_t(sarvel.processId()), signal), 0);
        ASSERT_TRUE(sarvel.waitForFinished(60000)) << signal;
        EXPECT_EQ(sarvel.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(sarvel.exitCode(), 0) << signal;
        EXPECT_EQ(settingsValue("COLORS", "Red"), "1") << signal;
        EXPECT_EQ(settingsValue("LastUserFile", "NameFile"), defaultKitPath()) << signal;
    }
}

// "sarvel KIT.vkt" (a file manager's open): the kit becomes the current kit; one that can't be
// read is reported and the last kit stays.
TEST_F(StartUpFixture, KitNamedAtStartBecomesCurrentUnlessItCannotBeRead) {
    const QString last = home.path() + "/Kits/Last.vkt";
    writeAll(last, "[TemaArtist]\nButton1=Old\n");
    writeSettings(("[LastUserFile]\nNameFile=" + last + "\n").toUtf8());
    const QString missing = home.path() + "/Kits/Missing.vkt";
    startUp = nullptr;
    form = std::make_unique<TBaseForm>(state, prompts);
    startUp = std::make_unique<StartUp>(*form, state, prompts);
    startUp->startKit = missing;
    startUp->FormCreate();
    EXPECT_EQ(prompts.errors, QStringList{"Unable to read " + missing});
    EXPECT_EQ(state.KitFileName, last);
    EXPECT_EQ(form->temaButton(1)->text(), "Old");

    prompts.errors.clear();
    const QString named = home.path() + "/Kits/Named.vkt";
    writeAll(named, "[Section1]\nButton1=Opening\n[TemaArtist]\nButton1=Ballads\n");
    SelectionState next;
    TBaseForm form2(next, prompts);
    StartUp startUp2(form2, next, prompts);
    startUp2.startKit = named;
    startUp2.FormCreate();
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(next.KitFileName, named);
    EXPECT_EQ(form2.temaButton(1)->text(), "Ballads");
    EXPECT_EQ(form2.songButton(1)->text(), "Opening");
    EXPECT_EQ(form2.windowTitle(), " " + named);
    startUp2.FormDestroy();
    EXPECT_EQ(settingsValue("LastUserFile", "NameFile"), named) << "the current kit at exit";
}

// --version and --help answer on a console, with no window system at all.
TEST(CommandLine, VersionAndHelpPrintAndExitWithoutAWindow) {
    for (const char* option : {"--version", "--help"}) {
        QProcess sarvel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "xcb"); // would fail to start without a display
        sarvel.setProcessEnvironment(env);
        sarvel.start(SARVEL_EXECUTABLE, {option});
        ASSERT_TRUE(sarvel.waitForFinished(30000)) << option;
        EXPECT_EQ(sarvel.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(sarvel.exitCode(), 0) << option;
        const QString out = QString::fromUtf8(sarvel.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(std::string_view(option) == "--version"
                                       ? "sarvel " SARVEL_VERSION "\n"
                                       : "Usage: sarvel [--play N] [KIT.vkt]\n"))
            << out.toStdString();
    }
}

// The real program, opened on a kit as a file manager opens it, keeps that kit as the current one.
TEST(CommandLine, TheProgramStartsOnTheKitItIsGiven) {
    TempHome home;
    const QString kit = home.path() + "/Kits/Named.vkt";
    writeAll(kit, "[TemaArtist]\nButton1=Ballads\n");
    QProcess sarvel;
    sarvel.setStandardOutputFile(QProcess::nullDevice());
    sarvel.setStandardErrorFile(QProcess::nullDevice());
    sarvel.start(SARVEL_EXECUTABLE, {kit});
    ASSERT_TRUE(sarvel.waitForStarted(30000));
    QDeadlineTimer deadline(60000);
    while (!QFileInfo::exists(settingsPath()) && !deadline.hasExpired() &&
           sarvel.state() == QProcess::Running)
        QThread::msleep(20);
    ASSERT_EQ(::kill(pid_t(sarvel.processId()), SIGTERM), 0);
    ASSERT_TRUE(sarvel.waitForFinished(60000));
    EXPECT_EQ(sarvel.exitCode(), 0);
    EXPECT_EQ(IniFile(settingsPath()).readString("LastUserFile", "NameFile", "<none>"), kit);
}

// Without a sound server a song plays silently, the window says so once, and no other audio
// output is tried: the console stays free of their complaints.
TEST(AudioOutput, WithoutASoundServerSongsPlaySilentlyAndQuietly) {
    TempHome home;
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/sarvel-test/native");
    QStringList boxes;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes << box->text();
            box->accept();
        }
    });
    reader.start(20);
    QTemporaryFile console;
    ASSERT_TRUE(console.open());
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(console.handle(), STDERR_FILENO);
    QString status;
    MediaPlayer::Mode mode = MediaPlayer::Mode::NotReady;
    {
        SarvelApp sarvel;
        status = sarvel.baseForm().LabelStatus->text();
        sarvel.baseForm().SpeedButtonSongClick(1);
        mode = sarvel.baseForm().MediaPlayer.mode();
    }
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    qputenv("PULSE_SERVER", server);

    EXPECT_EQ(boxes, QStringList{QStringLiteral("MIXER не найден !")});
    EXPECT_EQ(status, QStringLiteral("Нет вывода звука !"));
    EXPECT_EQ(mode, MediaPlayer::Mode::Playing);
    const QByteArray text = console.readAll();
    for (const char* noise : {"ALSA", "alsa", "JACK", "jack", "OpenAL", "openal"})
        EXPECT_FALSE(text.contains(noise)) << text.toStdString();
}

TEST_F(StartUpFixture, WordsZoomScalesEveryRtfSizeAndIsRememberedBetweenRuns) {
    const QString big = home.dataDir() + "/TEXTS/big.rtf";
    const QString other = home.dataDir() + "/TEXTS/other.rtf";
    writeAll(big, "{\\rtf1 {\\fs40 Big}\\par {\\fs20 small}\\par}");
    writeAll(other, "{\\rtf1 {\\fs60 Other}\\par {\\fs30 words}\\par}");
    start();
    const auto sizeAt = [&](int block) {
        return form->RichEdit->document()
            ->findBlockByNumber(block)
            .begin()
            .fragment()
            .charFormat()
            .fontPointSize();
    };
    const auto open = [&](const QString& path) {
        prompts.answers = {path};
        QTest::mouseClick(form->SpeedButtonOpenText, Qt::LeftButton);
    };
    open(big);
    QTest::keyClick(form->RichEdit, Qt::Key_Plus, Qt::ControlModifier);
    QWheelEvent wheel(QPointF(5, 5), form->RichEdit->viewport()->mapToGlobal(QPointF(5, 5)), {}, {0, 120},
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->RichEdit->viewport(), &wheel);
    EXPECT_DOUBLE_EQ(sizeAt(0), 24.0);
    EXPECT_DOUBLE_EQ(sizeAt(1), 12.0);
    const int plainPixels = form->RichEdit->document()->defaultFont().pixelSize();

    open(other); // new words come in at the pane's zoom, in their own proportions
    EXPECT_DOUBLE_EQ(sizeAt(0), 36.0);
    EXPECT_DOUBLE_EQ(sizeAt(1), 18.0);
    EXPECT_EQ(form->RichEdit->document()->defaultFont().pixelSize(), plainPixels);
    EXPECT_FALSE(form->RichEdit->document()->isUndoAvailable()) << "zooming is no edit";

    QTest::keyClick(form->stageView().words(), Qt::Key_Minus, Qt::ControlModifier);
    startUp->FormDestroy();
    EXPECT_EQ(settingsValue("Words", "Zoom"), "2");
    EXPECT_EQ(settingsValue("Words", "StageZoom"), "-1");
    QTest::keyClick(form->RichEdit, Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(sizeAt(0), 30.0);
    EXPECT_DOUBLE_EQ(sizeAt(1), 15.0);

    SelectionState next;
    TBaseForm form2(next, prompts);
    StartUp(form2, next, prompts).FormCreate();
    EXPECT_EQ(form2.wordsZoom(), 2);
    EXPECT_EQ(form2.stageView().zoom().step(), -1);
    EXPECT_GT(form2.RichEdit->document()->defaultFont().pixelSize(),
              form->RichEdit->document()->defaultFont().pixelSize());
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
}
