#pragma once

#include <QHash>
#include <QString>
#include <QTemporaryDir>

namespace sarvel::test {

// Song files made on first use in a private temporary folder, so each test process pays only
// for the files it opens. Names and contents:
//   tone.wav    54 444 stereo frames at 44.1 kHz (1234.56 ms), half-scale 440 Hz
//   short.wav   600 ms of tone
//   ramp.wav    3000 ms mono ramp (see ramp())
//   mp3source.wav  2500 ms of 0.9-scale tone, the source of:
//   cbr.mp3     128 kbit/s CBR, no Xing header
//   vbr.mp3     VBR with an Xing header
//   step.wav    1500 ms silence then 1000 ms tone, the source of step.mp3 (CBR) and stepvbr.mp3 (VBR)
//   song.mid    a piano tune, 1400 ms; after 400 ms of silence its last note starts at 1000 ms
//   band.mid    2000 ms of chords, strings, bass and drums
//   text.mp3, empty.mp3, head.mp3 (the first 100 bytes of cbr.mp3), half.mp3 (its first half),
//   broken.mid (the first 20 bytes of song.mid)
class MediaLibrary {
public:
    static constexpr int ToneWavFrames = 54444;
    static constexpr int Mp3SourceMs = 2500;
    static constexpr int StepSilenceMs = 1500;
    static constexpr int SongMidMs = 1400;
    static constexpr int SongMidLateNoteMs = 1000;

    MediaLibrary();
    QString path(const QString& name);
    QString dir() const { return dir_.path(); }

private:
    void make(const QString& name, const QString& path);

    QTemporaryDir dir_;
    QHash<QString, QString> made_;
};

} // namespace sarvel::test
