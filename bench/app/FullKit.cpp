#include "FullKit.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace sarvel::bench {

QString writeFullKit(const QString& home) {
    const QString data = home + "/SARVEL";
    QDir().mkpath(data + "/TEMES");
    QDir().mkpath(data + "/ICONS");
    QImage placeholder(32, 32, QImage::Format_RGB888);
    placeholder.fill(Qt::gray);
    placeholder.save(data + "/NoIcoS.bmp", "BMP");
    placeholder.save(data + "/NoIcoT.bmp", "BMP");
    for (int n = 1; n <= 50; ++n) {
        QImage icon(32, 32, QImage::Format_RGB888);
        icon.fill(QColor::fromHsv(n * 7, 200, 220));
        QPainter(&icon).drawText(icon.rect(), Qt::AlignCenter, QString::number(n));
        icon.save(QStringLiteral("%1/ICONS/icon%2.bmp").arg(data).arg(n), "BMP");
    }
    QString text = "[Option]\nFile=" + data + "/TEMES/Full.vkt\n\n[TemaArtist]\n";
    for (int t = 1; t <= 20; ++t)
        text += QStringLiteral("Button%1=Тема номер %1\nIcon%1=%2/ICONS/icon%1.bmp\n").arg(t).arg(data);
    for (int t = 1; t <= 20; ++t) {
        text += QStringLiteral("\n[Section%1]\n").arg(t);
        for (int n = 1; n <= 50; ++n)
            text += QStringLiteral("Button%1=Песня %2-%1\nText%1=%3/TEXTS/s%1.rtf\nSong%1=%3/SONGS/s%1.mp3\n"
                                   "Icon%1=%3/ICONS/icon%1.bmp\nVol%1=%4\n")
                        .arg(n)
                        .arg(t)
                        .arg(data)
                        .arg(40 + n);
    }
    const QString path = data + "/TEMES/Full.vkt";
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
    return path;
}

void useThrowawayHome(const QString& home) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", home.toLocal8Bit());
}

void requirePrivateSoundServer(const char* program) {
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER") && !qEnvironmentVariableIsEmpty("SARVEL_TEST_SINK"))
        return;
    std::fprintf(stderr, "run under the private sound server: bash scripts/with-sound-server.sh %s\n",
                 program);
    std::exit(2);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace sarvel::bench
