#include "KitActions.h"
#include "ButtonGrid.h"
#include "DataFolder.h"
#include "FakePrompts.h"
#include "IniFile.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "TBaseForm.h"
#include "TEditIniForm.h"
#include "TestSupport.h"
#include "WidgetPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sarvel;
using sarvel::test::FakePrompts;
using sarvel::test::readAll;
using sarvel::test::TempHome;
using sarvel::test::writeAll;
using sarvel::test::writeBitmap;
using sarvel::test::writePlaceholderIcons;

namespace {

class KitActionsFixture : public ::testing::Test {
protected:
    KitActionsFixture() {
        writePlaceholderIcons();
        QDir().mkpath(dataPath("TEMES"));
        state.KitFileName = kit();
        form.kitActions().setEditor(&editor);
    }

    static QString kit() { return dataPath("TEMES/First.vkt"); }
    static QString entry(const QString& section, const QString& key) {
        return IniFile(kit()).readString(section, key, "<none>");
    }

    // Answers the editor once it is shown modally; closes it if the answer left it open.
    void whenEditorOpens(std::function<void(TEditIniForm&)> answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* dialog = qobject_cast<TEditIniForm*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "the editor is not shown";
                return;
            }
            ++opened;
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }
    void rightClick(QWidget* button) { QTest::mouseClick(button, Qt::RightButton); }

    TempHome home;
    SelectionState state;
    FakePrompts prompts;
    TBaseForm form{state, prompts};
    TEditIniForm editor{state, prompts, form.kitActions(), &form};
    int opened = 0;
};

} // namespace

TEST(KitShortName, FirstSevenCharactersLessTheExtension) {
    EXPECT_EQ(kitShortName("/home/me/SARVEL/TEMES/First.vkt"), "First");
    EXPECT_EQ(kitShortName("C:\\Kits\\Concerts.vkt"), "Concert");
    EXPECT_EQ(kitShortName("/k/Rock.vkt"), "Rock");
    EXPECT_EQ(kitShortName("/k/A.vkt"), "A");
    EXPECT_EQ(kitShortName("/k/ab.c.vkt"), "ab.c");
}

TEST_F(KitActionsFixture, RightClickOnSong18EditsItInTheShownTheme) {
    writeAll(kit(), "[Section1]\nButton18=Other theme\n[Section2]\nButton18=Old\nVol18=73\n");
    form.SpeedButtonTemaClick(2);
    form.CheckBoxVolumeOn->setChecked(true);
    whenEditorOpens([&](TEditIniForm& d) {
        EXPECT_FALSE(d.GroupBoxSong->isHidden());
        EXPECT_EQ(d.EditNameButton->text(), "Old");
        EXPECT_EQ(d.windowTitle(), kit() + "  Song Button = 18");
        EXPECT_EQ(form.ScrollBarVolume->value(), 73) << "coupled: the main volume follows the button's";
        d.EditNameButton->setText("New");
        d.BitBtnOK->click();
    });
    rightClick(form.songButton(18));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(form.songButton(18)->text(), "New");
    EXPECT_EQ(entry("Section2", "Button18"), "New");
    EXPECT_EQ(entry("Section2", "Vol18"), "73");
    EXPECT_EQ(entry("Section1", "Button18"), "Other theme");
    EXPECT_FALSE(form.songButton(18)->isChecked()) << "a right click presses nothing";
    EXPECT_EQ(state.SongNumber, 18);
}

TEST_F(KitActionsFixture, CancelKeepsTheButtonAndOkShowsTheNewIcon) {
    const QByteArray before = "[Section1]\nButton3=Three\n";
    writeAll(kit(), before);
    form.SpeedButtonTemaClick(1);
    whenEditorOpens([](TEditIniForm& d) {
        d.EditNameButton->setText("Typed");
        d.BitBtnEsc->click();
    });
    rightClick(form.songButton(3));
    EXPECT_EQ(readAll(kit()), before);
    EXPECT_EQ(form.songButton(3)->text(), "Three");
    EXPECT_EQ(form.songButton(3)->glyph().width(), 9);

    writeBitmap(dataPath("ICONS/star.bmp"), 23);
    prompts.answers = {dataPath("ICONS/star.bmp")};
    whenEditorOpens([](TEditIniForm& d) {
        d.SpeedButtonIcon->click();
        d.BitBtnOK->click();
    });
    rightClick(form.songButton(3));
    EXPECT_EQ(form.songButton(3)->glyph().width(), 23);
    EXPECT_EQ(form.songButton(3)->text(), "Three");
}

