#include "EditorFixture.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

using namespace sarvel;
using namespace sarvel::test;

namespace {

class ButtonSave : public EditorFixture {
protected:
    ButtonSave() {
        state.SelectedTemaNumber = 2;
        state.CurrentSection = "Section2";
    }
    void ok() {
        form.show();
        form.BitBtnOK->click();
        EXPECT_FALSE(form.isVisible()) << "OK always closes the dialog";
    }
};

} // namespace

TEST_F(ButtonSave, UntouchedSongButtonWritesItsDefaultsAndRefills) {
    writeKit("[Section2]\nButton1=One\n");
    activateSong(7);
    ok();
    EXPECT_EQ(readAll(kit()),
              "[Section2]\nButton1=One\nButton7=Song-7\nText7=-\nSong7=-\nIcon7=-\nVol7=50\n");
    EXPECT_EQ(state.SongCaption, "Song-7");
    EXPECT_EQ(state.EditMode, 1);
    EXPECT_EQ(host.view.songCaption[1], "One") << "the shown theme was refilled";
    EXPECT_EQ(host.view.songCaption[7], "Song-7");
    EXPECT_EQ(host.view.pressed, 1);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ButtonSave, SongEntriesGoToTheSectionBeingEdited) {
    const QString rtf = existing("TEXTS/a.rtf");
    const QString mp3 = existing("SONGS/a.mp3");
    writeBitmap(dataPath("ICONS/a.bmp"), 15);
    state.CurrentSection = "Section5"; // the theme the song pane was filled from
    activateSong(18);
    form.EditNameButton->setText("New name");
    prompts.answers = {rtf, mp3, dataPath("ICONS/a.bmp")};
    form.SpeedButtonOpenText->click();
    form.SpeedButtonOpenSong->click();
    form.SpeedButtonIcon->click();
    form.ScrollBarVol->setValue(73);
    ok();
    EXPECT_EQ(entry("Section5", "Button18"), "New name");
    EXPECT_EQ(entry("Section5", "Text18"), rtf);
    EXPECT_EQ(entry("Section5", "Song18"), mp3);
    EXPECT_EQ(entry("Section5", "Icon18"), dataPath("ICONS/a.bmp"));
    EXPECT_EQ(entry("Section5", "Vol18"), "73");
    EXPECT_EQ(state.TextFileName, rtf);
    EXPECT_EQ(state.SongFileName, mp3);
    EXPECT_EQ(state.IconFileName, dataPath("ICONS/a.bmp"));
    EXPECT_EQ(state.CurrentSection, "Section2") << "the shown theme is current again";
    EXPECT_EQ(state.TemaNumber, 2);
}

TEST_F(ButtonSave, VanishedFilesKeepTheirOldEntriesWithAWarningEach) {
    const QString oldRtf = existing("TEXTS/old.rtf");
    writeKit("[Section2]\nButton4=Old\nText4=" + oldRtf.toUtf8() + "\nSong4=-\nVol4=10\n");
    activateSong(4);
    const QString newRtf = existing("TEXTS/new.rtf");
    const QString newMp3 = existing("SONGS/new.mp3");
    const QString newBmp = existing("ICONS/new.bmp");
    prompts.answers = {newRtf, newMp3};
    form.SpeedButtonOpenText->click();
    form.SpeedButtonOpenSong->click();
    form.EditIconFileName = newBmp;
    form.EditNameButton->setText("Renamed");
    for (const QString& path : {newRtf, newMp3, newBmp})
        QFile::remove(path);
    ok();
    EXPECT_EQ(prompts.messages, (QStringList{QStringLiteral("Warning|Файл RTF не инициализирован! "),
                                             QStringLiteral("Warning|Файл Wav не инициализирован! "),
                                             QStringLiteral("Warning|Файл Ico не инициализирован! ")}));
    EXPECT_EQ(entry("Section2", "Text4"), oldRtf);
    EXPECT_EQ(entry("Section2", "Song4"), "-");
    EXPECT_EQ(entry("Section2", "Icon4"), "<none>");
    EXPECT_EQ(entry("Section2", "Button4"), "Renamed") << "the other entries are written";
    EXPECT_EQ(state.TextFileName, "-");
}

TEST_F(ButtonSave, ClearedSongIsStoredAsTheNoneMarker) {
    const QString mp3 = existing("SONGS/a.mp3");
    writeKit("[Section2]\nSong3=" + mp3.toUtf8() + "\n");
    activateSong(3);
    form.SpeedButtonDelSong->click();
    ok();
    EXPECT_EQ(entry("Section2", "Song3"), "-");
}

