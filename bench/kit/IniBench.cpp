// Reading a full kit (20 themes × 50 songs × 5 keys, plus TemaArtist) the way a song fill does:
// one IniFile, then Button1..50 and Icon1..50 of one section.
#include "IniFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray fullKit() {
    QByteArray text = "[Option]\r\nFile=C:\\SARVEL\\TEMES\\First.vkt\r\n";
    for (int t = 1; t <= 20; ++t) {
        const QByteArray n = QByteArray::number(t);
        text += "\r\n[Section" + n + "]\r\n";
        for (int s = 1; s <= 50; ++s) {
            const QByteArray k = QByteArray::number(s);
            text += "Button" + k + "=Песня " + k + " темы " + n + "\r\n";
            text += "Text" + k + "=/home/user/SARVEL/TEXTS/song" + n + "_" + k + ".rtf\r\n";
            text += "Song" + k + "=/home/user/SARVEL/SONGS/song" + n + "_" + k + ".mp3\r\n";
            text += "Icon" + k + "=/home/user/SARVEL/ICONS/icon" + k + ".bmp\r\n";
            text += "Vol" + k + "=" + QByteArray::number(s * 2) + "\r\n";
        }
    }
    text += "\r\n[TemaArtist]\r\n";
    for (int t = 1; t <= 20; ++t) {
        const QByteArray n = QByteArray::number(t);
        text +=
            "Button" + n + "=Артист " + n + "\r\nIcon" + n + "=/home/user/SARVEL/ICONS/tema" + n + ".bmp\r\n";
    }
    return text;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class F> double medianMs(int runs, F&& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

int fill(const sarvel::IniFile& kit, const QString& section) {
    int length = 0;
    for (int n = 1; n <= 50; ++n)
        length += kit.readString(section, "Button" + QString::number(n), "Song-").size();
    for (int n = 1; n <= 50; ++n)
        length += kit.readString(section, "Icon" + QString::number(n), "-").size();
    return length;
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/First.vkt";
    const QByteArray bytes = fullKit();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();

    long long sink = 0;
    const int runs = 200;
    const double loadAndFill = medianMs(runs, [&](int i) {
        const sarvel::IniFile kit(path);
        sink += fill(kit, "Section" + QString::number(1 + i % 20));
    });
    const double load = medianMs(runs, [&](int) { sink += sarvel::IniFile(path).exists(); });
    const sarvel::IniFile loaded(path);
    const double fillOnly =
        medianMs(runs, [&](int i) { sink += fill(loaded, "Section" + QString::number(1 + i % 20)); });
    const double save = medianMs(50, [&](int i) {
        sarvel::IniFile kit(path);
        kit.writeString("Section3", "Button7", "Новая " + QString::number(i));
        kit.writeInt("Section3", "Vol7", i);
        kit.save();
    });

    std::printf("full kit: %lld bytes, 5000 song entries\n", static_cast<long long>(bytes.size()));
    std::printf("load + song fill (100 reads): median %.3f ms over %d runs\n", loadAndFill, runs);
    std::printf("load only:                    median %.3f ms\n", load);
    std::printf("song fill on a loaded kit:    median %.3f ms\n", fillOnly);
    std::printf("load + 2 writes + save:       median %.3f ms over 50 runs\n", save);
    return sink == 42 ? 2 : 0; // keeps the reads from being optimised away
}