TEST_F(KitActionsFixture, ThemeSevenEditedWhileThemeTwoIsSelected) {
    writeAll(kit(), "[Section2]\nButton1=Two-one\n[Section7]\nButton1=Seven-one\n");
    QTest::mouseClick(form.temaButton(2), Qt::LeftButton);
    writeBitmap(dataPath("ICONS/seven.bmp"), 25);
    prompts.answers = {dataPath("ICONS/seven.bmp")};
    whenEditorOpens([](TEditIniForm& d) {
        EXPECT_FALSE(d.GroupBoxTema->isHidden());
        d.EditTemaButton->setText("Seventh");
        d.SpeedButtonIcoTema->click();
        d.BitBtnOK->click();
    });
    rightClick(form.temaButton(7));
    EXPECT_EQ(form.temaButton(7)->text(), "Seventh");
    EXPECT_EQ(form.temaButton(7)->glyph().width(), 25);
    EXPECT_TRUE(form.temaButton(2)->isChecked());
    EXPECT_FALSE(form.temaButton(7)->isChecked());
    EXPECT_EQ(state.SelectedTemaNumber, 2);
    EXPECT_EQ(state.CurrentSection, "Section2");
    EXPECT_EQ(form.songButton(1)->text(), "Two-one");
}

TEST_F(KitActionsFixture, AfterTheCloseBoxInThemeModeASongRightClickOpensSongMode) {
    whenEditorOpens([](TEditIniForm& d) { d.close(); });
    rightClick(form.temaButton(4));
    EXPECT_EQ(state.EditMode, 2);
    EXPECT_EQ(state.CurrentSection, "Section1") << "the shown theme's section is back";
    whenEditorOpens([&](TEditIniForm& d) {
        EXPECT_EQ(state.EditMode, 1);
        EXPECT_FALSE(d.GroupBoxSong->isHidden());
        EXPECT_TRUE(d.GroupBoxTema->isHidden());
    });
    rightClick(form.songButton(5));
    EXPECT_EQ(opened, 2);
}

TEST_F(KitActionsFixture, OtherMouseButtonsOpenNoEditor) {
    bool shown = false;
    const auto closeAnyEditor = [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                shown = true;
                w->close();
            }
        });
    };
    closeAnyEditor();
    QTest::mouseClick(form.songButton(5), Qt::MiddleButton);
    QTest::mouseClick(form.temaButton(3), Qt::MiddleButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(state.SongNumber, 1);
    EXPECT_EQ(state.TemaNumber, 1);
}

TEST_F(KitActionsFixture, UnreadableKitShowsAnErrorInsteadOfTheEditor) {
    form.songButton(2)->setText("Shown");
    state.KitFileName = home.path() + "/pipe.vkt"; // no regular file
    ASSERT_EQ(::mkfifo(QFile::encodeName(state.KitFileName).constData(), 0600), 0);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            shown = true;
            w->close();
        }
    });
    rightClick(form.songButton(2));
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(prompts.errors, QStringList{"Unable to read " + state.KitFileName});
    EXPECT_EQ(form.songButton(2)->text(), "Shown");
}

