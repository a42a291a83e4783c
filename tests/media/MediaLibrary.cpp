#include "MediaLibrary.h"

#include "MediaFiles.h"

#include <QFile>

#include <stdexcept>

namespace sarvel::test {

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

std::vector<MidiNote> band() {
    std::vector<MidiNote> notes;
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * 500;
        for (int key : chords[bar]) {
            notes.push_back({at, 470, 0, key, 100});
            notes.push_back({at, 490, 1, key + 12, 90});
        }
        notes.push_back({at, 470, 2, chords[bar][0] - 24, 110});
        for (int beat = 0; beat < 4; ++beat) {
            notes.push_back({at + beat * 125, 60, 9, beat % 2 ? 38 : 36, 110});
            notes.push_back({at + beat * 125, 60, 9, 42, 90});
        }
    }
    return notes;
}

} // namespace

MediaLibrary::MediaLibrary() {
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for test media");
}

QString MediaLibrary::path(const QString& name) {
    if (const auto it = made_.constFind(name); it != made_.constEnd())
        return *it;
    const QString file = dir_.filePath(name);
    make(name, file);
    made_.insert(name, file);
    return file;
}

void MediaLibrary::make(const QString& name, const QString& file) {
    if (name == "tone.wav") {
        writeWav(file, tone(ToneWavFrames, 44100, 2, 0.5));
    } else if (name == "short.wav") {
        writeWav(file, tone(600 * 441 / 10, 44100, 2, 0.5));
    } else if (name == "ramp.wav") {
        writeWav(file, ramp(3000));
    } else if (name == "mp3source.wav") {
        writeWav(file, tone(std::int64_t(Mp3SourceMs) * 441 / 10, 44100, 2, 0.9));
    } else if (name == "cbr.mp3") {
        encodeMp3(path("mp3source.wav"), file, Mp3Kind::CbrWithoutXing);
    } else if (name == "vbr.mp3") {
        encodeMp3(path("mp3source.wav"), file, Mp3Kind::VbrWithXing);
    } else if (name == "step.wav") {
        writeWav(file, silenceThenTone(StepSilenceMs, 1000));
    } else if (name == "step.mp3") {
        encodeMp3(path("step.wav"), file, Mp3Kind::CbrWithoutXing);
    } else if (name == "stepvbr.mp3") {
        encodeMp3(path("step.wav"), file, Mp3Kind::VbrWithXing);
    } else if (name == "song.mid") {
        writeMidi(file, {{0, 200, 0, 60, 100},
                         {200, 200, 0, 64, 100},
                         {400, 200, 0, 67, 100},
                         {SongMidLateNoteMs, SongMidMs - SongMidLateNoteMs, 0, 72, 110}});
    } else if (name == "band.mid") {
        writeMidi(file, band(), {0, 48, 33});
    } else if (name == "text.mp3") {
        writeBytes(file, "These are the words of a song, not its sound.\n");
    } else if (name == "empty.mp3") {
        writeBytes(file, QByteArray());
    } else if (name == "head.mp3") {
        writeBytes(file, readBytes(path("cbr.mp3")).left(100));
    } else if (name == "half.mp3") {
        const QByteArray whole = readBytes(path("cbr.mp3"));
        writeBytes(file, whole.left(whole.size() / 2));
    } else if (name == "broken.mid") {
        writeBytes(file, readBytes(path("song.mid")).left(20));
    } else {
        throw std::runtime_error("no such test medium: " + name.toStdString());
    }
}

} // namespace sarvel::test
