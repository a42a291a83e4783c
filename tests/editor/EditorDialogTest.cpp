#include "EditorFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <tuple>

using namespace sarvel;
using namespace sarvel::test;

namespace {

using EditorDialog = EditorFixture;

} // namespace

TEST_F(EditorDialog, SongModeFillsItselfFromTheCurrentSection) {
    const QString rtf = existing("TEXTS/waltz.rtf");
    const QString mp3 = existing("SONGS/waltz.mp3");
    writeBitmap(dataPath("ICONS/leaf.bmp"), 21);
    writeKit("[Section1]\nButton7=Wrong section\n[Section2]\nButton7=Осенний вальс\nText7=" + rtf.toUtf8() +
             "\nSong7=" + mp3.toUtf8() + "\nIcon7=C:\\SARVEL\\ICONS\\leaf.bmp\nVol7=73\n");
    state.CurrentSection = "Section2";
    activateSong(7);

    EXPECT_FALSE(form.GroupBoxSong->isHidden());
    EXPECT_TRUE(form.GroupBoxTema->isHidden());
    EXPECT_TRUE(form.GroupBoxFile->isHidden());
    EXPECT_EQ(state.SongCaption, QStringLiteral("Осенний вальс"));
    EXPECT_EQ(form.EditNameButton->text(), QStringLiteral("Осенний вальс"));
    EXPECT_EQ(form.SpeedButtonSongTemp->text(), QStringLiteral("Осенний вальс"));
    EXPECT_EQ(form.LabelNameRtf->text(), rtf);
    EXPECT_EQ(form.LabelNameSong->text(), mp3);
    EXPECT_EQ(form.LabelIcon->text(), "C:\\SARVEL\\ICONS\\leaf.bmp");
    EXPECT_EQ(state.IconFileName, "C:\\SARVEL\\ICONS\\leaf.bmp");
    EXPECT_EQ(pictureWidth(form.SpeedButtonSongTemp), 21) << "a stored Windows path names the data folder";
    EXPECT_EQ(form.ScrollBarVol->value(), 73);
    EXPECT_EQ(form.LabelVol->text(), "73");
    EXPECT_EQ(form.windowTitle(), kit() + "  Song Button = 7");
    EXPECT_EQ(form.width(), 550);
}

TEST_F(EditorDialog, ButtonWithoutEntriesOpensWithDefaultsAndKeepsTheLastPicture) {
    writeBitmap(dataPath("ICONS/leaf.bmp"), 21);
    writeKit("[Section1]\nIcon3=" + dataPath("ICONS/leaf.bmp").toUtf8() + "\nVol3=10\n");
    activateSong(3);
    ASSERT_EQ(pictureWidth(form.SpeedButtonSongTemp), 21);

    activateSong(7);
    EXPECT_EQ(form.EditNameButton->text(), "Song-7");
    EXPECT_EQ(form.LabelNameRtf->text(), "-");
    EXPECT_EQ(form.LabelNameSong->text(), "-");
    EXPECT_EQ(form.LabelIcon->text(), "-");
    EXPECT_EQ(form.ScrollBarVol->value(), 50);
    EXPECT_EQ(pictureWidth(form.SpeedButtonSongTemp), 21);
    EXPECT_TRUE(prompts.errors.isEmpty());
}

TEST_F(EditorDialog, StoredVolumeIsKeptWithinTheBar) {
    writeKit("[Section1]\nVol1=150\nVol2=-5\nVol3=abc\nVol4=0x32\n");
    const std::pair<int, int> cases[] = {{1, 100}, {2, 0}, {3, 50}, {4, 50}};
    for (const auto& [number, position] : cases) {
        activateSong(number);
        EXPECT_EQ(form.ScrollBarVol->value(), position) << "Vol" << number;
    }
}

TEST_F(EditorDialog, StoredKeyAndTempoAreShownWithinTheirRangesAndNotRewritten) {
    const QByteArray before = "[Section1]\nButton1=A\nText1=-\nSong1=-\nIcon1=-\nVol1=50\nKey1=9\nTempo1=20\n"
                              "Key2=-7\nTempo2=151\nKey3=abc\nTempo3=\n";
    writeKit(before);
    const std::tuple<int, int, int> cases[] = {{2, -6, 150}, {3, 0, 100}, {1, 6, 50}};
    for (const auto& [number, key, tempo] : cases) {
        activateSong(number);
        EXPECT_EQ(form.SpinEditKey->value(), key) << "song " << number;
        EXPECT_EQ(form.SpinEditTempo->value(), tempo) << "song " << number;
    }
    form.show();
    form.BitBtnOK->click();
    EXPECT_EQ(readAll(kit()), before) << "values the user left alone stay as the kit had them";
}