TEST_F(KitActionsFixture, OpeningAKitRefillsBothGridsAndShowsItsShortName) {
    const QString path = home.path() + "/Kits/Concerts.vkt";
    writeAll(path, "[Section1]\nButton1=Opening\n[TemaArtist]\nButton1=Ballads\n");
    state.SelectedTemaNumber = 3;
    state.CurrentSection = "Section3";
    form.show();
    form.showTextPane();
    prompts.answers = {path};
    QTest::mouseClick(form.SpeedButtonFileIniOpen, Qt::LeftButton);

    EXPECT_EQ(prompts.dialogFolders.value(0), dataPath("TEMES"));
    EXPECT_EQ(prompts.dialogFilters.value(0), "Files of Dolvena   *.vkt (*.vkt)");
    EXPECT_EQ(state.KitFileName, path);
    EXPECT_EQ(form.songButton(1)->text(), "Opening");
    EXPECT_EQ(form.songButton(2)->text(), "Song-2");
    EXPECT_EQ(form.temaButton(1)->text(), "Ballads");
    EXPECT_EQ(form.temaButton(2)->text(), "Artist-2");
    EXPECT_TRUE(form.temaButton(1)->isChecked());
    EXPECT_EQ(state.SelectedTemaNumber, 1) << "the pressed theme and the songs shown agree";
    EXPECT_EQ(form.GroupBoxSong->title(), "Concert");
    EXPECT_EQ(form.windowTitle(), " " + path);
    EXPECT_TRUE(form.songPaneShown());
    EXPECT_FALSE(form.textPaneShown());
    EXPECT_TRUE(form.SpeedButtonToSong->isChecked());
    EXPECT_EQ(form.LabelStatus->text(), " ");

    // Cancelled: the kit stays, and the dialog opens on the file chosen last time.
    form.LabelStatus->setText("busy");
    form.showTextPane();
    QTest::mouseClick(form.SpeedButtonFileIniOpen, Qt::LeftButton);
    EXPECT_EQ(prompts.dialogFileNames.value(1), path);
    EXPECT_EQ(state.KitFileName, path);
    EXPECT_EQ(form.LabelStatus->text(), " ");
    EXPECT_EQ(form.windowTitle(), " " + path);
    EXPECT_TRUE(form.songPaneShown());
}

TEST_F(KitActionsFixture, AnOpenedKitWithABadSongIconStillShowsItsThemes) {
    const QString path = home.path() + "/Kits/Broken.vkt";
    const QString bad = home.path() + "/Kits/bad.bmp";
    writeAll(bad, "BM garbage");
    writeAll(path, ("[Section1]\nIcon3=" + bad + "\n[TemaArtist]\nButton2=Dance\n").toUtf8());
    form.show();
    prompts.answers = {path};
    QTest::mouseClick(form.SpeedButtonFileIniOpen, Qt::LeftButton);
    EXPECT_EQ(prompts.errors, QStringList{"Bitmap image is not valid"});
    EXPECT_EQ(form.temaButton(2)->text(), "Dance");
    EXPECT_EQ(form.temaButton(20)->text(), "Artist-20");
    EXPECT_EQ(state.KitFileName, path);
}

TEST_F(KitActionsFixture, AKitThatCannotBeReadLeavesThePreviousKitCurrent) {
    writeAll(kit(), "[Section2]\nButton1=Old two\n[TemaArtist]\nButton1=Old theme\n");
    ReturnNameButtonTema(form, state);
    QTest::mouseClick(form.temaButton(2), Qt::LeftButton);
    form.setWindowTitle(" " + kit());
    const QString groupTitle = form.GroupBoxSong->title();
    const QString huge = home.path() + "/Huge.vkt";
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(65 * 1024 * 1024)); // sparse
    }
    prompts.answers = {huge};
    QTest::mouseClick(form.SpeedButtonFileIniOpen, Qt::LeftButton);

    EXPECT_EQ(prompts.errors, QStringList{"Unable to read " + huge});
    EXPECT_EQ(state.KitFileName, kit());
    EXPECT_EQ(state.SelectedTemaNumber, 2);
    EXPECT_EQ(state.CurrentSection, "Section2");
    EXPECT_TRUE(form.temaButton(2)->isChecked());
    EXPECT_FALSE(form.temaButton(1)->isChecked());
    EXPECT_EQ(form.songButton(1)->text(), "Old two");
    EXPECT_EQ(form.temaButton(1)->text(), "Old theme");
    EXPECT_EQ(form.GroupBoxSong->title(), groupTitle);
    EXPECT_EQ(form.windowTitle(), " " + kit());
    EXPECT_TRUE(form.songPaneShown());
}

