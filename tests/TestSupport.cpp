#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <stdexcept>

namespace sarvel::test {

QString dataFile(const QString& name) {
    return QStringLiteral(SARVEL_TEST_DATA) + "/" + name;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("test: cannot read " + path.toStdString());
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("test: cannot write " + path.toStdString());
}

void writeBitmap(const QString& path, int width) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, 12, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.setPixel(0, 11, qRgb(255, 0, 255));
    if (!image.save(path, "BMP"))
        throw std::runtime_error("test: cannot write " + path.toStdString());
}

void writePlaceholderIcons() {
    writeBitmap(QDir::homePath() + "/SARVEL/NoIcoS.bmp", 9);
    writeBitmap(QDir::homePath() + "/SARVEL/NoIcoT.bmp", 7);
}

TempHome::TempHome() : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
    if (!dir_.isValid())
        throw std::runtime_error("test: no temporary folder");
    qputenv("HOME", dir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/.config").toLocal8Bit());
}

TempHome::~TempHome() {
    qputenv("HOME", oldHome_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
}

} // namespace sarvel::test
