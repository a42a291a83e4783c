#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace sarvel::test {

// Path of a committed fixture under tests/data.
QString dataFile(const QString& name);

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

// A Windows bitmap known by its width (12 px high), its bottom-left pixel the transparent key.
void writeBitmap(const QString& path, int width);
// The song and theme placeholder icons in the data folder, 9 and 7 px wide.
void writePlaceholderIcons();

// Points HOME and XDG_CONFIG_HOME at a fresh temporary folder for the life of the object,
// so the data folder (~/SARVEL) and the settings file are private to one test.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return dir_.path(); }
    QString dataDir() const { return dir_.path() + "/SARVEL"; }
    QString configDir() const { return dir_.path() + "/.config/sarvel"; }

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
    QByteArray oldConfig_;
};

} // namespace sarvel::test
