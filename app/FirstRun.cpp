#include "FirstRun.h"

#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void initAssetsResource() {
    Q_INIT_RESOURCE(assets);
}

namespace sarvel {

namespace {

struct DemoSong {
    const char* caption;
    const char* song; // file names inside the built-in SONGS, TEXTS and ICONS folders
    const char* text;
    const char* icon;
    int volume;
};

struct DemoTheme {
    const char* caption;
    const char* icon;
    std::array<DemoSong, 3> songs;
};

// The demo kit: theme 1 holds Russian songs, theme 2 English ones; every song format is present.
const std::array<DemoTheme, 2> demoThemes{{
    {"Русские песни",
     "Tema_Russian.bmp",
     {{{"Коробейники", "Korobeiniki.wav", "Korobeiniki.rtf", "Korobeiniki.bmp", 70},
       {"Во поле берёза", "Vo_pole_bereza.kar", "Vo_pole_bereza.rtf", "Vo_pole_bereza.bmp", 80},
       {"Вечер у реки", "Vecher_u_reki.mp3", "Vecher_u_reki.rtf", "Vecher_u_reki.bmp", 60}}}},
    {"English songs",
     "Tema_English.bmp",
     {{{"Twinkle, Twinkle", "Twinkle_Twinkle.mp3", "Twinkle_Twinkle.rtf", "Twinkle_Twinkle.bmp", 65},
       {"Drunken Sailor", "Drunken_Sailor.mp3", "Drunken_Sailor.rtf", "Drunken_Sailor.bmp", 75},
       {"Greensleeves", "Greensleeves.mid", "Greensleeves.rtf", "Greensleeves.bmp", 80}}}},
}};

const char* const placeholders[] = {"NoIcoS.bmp", "NoIcoT.bmp", "NoRtf.rtf", "Zastavka.jpg"};

std::runtime_error writeError(const QString& path) {
    return std::runtime_error(("Unable to write to " + QDir::toNativeSeparators(path)).toStdString());
}

QByteArray builtIn(const QString& name) {
    QFile file(":/data/" + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(("Built-in file missing: " + name).toStdString());
    return file.readAll();
}

void makeFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw std::runtime_error(("Unable to create folder " + QDir::toNativeSeparators(path)).toStdString());
}

// Puts `bytes` into a new file `target`. The content is written and flushed to a temporary file in
// the same folder, then renamed to `target` by a rename that never replaces: returns false, with
// nothing changed, when a file of that name exists.
bool writeNewFile(const QString& target, const QByteArray& bytes) {
    QTemporaryFile temp(QFileInfo(target).absolutePath() + "/.sarvel-XXXXXX");
    if (!temp.open())
        throw writeError(target);
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        throw writeError(target);
    temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (temp.rename(target)) {
        temp.setAutoRemove(false);
        return true;
    }
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return false;
    throw writeError(target);
}

bool hasContent(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (QFileInfo(path).size() != bytes.size() || !file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll() == bytes;
}

// Installs the built-in file folder/name into the data folder and returns the path of the copy.
QString installDemoFile(const QString& folder, const QString& name) {
    const QByteArray bytes = builtIn(folder + '/' + name);
    const QFileInfo info(name);
    for (int copy = 1; copy <= 99; ++copy) {
        const QString candidate =
            copy == 1 ? name
                      : QString("%1 (%2).%3").arg(info.completeBaseName()).arg(copy).arg(info.suffix());
        const QString path = dataPath(folder + '/' + candidate);
        const QFileInfo existing(path);
        if (existing.exists() || existing.isSymLink()) {
            if (hasContent(path, bytes))
                return path;
            continue;
        }
        if (writeNewFile(path, bytes) || hasContent(path, bytes))
            return path;
    }
    throw writeError(dataPath(folder + '/' + name));
}

// A demo song's timing file, when it has one, goes beside the song's copy under the copy's name, so
// it is found; one there already stays.
void installTimingFile(const QString& songCopy, const QString& song) {
    const QString timing = "SONGS/" + QFileInfo(song).completeBaseName() + ".lrc";
    if (!QFile::exists(":/data/" + timing))
        return;
    const QFileInfo copy(songCopy);
    writeNewFile(copy.dir().filePath(copy.completeBaseName() + ".lrc"), builtIn(timing));
}

QString kitLine(const QString& key, int number, const QString& value) {
    return key + QString::number(number) + '=' + value + '\n';
}

void installDemoKit() {
    const QString kitPath = QDir::toNativeSeparators(defaultKitPath());
    QString kit = "[Option]\nFile=" + kitPath + "\n\n[TemaArtist]\n";
    QString sections;
    for (int t = 0; t < int(demoThemes.size()); ++t) {
        const DemoTheme& theme = demoThemes[t];
        kit += kitLine("Button", t + 1, QString::fromUtf8(theme.caption));
        kit += kitLine("Icon", t + 1, QDir::toNativeSeparators(installDemoFile("ICONS", theme.icon)));
        sections += "\n[Section" + QString::number(t + 1) + "]\n";
        for (int n = 0; n < int(theme.songs.size()); ++n) {
            const DemoSong& song = theme.songs[n];
            sections += kitLine("Button", n + 1, QString::fromUtf8(song.caption));
            sections += kitLine("Text", n + 1, QDir::toNativeSeparators(installDemoFile("TEXTS", song.text)));
            const QString songCopy = installDemoFile("SONGS", song.song);
            sections += kitLine("Song", n + 1, QDir::toNativeSeparators(songCopy));
            installTimingFile(songCopy, song.song);
            sections += kitLine("Icon", n + 1, QDir::toNativeSeparators(installDemoFile("ICONS", song.icon)));
            sections += kitLine("Vol", n + 1, QString::number(song.volume));
        }
    }
    // A First.vkt that appeared meanwhile is the user's and stays.
    writeNewFile(defaultKitPath(), (kit + sections).toUtf8());
}

} // namespace

void registerAssets() {
    static std::once_flag once;
    std::call_once(once, initAssetsResource);
}

void installDataFolder() {
    registerAssets();
    makeFolder(dataDir());
    for (const char* folder : {"TEMES", "TEXTS", "SONGS", "ICONS"})
        makeFolder(dataPath(folder));
    for (const char* name : placeholders) {
        const QString path = dataPath(name);
        const QFileInfo existing(path);
        if (!existing.exists() && !existing.isSymLink())
            writeNewFile(path, builtIn(name));
    }
    const QFileInfo kit(defaultKitPath());
    if (!kit.exists() && !kit.isSymLink())
        installDemoKit();
}

} // namespace sarvel
