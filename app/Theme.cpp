#include "Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>

namespace sarvel {

namespace {

struct PictureSource {
    const char* themeName;
    const char* resource;
};

PictureSource sourceOf(ButtonPicture picture) {
    switch (picture) {
    case ButtonPicture::OpenText:
        return {"document-open", ":/ui/open-text.png"};
    case ButtonPicture::OpenSong:
        return {"audio-x-generic", ":/ui/open-song.png"};
    case ButtonPicture::About:
        return {"help-about", ":/ui/about.png"};
    case ButtonPicture::NewFile:
        return {"document-new", ":/ui/new-file.png"};
    case ButtonPicture::Begin:
        return {"media-skip-backward", ":/ui/begin.png"};
    case ButtonPicture::Play:
        return {"media-playback-start", ":/ui/play.png"};
    case ButtonPicture::Option:
        return {"preferences-system", ":/ui/option.png"};
    }
    return {"", ""};
}

} // namespace

QIcon buttonIcon(ButtonPicture picture) {
    const PictureSource source = sourceOf(picture);
    return QIcon::fromTheme(QString::fromLatin1(source.themeName),
                            QIcon(QString::fromLatin1(source.resource)));
}

QIcon playStopIcon() {
    const QIcon play = buttonIcon(ButtonPicture::Play);
    const QIcon stop =
        QIcon::fromTheme(QStringLiteral("media-playback-stop"), QIcon(QStringLiteral(":/ui/stop.png")));
    QIcon both;
    for (const QSize& size : {QSize(48, 48), QSize(64, 64)}) {
        both.addPixmap(play.pixmap(size), QIcon::Normal, QIcon::Off);
        both.addPixmap(stop.pixmap(size), QIcon::Normal, QIcon::On);
    }
    return both;
}

QIcon appIcon() {
    return QIcon(QStringLiteral(":/ui/sarvel.png"));
}

QPixmap defaultSongPicture() {
    return QPixmap(QStringLiteral(":/ui/image-icon.png"));
}

QImage defaultGlyph() {
    QImage glyph(QStringLiteral(":/ui/glyph.png"));
    if (!glyph.isNull())
        return glyph;
    // A note drawn in place, so the buttons never come up bare.
    glyph = QImage(16, 16, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkBlue, 2));
    p.drawLine(10, 2, 10, 12);
    p.setBrush(Qt::darkBlue);
    p.drawEllipse(QPointF(7.5, 12.5), 3, 2.2);
    return glyph;
}

QFont lcdFont(int pixelSize) {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name : {"LcdD", "DSEG14 Classic", "DSEG7 Classic"})
            if (families.contains(QString::fromLatin1(name)))
                return QString::fromLatin1(name);
        return QStringLiteral("Monospace");
    }();
    QFont font(family);
    font.setPixelSize(family.startsWith(QLatin1String("DSEG")) ? pixelSize * 2 / 3 : pixelSize);
    font.setBold(true);
    font.setStyleHint(QFont::Monospace);
    return font;
}

void useProportionalFont() {
    // fontconfig's sans-serif list has no Liberation face: with only Liberation fonts installed the
    // toolkit's default face falls to Liberation Mono. Naming the faces keeps the texts proportional.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}

} // namespace sarvel