TEST_F(EditorDialog, ThemeModeReadsTemaArtistAndMakesItsSectionCurrent) {
    writeKit("[TemaArtist]\nButton5=Dance\n");
    activateTema(3);
    EXPECT_FALSE(form.GroupBoxTema->isHidden());
    EXPECT_TRUE(form.GroupBoxSong->isHidden());
    EXPECT_TRUE(form.GroupBoxFile->isHidden());
    EXPECT_EQ(state.TemaCaption, "Artist-3");
    EXPECT_EQ(form.EditTemaButton->text(), "Artist-3");
    EXPECT_EQ(form.SpeedButtonTempTema->text(), "Artist-3");
    EXPECT_EQ(form.LabelIcoTema->text(), "C:\\SARVEL\\NoIcoT.bmp");
    EXPECT_EQ(pictureWidth(form.SpeedButtonTempTema), 7) << "the placeholder, found in the data folder";
    EXPECT_EQ(state.CurrentSection, "Section3");
    EXPECT_EQ(form.windowTitle(), kit() + "  Tema Button = 3");
    EXPECT_TRUE(form.SpeedButtonNewTema->isHidden());
    EXPECT_TRUE(form.SpeedButtonDeleteSection->isHidden());
}

TEST_F(EditorDialog, FileModeOffersTheNewKitNameEveryTime) {
    state.EditMode = 3;
    form.FormActivate();
    form.Editfile->setText("/somewhere/else.vkt");
    form.FormActivate();
    EXPECT_EQ(form.Editfile->text(), dataPath("TEMES/New001.vkt"));
    EXPECT_FALSE(form.GroupBoxFile->isHidden());
    EXPECT_TRUE(form.GroupBoxSong->isHidden());
    EXPECT_TRUE(form.GroupBoxTema->isHidden());
    EXPECT_EQ(form.windowTitle(), kit());
}

TEST_F(EditorDialog, VolumeMovesTheMainVolumeOnlyWhileCoupled) {
    writeKit("[Section1]\nVol1=50\nVol2=40\n");
    activateSong(1);
    EXPECT_FALSE(form.CheckBoxVolumeOn->isChecked());
    form.ScrollBarVol->setValue(73);
    EXPECT_EQ(form.LabelVol->text(), "73");
    EXPECT_TRUE(host.mainVolume.empty());

    host.on = true;
    activateSong(1); // the stored 50: the bar moves and the main volume follows
    EXPECT_TRUE(form.CheckBoxVolumeOn->isChecked());
    ASSERT_FALSE(host.mainVolume.empty());
    EXPECT_EQ(host.mainVolume.back(), 50);
    host.mainVolume.clear();
    activateSong(1); // the bar does not move, yet activation still sets the main volume
    EXPECT_EQ(host.mainVolume, std::vector<int>{50});
    form.ScrollBarVol->setValue(20);
    EXPECT_EQ(host.mainVolume.back(), 20);

    form.CheckBoxVolumeOn->click();
    EXPECT_FALSE(host.on) << "the dialog's box hands its state to the main window's";
}

TEST_F(EditorDialog, PreviewCaptionFollowsEachKeyRelease) {
    activateSong(2);
    form.EditNameButton->setText("Pasted");
    EXPECT_EQ(form.SpeedButtonSongTemp->text(), "Song-2") << "no key released yet";
    QTest::keyClick(form.EditNameButton, Qt::Key_X);
    EXPECT_EQ(form.SpeedButtonSongTemp->text(), "Pastedx");
    activateTema(4);
    QTest::keyClicks(form.EditTemaButton, "Z");
    EXPECT_EQ(form.SpeedButtonTempTema->text(), "Artist-4Z");
}