TEST_F(ButtonSave, VolumeIsStoredWhetherOrNotCoupled) {
    for (bool coupled : {false, true}) {
        host.on = coupled;
        activateSong(6);
        form.ScrollBarVol->setValue(coupled ? 74 : 73);
        ok();
        EXPECT_EQ(entry("Section2", "Vol6"), coupled ? "74" : "73");
    }
}

TEST_F(ButtonSave, KeyAndTempoAreWrittenOnlyOnceTheUserChangesThem) {
    const QByteArray song = "[Section2]\nButton7=Seven\nText7=-\nSong7=-\nIcon7=-\nVol7=50\n";
    const QByteArray rest = "[Other]\nx=y\n";
    writeKit(song + rest);
    activateSong(7);
    form.EditNameButton->setText("Renamed");
    ok();
    EXPECT_EQ(readAll(kit()), "[Section2]\nButton7=Renamed\nText7=-\nSong7=-\nIcon7=-\nVol7=50\n" + rest);

    writeKit(song + rest);
    activateSong(7);
    form.show();
    QTest::keyClick(form.SpinEditKey, Qt::Key_Down);
    QTest::keyClick(form.SpinEditKey, Qt::Key_Down);
    QTest::keyClick(form.SpinEditTempo, Qt::Key_PageDown);
    ok();
    EXPECT_EQ(readAll(kit()), song + "Key7=-2\nTempo7=90\n" + rest);

    activateSong(7);
    ASSERT_EQ(form.SpinEditKey->value(), -2);
    ASSERT_EQ(form.SpinEditTempo->value(), 90);
    form.SpinEditKey->setValue(0);
    form.SpinEditTempo->setValue(100);
    ok();
    EXPECT_EQ(readAll(kit()), song + "Key7=0\nTempo7=100\n" + rest) << "a reset to the defaults is stored";
}

TEST_F(ButtonSave, UntouchedThemeButtonStoresThePlaceholderPath) {
    state.CurrentSection = "Section2";
    activateTema(3);
    ok();
    EXPECT_EQ(entry("TemaArtist", "Button3"), "Artist-3");
    EXPECT_EQ(entry("TemaArtist", "Icon3"), "C:\\SARVEL\\NoIcoT.bmp");
    EXPECT_EQ(state.TemaCaption, "Artist-3");
    EXPECT_EQ(host.view.temaCaption[3], "Artist-3");
    EXPECT_EQ(host.view.temaGlyph[3], 7);
    EXPECT_EQ(state.CurrentSection, "Section2");
    EXPECT_EQ(state.TemaNumber, 2);
}

TEST_F(ButtonSave, ThemeIconThatIsGoneWarnsAndIsNotWritten) {
    QFile::remove(dataPath("NoIcoT.bmp"));
    activateTema(3);
    EXPECT_EQ(pictureWidth(form.SpeedButtonTempTema), 0);
    form.EditTemaButton->setText("Rock");
    form.show();
    form.BitBtnOK->click();
    // The third word begins with a Latin n.
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral(u"Warning|Файла Ico n\u0435 существует ")});
    EXPECT_EQ(entry("TemaArtist", "Button3"), "Rock");
    EXPECT_EQ(entry("TemaArtist", "Icon3"), "<none>");
}

TEST_F(ButtonSave, CancelChangesNothingInTheKit) {
    const QByteArray before = "; my kit\r\n[Section2]\r\nButton1 = One\r\nVol1=0x32\r\n\r\n[Other]\r\nx=y";
    writeKit(before);
    activateSong(1);
    form.EditNameButton->setText("Changed");
    form.SpeedButtonDelRtf->click();
    form.ScrollBarVol->setValue(99);
    form.show();
    form.BitBtnEsc->click();
    EXPECT_FALSE(form.isVisible());
    activateTema(1);
    form.show();
    form.BitBtn1->click();
    EXPECT_EQ(readAll(kit()), before);
    EXPECT_EQ(state.EditMode, 1);
}