// The real dialog of the "Kits" button takes a new name, and opens next time where the last
// choice was made.
TEST(KitsDialog, TakesANewNameAndReopensInTheFolderOfTheLastChoice) {
    class Recorded : public WidgetPrompts {
    public:
        void error(const QString& text) override { boxes << text; }
        void message(const QString& title, const QString& text) override { boxes << title + "|" + text; }
        QStringList boxes;
    };
    TempHome home;
    writePlaceholderIcons();
    QDir().mkpath(dataPath("TEMES"));
    QDir().mkpath(home.path() + "/Gigs");
    SelectionState state;
    state.KitFileName = dataPath("TEMES/First.vkt");
    Recorded prompts;
    TBaseForm form{state, prompts};
    const QString fresh = home.path() + "/Gigs/Fresh.vkt";

    QString shownIn, typed;
    bool openEnabled = false;
    const auto answer = [&](const QString& choose) {
        QTimer::singleShot(0, [&, choose] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no file dialog";
                return;
            }
            shownIn = dialog->directory().absolutePath();
            typed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
            if (choose.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(choose);
            QPushButton* open =
                dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
            openEnabled = open->isEnabled();
            if (openEnabled)
                open->click();
            else
                dialog->reject();
        });
    };

    answer(fresh);
    QTest::mouseClick(form.SpeedButtonFileIniOpen, Qt::LeftButton);
    EXPECT_EQ(shownIn, dataPath("TEMES"));
    EXPECT_EQ(typed, "First.vkt");
    EXPECT_TRUE(openEnabled) << "a name that does not exist is taken";
    EXPECT_EQ(state.KitFileName, fresh);
    EXPECT_EQ(form.songButton(1)->text(), "Song-1");
    EXPECT_EQ(form.temaButton(1)->text(), "Artist-1");
    EXPECT_EQ(form.GroupBoxSong->title(), "Fresh");
    EXPECT_TRUE(prompts.boxes.isEmpty()) << prompts.boxes.join('\n').toStdString();

    answer({});
    QTest::mouseClick(form.SpeedButtonFileIniOpen, Qt::LeftButton);
    EXPECT_EQ(shownIn, home.path() + "/Gigs");
    EXPECT_EQ(typed, "Fresh.vkt");
}

TEST_F(KitActionsFixture, NewFileCreatesAKitAndShowsIt) {
    writeAll(kit(), "[Section1]\nButton1=Old kit\n");
    form.SpeedButtonTemaClick(1);
    whenEditorOpens([](TEditIniForm& d) {
        EXPECT_FALSE(d.GroupBoxFile->isHidden());
        d.SpeedButtonNew->click();
    });
    form.SpeedButtonNewFile->click();
    const QString created = dataPath("TEMES/New001.vkt");
    EXPECT_EQ(state.KitFileName, created);
    EXPECT_EQ(IniFile(created).readString("Option", "File", ""), kit());
    EXPECT_EQ(form.GroupBoxSong->title(), created);
    EXPECT_EQ(form.windowTitle(), "JOB kits = " + created);
    EXPECT_EQ(form.songButton(1)->text(), "Song-1");
    EXPECT_EQ(form.temaButton(20)->text(), "Artist-20");
    EXPECT_EQ(form.LabelStatus->text(), " ");
}

TEST_F(KitActionsFixture, NewFileCancelledShowsTheCurrentKitOrSaysItIsGone) {
    writeAll(kit(), "[Section1]\nButton1=Kept\n");
    whenEditorOpens([](TEditIniForm& d) { d.BitBtn1->click(); });
    form.SpeedButtonNewFile->click();
    EXPECT_EQ(form.songButton(1)->text(), "Kept");
    EXPECT_EQ(form.windowTitle(), "JOB kits = " + kit());

    QFile::remove(kit());
    form.songButton(1)->setText("Still shown");
    whenEditorOpens([](TEditIniForm& d) { d.BitBtnEsc->click(); });
    form.SpeedButtonNewFile->click();
    EXPECT_EQ(form.LabelStatus->text(), QStringLiteral("Не могу найти файл c темами! "));
    EXPECT_EQ(form.GroupBoxSong->title(), "No File  " + kit());
    EXPECT_EQ(form.windowTitle(), "JOB kits = " + kit()) << "the caption is left as it was";
    EXPECT_EQ(form.songButton(1)->text(), "Still shown");
    EXPECT_EQ(opened, 2);
}