TEST_F(EditorDialog, ChoosersUseTheirFoldersFiltersAndLastFile) {
    activateSong(1);
    const QString rtf = existing("TEXTS/a.rtf");
    prompts.answers = {rtf};
    form.SpeedButtonOpenText->click();
    EXPECT_EQ(form.EditTextFileName, rtf);
    EXPECT_EQ(form.LabelNameRtf->text(), rtf);
    form.SpeedButtonOpenText->click(); // cancelled
    EXPECT_EQ(form.EditTextFileName, rtf);
    EXPECT_EQ(prompts.dialogFolders.value(0), dataPath("TEXTS"));
    EXPECT_EQ(prompts.dialogFilters.value(0), "RTF files (*.rtf)");
    EXPECT_EQ(prompts.dialogFileNames.value(1), rtf) << "opens on the file last chosen";

    const QString elsewhere = home.path() + "/Words/b.rtf";
    writeAll(elsewhere, "x");
    prompts.answers = {elsewhere};
    form.SpeedButtonOpenText->click();
    form.SpeedButtonOpenText->click();
    EXPECT_EQ(prompts.dialogFolders.value(3), home.path() + "/Words") << "in the folder of the last choice";

    form.SpeedButtonOpenSong->click();
    EXPECT_EQ(prompts.dialogFolders.value(4), dataPath("SONGS"));
    EXPECT_EQ(prompts.dialogFilters.value(4), "mp3 (*.mp3);;wav (*.wav);;midi (*.mid *.kar);;all (*.*)");
    EXPECT_EQ(form.EditSongFileName, "-");

    form.SpeedButtonDelRtf->click();
    EXPECT_EQ(form.EditTextFileName, "-");
    EXPECT_EQ(form.LabelNameRtf->text(), "-");
}

TEST_F(EditorDialog, ChosenIconShowsAndClearingKeepsThePicture) {
    activateSong(1);
    const QString star = home.path() + "/Pictures/star.bmp";
    writeBitmap(star, 17);
    prompts.answers = {star};
    form.SpeedButtonIcon->click();
    EXPECT_EQ(prompts.dialogFolders.value(0), dataPath("ICONS"));
    EXPECT_EQ(prompts.dialogFilters.value(0), "Bitmaps (*.bmp)");
    EXPECT_EQ(form.EditIconFileName, star);
    EXPECT_EQ(pictureWidth(form.SpeedButtonSongTemp), 17);
    form.SpeedButtonDelIcon->click();
    EXPECT_EQ(form.EditIconFileName, "-");
    EXPECT_EQ(form.LabelIcon->text(), "-");
    EXPECT_EQ(pictureWidth(form.SpeedButtonSongTemp), 17);

    activateTema(2);
    prompts.answers = {star};
    form.SpeedButtonIcoTema->click();
    EXPECT_EQ(prompts.dialogFolders.value(1), home.path() + "/Pictures") << "the folder of the last icon";
    EXPECT_EQ(form.LabelIcoTema->text(), star);
    EXPECT_EQ(pictureWidth(form.SpeedButtonTempTema), 17);
    form.SpeedButtonIcotemadel->click();
    EXPECT_EQ(form.EditTemaIconFileName, "-");
    EXPECT_EQ(pictureWidth(form.SpeedButtonTempTema), 17);
}

TEST_F(EditorDialog, UnreadableIconIsReportedAndTheDialogStillFills) {
    const QString bad = existing("ICONS/bad.bmp");
    prompts.answers = {bad};
    activateSong(1);
    form.SpeedButtonIcon->click();
    EXPECT_EQ(prompts.errors, QStringList{"Bitmap image is not valid"});
    EXPECT_EQ(form.LabelIcon->text(), bad) << "the path is taken all the same";

    writeKit("[Section1]\nButton2=Second\nIcon2=" + bad.toUtf8() + "\nVol2=61\n");
    activateSong(2);
    EXPECT_EQ(prompts.errors.size(), 2);
    EXPECT_EQ(form.EditNameButton->text(), "Second") << "activation goes on past the picture";
    EXPECT_EQ(form.ScrollBarVol->value(), 61);
}

TEST_F(EditorDialog, EscapeCancelsButTheCloseBoxLeavesTheMode) {
    activateTema(2);
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(state.EditMode, 1);

    activateTema(2);
    form.show();
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(state.EditMode, 2);
}

TEST_F(EditorDialog, CancelledThemeEditPutsTheShownSectionBack) {
    state.CurrentSection = "Section4";
    activateTema(9);
    ASSERT_EQ(state.CurrentSection, "Section9");
    form.BitBtnEsc->click();
    EXPECT_EQ(state.CurrentSection, "Section4");

    activateTema(9);
    form.show();
    form.close();
    EXPECT_EQ(state.CurrentSection, "Section4");
}

