#include "DataFolder.h"
#include "FirstRun.h"
#include "Guard.h"
#include "JpegImage.h"
#include "SarvelApp.h"
#include "TBaseForm.h"
#include "TZastForm.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace sarvel;
using sarvel::test::readAll;
using sarvel::test::TempHome;
using sarvel::test::writeAll;

namespace {

QByteArray builtIn(const QString& name) {
    registerAssets();
    return readAll(":/data/" + name);
}

// A JPEG made by Qt's own encoder: red, green, blue and white quarters.
void writeQuarters(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::white);
    painter.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(image.save(path, "JPG", 95));
}

bool near(const QColor& a, const QColor& b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

std::string loadError(const QString& path) {
    try {
        JpegImage::load(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

QImage shown(const TZastForm& form) {
    return form.Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage builtInSplash() {
    registerAssets();
    return QImage(":/ui/splash.png").convertToFormat(QImage::Format_RGB32);
}

struct RecordingPrompts : Prompts {
    QStringList errors;
    void error(const QString& message) override { errors << message; }
    void message(const QString&, const QString&) override {}
    QString openFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
};

} // namespace

TEST(JpegImage, DecodesTheBundledSplashPictureLikeQtsOwnReader) {
    TempHome home;
    const QString path = home.path() + "/Zastavka.jpg";
    writeAll(path, builtIn("Zastavka.jpg"));

    const QImage image = JpegImage::load(path);
    ASSERT_EQ(image.size(), QSize(284, 357));
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(reference.size(), image.size());
    int worst = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor a = image.pixelColor(x, y), b = reference.pixelColor(x, y);
            worst = std::max({worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                              std::abs(a.blue() - b.blue())});
        }
    EXPECT_LE(worst, 6);
    // Night-blue sky at the top.
    const QColor sky = image.pixelColor(4, 4);
    EXPECT_GT(sky.blue(), sky.red() + 20);
    EXPECT_LT(sky.red(), 60);
}

TEST(JpegImage, KeepsColoursAndLayout) {
    TempHome home;
    const QString path = home.path() + "/quarters.jpg";
    writeQuarters(path, 64, 48);
    const QImage image = JpegImage::load(path);
    ASSERT_EQ(image.size(), QSize(64, 48));
    EXPECT_TRUE(near(image.pixelColor(10, 10), Qt::red)) << image.pixelColor(10, 10).name().toStdString();
    EXPECT_TRUE(near(image.pixelColor(54, 10), Qt::green));
    EXPECT_TRUE(near(image.pixelColor(10, 38), Qt::blue));
    EXPECT_TRUE(near(image.pixelColor(54, 38), Qt::white));
}

TEST(JpegImage, WidensGreyPicturesToRgb) {
    TempHome home;
    const QString path = home.path() + "/grey.jpg";
    QImage grey(20, 10, QImage::Format_Grayscale8);
    grey.fill(200);
    ASSERT_TRUE(grey.save(path, "JPG", 95));
    const QImage image = JpegImage::load(path);
    ASSERT_EQ(image.size(), QSize(20, 10));
    EXPECT_TRUE(near(image.pixelColor(5, 5), QColor(200, 200, 200), 3));
}

TEST(JpegImage, ReportsLibjpegsMessagesForFilesItCannotDecode) {
    TempHome home;
    const QString text = home.path() + "/words.jpg";
    writeAll(text, "hello, this is text\n");
    EXPECT_EQ(loadError(text), "Not a JPEG file: starts with 0x68 0x65");

    const QString png = home.path() + "/picture.jpg";
    registerAssets();
    writeAll(png, readAll(":/ui/splash.png"));
    EXPECT_EQ(loadError(png), "Not a JPEG file: starts with 0x89 0x50");

    const QString empty = home.path() + "/empty.jpg";
    writeAll(empty, "");
    EXPECT_EQ(loadError(empty), "Empty input file");

    // Cut inside the header: no picture data at all.
    const QString header = home.path() + "/header.jpg";
    writeAll(header, builtIn("Zastavka.jpg").left(300));
    EXPECT_EQ(loadError(header), "Invalid JPEG file structure: missing SOS marker");
}

TEST(JpegImage, CannotOpenMissingFilesOrFolders) {
    TempHome home;
    const QString missing = home.path() + "/nowhere/Zastavka.jpg";
    EXPECT_EQ(loadError(missing), ("Cannot open file " + missing).toStdString());
    EXPECT_EQ(loadError(home.path()), ("Cannot open file " + home.path()).toStdString());
}

TEST(JpegImage, ShowsWhatIsThereOfAFileCutShort) {
    TempHome home;
    const QByteArray whole = builtIn("Zastavka.jpg");
    const QString fullPath = home.path() + "/full.jpg";
    const QString cutPath = home.path() + "/cut.jpg";
    writeAll(fullPath, whole);
    writeAll(cutPath, whole.left(whole.size() / 2));

    const QImage full = JpegImage::load(fullPath);
    const QImage cut = JpegImage::load(cutPath);
    ASSERT_EQ(cut.size(), QSize(284, 357));
    EXPECT_EQ(cut.pixelColor(10, 10), full.pixelColor(10, 10));
    EXPECT_TRUE(near(cut.pixelColor(270, 350), QColor(128, 128, 128), 4))
        << cut.pixelColor(270, 350).name().toStdString();
}

TEST(TZastForm, IsAFixedNavyWindowWithoutCaptionOrButtons) {
    TempHome home;
    TZastForm form;
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.minimumSize(), QSize(284, 357));
    EXPECT_EQ(form.maximumSize(), QSize(284, 357));
    EXPECT_TRUE(form.windowTitle().isEmpty());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testFlag(Qt::FramelessWindowHint));
    for (Qt::WindowType hint : {Qt::WindowTitleHint, Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint,
                                Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint})
        EXPECT_FALSE(flags.testFlag(hint)) << int(hint);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0, 0, 128));
    EXPECT_FALSE(form.accessibleName().isEmpty());

    ASSERT_EQ(form.findChild<QLabel*>("Image1"), form.Image1);
    EXPECT_EQ(form.Image1->geometry(), QRect(0, 0, 284, 357));
    EXPECT_TRUE(form.Image1->hasScaledContents());

    ASSERT_EQ(form.findChild<QTimer*>("Timer1"), form.Timer1);
    EXPECT_EQ(form.Timer1->interval(), 2323);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_FALSE(form.Timer1->isSingleShot());
}