TEST_F(ButtonSave, RefusedWriteLeavesTheKitAndTheButtonsAsTheyWere) {
    const QByteArray before = "[Section2]\nButton1=One\nVol1=40\n";
    writeKit(before);
    ASSERT_TRUE(QFile::setPermissions(kit(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    activateSong(1);
    form.EditNameButton->setText("Changed");
    form.ScrollBarVol->setValue(90);
    ok();
    EXPECT_EQ(prompts.errors, QStringList{"Unable to write to " + kit()});
    EXPECT_EQ(readAll(kit()), before);
    EXPECT_EQ(state.SongCaption, "One") << "the caller shows what the kit holds";
    EXPECT_TRUE(host.view.songCaption.empty()) << "no refill after a refused write";

    activateTema(6);
    form.EditTemaButton->setText("Changed");
    ok();
    EXPECT_EQ(prompts.errors.size(), 2);
    EXPECT_EQ(readAll(kit()), before);
    EXPECT_EQ(state.EditMode, 2) << "the mode stays as the stopped save left it";
    EXPECT_EQ(state.CurrentSection, "Section2") << "the shown theme's section is put back";
    EXPECT_EQ(state.TemaCaption, "Artist-6");
    QFile::setPermissions(kit(), QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(ButtonSave, KitInAMissingFolderIsReportedAndNotCreated) {
    state.KitFileName = home.path() + "/gone/Kit.vkt";
    activateSong(1);
    ok();
    EXPECT_EQ(prompts.errors, QStringList{"Unable to write to " + state.KitFileName});
    EXPECT_FALSE(QFileInfo::exists(state.KitFileName));
}

TEST_F(ButtonSave, FirstSaveCreatesAKitThatDidNotExist) {
    state.KitFileName = dataPath("TEMES/Fresh.vkt");
    activateSong(2);
    ok();
    EXPECT_EQ(readAll(state.KitFileName), "[Section2]\nButton2=Song-2\nText2=-\nSong2=-\nIcon2=-\nVol2=50\n");
}

TEST_F(ButtonSave, PastedLineBreaksInCaptionsBecomeSpaces) {
    writeKit(readAll(dataFile("kit/windows-1251.vkt")));
    state.CurrentSection = "Section1";
    activateSong(2);
    form.EditNameButton->setText(QStringLiteral(u"Осенний\r\nвальс\nи\u2028блюз\u2029\rx"));
    ok();
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
    EXPECT_EQ(entry("Section1", "Button2"), QStringLiteral("Осенний вальс и блюз  x"));
    EXPECT_EQ(state.SongCaption, QStringLiteral("Осенний вальс и блюз  x"));

    activateTema(2);
    form.EditTemaButton->setText("Rock\nRoll");
    ok();
    EXPECT_EQ(entry("TemaArtist", "Button2"), "Rock Roll");
    EXPECT_TRUE(prompts.errors.isEmpty());
}

TEST_F(ButtonSave, TextTheKitCannotHoldIsRefusedAndTheDialogKeepsTheEdits) {
    const QByteArray before = readAll(dataFile("kit/windows-1251.vkt"));
    writeKit(before);
    state.CurrentSection = "Section1";
    const auto refused = [&](const QString& expected) {
        prompts.messages.clear();
        form.show();
        form.BitBtnOK->click();
        EXPECT_TRUE(form.isVisible()) << "the dialog stays open";
        EXPECT_EQ(prompts.messages, QStringList{expected});
        EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
        EXPECT_EQ(readAll(kit()), before);
    };
    activateSong(2);
    form.EditNameButton->setText(QStringLiteral("Вальс ♪"));
    refused(QStringLiteral("Error|Символ «♪» (U+266A) в названии кнопки нельзя записать в набор: файл "
                           "набора хранится в кодировке Windows-1251. Измените название или выберите "
                           "другой файл."));
    EXPECT_EQ(form.EditNameButton->text(), QStringLiteral("Вальс ♪"));
    EXPECT_EQ(state.EditMode, 1);

    form.EditNameButton->setText(QStringLiteral("Вальс"));
    const QString rtf = existing(QStringLiteral("TEXTS/песня 中.rtf"));
    prompts.answers = {rtf};
    form.SpeedButtonOpenText->click();
    refused(QStringLiteral("Error|Символ «中» (U+4E2D) в имени файла RTF нельзя записать в набор: файл "
                           "набора хранится в кодировке Windows-1251. Измените название или выберите "
                           "другой файл."));

    form.SpeedButtonDelRtf->click();
    ok();
    EXPECT_EQ(entry("Section1", "Button2"), QStringLiteral("Вальс"));
    EXPECT_EQ(entry("Section1", "Text2"), "-");
    EXPECT_TRUE(readAll(kit()).contains("Button2=\xC2\xE0\xEB\xFC\xF1")) << "still Windows-1251";

    activateTema(2);
    form.EditTemaButton->setText(QStringLiteral("Café"));
    prompts.messages.clear();
    form.show();
    form.BitBtnOK->click();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("«é» (U+00E9) в названии кнопки")));
    EXPECT_EQ(entry("TemaArtist", "Button2"), "Dance");
}