TEST_F(EditorDialog, ReopeningAfterCancelShowsTheKitAgain) {
    const QString song = existing("SONGS/kept.mp3");
    writeKit("[Section1]\nButton1=Kept\nSong1=" + song.toUtf8() + "\nVol1=30\n");
    activateSong(1);
    form.EditNameButton->setText("Typed");
    form.ScrollBarVol->setValue(90);
    form.SpeedButtonDelSong->click();
    form.BitBtnEsc->click();
    activateSong(1);
    EXPECT_EQ(form.EditNameButton->text(), "Kept");
    EXPECT_EQ(form.ScrollBarVol->value(), 30);
    EXPECT_EQ(form.EditSongFileName, song);
    EXPECT_EQ(form.LabelNameSong->text(), song);
}

TEST_F(EditorDialog, EveryControlCanBeNamedAndOnlyOkTakesEnter) {
    for (auto* b : form.findChildren<QAbstractButton*>())
        EXPECT_FALSE(b->accessibleName().isEmpty() && b->text().isEmpty()) << b->objectName().toStdString();
    for (auto* e : form.findChildren<QLineEdit*>())
        EXPECT_FALSE(e->accessibleName().isEmpty()) << e->objectName().toStdString();
    EXPECT_FALSE(form.ScrollBarVol->accessibleName().isEmpty());
    EXPECT_TRUE(form.BitBtnOK->isDefault());
    for (auto* b : form.findChildren<QPushButton*>())
        if (b != form.BitBtnOK) {
            EXPECT_FALSE(b->autoDefault() || b->isDefault()) << b->objectName().toStdString();
        }
}

TEST_F(EditorDialog, LongPathShowsItsEndWithTheWholePathAsTooltip) {
    const QString deep =
        existing("TEXTS/Performances of the autumn tour/Ballads and slow waltzes for two voices/waltz.rtf");
    writeKit("[Section1]\nText7=" + deep.toUtf8() + "\n");
    activateSong(7);
    form.show();
    const QLabel* label = form.LabelNameRtf;
    const QString shown = label->text();
    EXPECT_TRUE(shown.endsWith("/waltz.rtf")) << shown.toStdString();
    EXPECT_GT(shown.indexOf(u'…'), 0) << shown.toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
    EXPECT_EQ(label->toolTip(), deep);
    EXPECT_EQ(label->accessibleDescription(), deep);
}

// The tallest band of `widget` that none of its shown children covers, its edges included.
static int largestBlankBand(const QWidget* widget) {
    std::vector<std::pair<int, int>> spans;
    for (const QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible())
            spans.emplace_back(child->geometry().top(), child->geometry().bottom() + 1);
    std::sort(spans.begin(), spans.end());
    int covered = 0, blank = 0;
    for (const auto& [top, bottom] : spans) {
        blank = std::max(blank, top - covered);
        covered = std::max(covered, bottom);
    }
    return std::max(blank, widget->height() - covered);
}

TEST_F(EditorDialog, ShownGroupFillsTheDialogAndFollowsItsWidth) {
    constexpr int kMargin = 40; // a group's title and frame, a layout's margins
    for (const int mode : {1, 2, 1}) {
        mode == 1 ? activateSong(1) : activateTema(1);
        form.show();
        QGroupBox* shown = mode == 1 ? form.GroupBoxSong : form.GroupBoxTema;
        QWidget* path = mode == 1 ? form.LabelNameRtf : form.LabelIcoTema;
        QWidget* caption = mode == 1 ? form.EditNameButton : form.EditTemaButton;
        EXPECT_LE(largestBlankBand(&form), kMargin) << "mode " << mode;
        EXPECT_LE(largestBlankBand(shown), kMargin) << "mode " << mode;
        const int pathWidth = path->width(), captionWidth = caption->width();

        form.resize(form.width() + 200, form.height() + 200);
        QApplication::processEvents();
        EXPECT_LE(largestBlankBand(&form), kMargin) << "mode " << mode;
        EXPECT_LE(largestBlankBand(shown), kMargin) << "mode " << mode;
        EXPECT_GE(path->width(), pathWidth + 50) << "mode " << mode;
        EXPECT_GE(caption->width(), captionWidth + 50) << "mode " << mode;
        form.hide();
    }
}
