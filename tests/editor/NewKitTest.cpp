#include "EditorFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace sarvel;
using namespace sarvel::test;

namespace {

class NewKit : public EditorFixture {
protected:
    void open() {
        state.EditMode = 3;
        form.FormActivate();
        form.show();
    }
    QString created() const { return dataPath("TEMES/New001.vkt"); }
};

} // namespace

TEST_F(NewKit, CreatesTheOfferedFileNamingThePreviousKit) {
    open();
    form.SpeedButtonNew->click();
    EXPECT_EQ(readAll(created()), "[Option]\nFile=" + kit().toUtf8() + "\n");
    EXPECT_EQ(prompts.messages, QStringList{"Warning|" + QStringLiteral("Создан файл ") + created()});
    EXPECT_EQ(state.KitFileName, created());
    EXPECT_EQ(form.windowTitle(), created());
    EXPECT_EQ(state.EditMode, 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(NewKit, ReusingAnExistingKitKeepsEverythingInIt) {
    writeAll(created(), "; mine\n[Section1]\nButton1=Keep me\n[TemaArtist]\nButton1=Ballads\n");
    open();
    prompts.questionAnswers = {true};
    form.SpeedButtonNew->click();
    EXPECT_EQ(prompts.questions, QStringList{"Warning|" + QStringLiteral("файл ") + created() +
                                             QStringLiteral(" существует, заменить его?")});
    EXPECT_EQ(readAll(created()),
              "; mine\n[Section1]\nButton1=Keep me\n[TemaArtist]\nButton1=Ballads\n[Option]\nFile=" +
                  created().toUtf8() + "\n");
    EXPECT_EQ(prompts.messages, QStringList{"Warning|" + QStringLiteral("Создан файл ") + created()});
    EXPECT_EQ(state.KitFileName, created());
}

TEST_F(NewKit, DecliningLeavesTheFileAndKeepsTheDialogOpen) {
    const QByteArray before = "[Section1]\nButton1=Keep me\n";
    writeAll(created(), before);
    open();
    prompts.questionAnswers = {false};
    form.SpeedButtonNew->click();
    EXPECT_EQ(readAll(created()), before);
    EXPECT_EQ(state.KitFileName, kit());
    EXPECT_TRUE(form.isVisible()) << "another name can be typed";
    EXPECT_EQ(state.EditMode, 3);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(NewKit, MissingFolderIsReportedAndTheDialogStaysOpen) {
    open();
    const QString path = home.path() + "/nowhere/Kit.vkt";
    form.Editfile->setText(path);
    form.SpeedButtonNew->click();
    EXPECT_EQ(prompts.errors, QStringList{"Unable to write to " + path});
    EXPECT_EQ(state.KitFileName, kit());
    EXPECT_EQ(state.EditMode, 3);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(NewKit, AFolderOrAnEmptyNameIsNoKitName) {
    for (const QString& name : {dataPath("TEMES"), QString("   ")}) {
        prompts.messages.clear();
        open();
        form.Editfile->setText(name);
        form.SpeedButtonNew->click();
        EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Error|Ошибка пути или имени файла!")});
        EXPECT_EQ(state.KitFileName, kit());
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(prompts.questions.isEmpty()) << "a folder is never offered for reuse";
    }
}

TEST_F(NewKit, AWindowsPathNamesTheDataFolder) {
    open();
    form.Editfile->setText("C:\\SARVEL\\TEMES\\Gig.vkt");
    form.SpeedButtonNew->click();
    EXPECT_TRUE(QFileInfo(dataPath("TEMES/Gig.vkt")).isFile());
    EXPECT_EQ(state.KitFileName, dataPath("TEMES/Gig.vkt"));
}

TEST_F(NewKit, ARelativeOrHomeNameIsMadeAbsolute) {
    // Started from some other folder: nothing may land there.
    const QString started = QDir::currentPath();
    const QString elsewhere = home.path() + "/elsewhere";
    QDir().mkpath(elsewhere);
    QDir::setCurrent(elsewhere);
    open();
    form.Editfile->setText("rel.vkt");
    form.SpeedButtonNew->click();
    EXPECT_EQ(state.KitFileName, dataPath("TEMES/rel.vkt"));
    EXPECT_TRUE(QFileInfo(dataPath("TEMES/rel.vkt")).isFile());
    open();
    form.Editfile->setText("~/x.vkt");
    form.SpeedButtonNew->click();
    EXPECT_EQ(state.KitFileName, home.path() + "/x.vkt");
    EXPECT_EQ(IniFile(home.path() + "/x.vkt").readString("Option", "File", ""), dataPath("TEMES/rel.vkt"));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    QDir::setCurrent(started);
}

TEST_F(NewKit, CancelCreatesNothingWhileEnterAndOkCreate) {
    open();
    form.BitBtn1->click();
    EXPECT_FALSE(form.isVisible());
    open();
    form.BitBtnEsc->click();
    EXPECT_FALSE(QFileInfo::exists(created()));
    EXPECT_EQ(state.KitFileName, kit());
    EXPECT_EQ(state.EditMode, 1);

    open();
    form.Editfile->setFocus();
    QTest::keyClick(form.Editfile, Qt::Key_Return);
    EXPECT_EQ(state.KitFileName, created());
    EXPECT_TRUE(QFileInfo(created()).isFile());
    EXPECT_FALSE(form.isVisible());
    open();
    form.Editfile->setText(dataPath("TEMES/Ok.vkt"));
    form.BitBtnOK->click();
    EXPECT_EQ(state.KitFileName, dataPath("TEMES/Ok.vkt"));
    EXPECT_EQ(state.EditMode, 1);
    EXPECT_FALSE(form.isVisible());
}