TEST(TZastForm, ShowsTheBuiltInPictureWithoutZastavkaJpg) {
    TempHome home;
    TZastForm form;
    EXPECT_NO_THROW(form.FormCreate());
    EXPECT_EQ(shown(form), builtInSplash());
}

TEST(TZastForm, ShowsZastavkaJpgWhenItExists) {
    TempHome home;
    writeQuarters(dataPath("Zastavka.jpg"), 40, 30);
    TZastForm form;
    form.FormCreate();
    const QImage image = shown(form);
    ASSERT_EQ(image.size(), QSize(40, 30));
    EXPECT_TRUE(near(image.pixelColor(5, 5), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(35, 25), Qt::white));
}

TEST(TZastForm, BadPictureFileReachesTheErrorBoxAndKeepsTheBuiltInPicture) {
    TempHome home;
    writeAll(dataPath("Zastavka.jpg"), "GIF89a, not a jpeg");
    TZastForm form;
    RecordingPrompts prompts;
    EXPECT_FALSE(guarded(prompts, [&] { form.FormCreate(); }));
    EXPECT_EQ(prompts.errors, QStringList{"Not a JPEG file: starts with 0x47 0x49"});
    EXPECT_EQ(shown(form), builtInSplash());
}

TEST(TZastForm, IsCentredOnThePrimaryScreen) {
    TempHome home;
    TZastForm form;
    form.show();
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    const QPoint centre = form.frameGeometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 2);
    form.done(0);
}

TEST(TZastForm, TimerTickEndsTheModalDisplay) {
    TempHome home;
    TZastForm form;
    form.Timer1->setInterval(30); // the real 2323 ms is checked above; the test need not wait for it
    bool timedOut = false;
    QTimer::singleShot(5000, &form, [&] {
        timedOut = true;
        form.done(99);
    });
    const int result = form.exec();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.Timer1->isActive()); // keeps ticking for the rest of the run
}

TEST(TZastForm, TickWhileHiddenChangesNothing) {
    TempHome home;
    TZastForm form;
    int finished = 0;
    QObject::connect(&form, &QDialog::finished, [&] { ++finished; });
    form.Timer1Timer();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(finished, 0);
}

TEST(TZastForm, OnlyItsTimerClosesIt) {
    TempHome home;
    TZastForm form;
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    form.close();
    EXPECT_TRUE(form.isVisible());
    form.Timer1Timer();
    EXPECT_FALSE(form.isVisible());
}

TEST(TZastForm, ComesAfterABoxRaisedDuringStartUpAndStaysItsFullTime) {
    TempHome home;
    // A bad picture puts an error box up while the windows are being made; the splash's and the
    // main window's timers tick inside it.
    writeAll(dataPath("Zastavka.jpg"), "GIF89a, not a jpeg");
    QStringList answered;
    QElapsedTimer boxUp;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!boxUp.isValid())
            boxUp.start();
        if (boxUp.elapsed() < 1500) // read slowly
            return;
        boxUp.invalidate();
        answered << box->text();
        box->accept();
    });
    reader.start(20);

    SarvelApp sarvel;
    auto* splash = sarvel.baseForm().findChild<TZastForm*>();
    ASSERT_NE(splash, nullptr);
    QElapsedTimer shown;
    qint64 shownFor = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (splash->isVisible() && !shown.isValid())
            shown.start();
        if (!splash->isVisible() && shown.isValid()) {
            shownFor = shown.elapsed();
            QApplication::quit();
        }
    });
    watch.start(5);
    QTimer::singleShot(10000, [] { QApplication::quit(); }); // safety net
    sarvel.run();

    EXPECT_TRUE(answered.contains("Not a JPEG file: starts with 0x47 0x49"))
        << answered.join('\n').toStdString();
    ASSERT_GE(shownFor, 0) << "the splash never showed";
    EXPECT_GE(shownFor, 2000) << "shown for " << shownFor << " ms";
}
