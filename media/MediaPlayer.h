#pragma once

#include "GstPtr.h"
#include "PipelineReaper.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace sarvel {

// The media player device every song plays through: mp3, wav and MIDI files over a GStreamer
// playbin. All positions and lengths are whole milliseconds. Everything runs on the thread that
// owns the object; the pipeline's notices are read from its bus in the Qt event loop and, so that
// a reading is never stale, before every reading of the device.
class MediaPlayer : public QObject {
    Q_OBJECT

public:
    enum class Mode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

    explicit MediaPlayer(QObject* parent = nullptr);
    ~MediaPlayer() override;

    // GStreamer description of the output, used from the next Open on:
    // "autoaudiosink" (the default), "pulsesink device=testsink", "fakesink sync=true", ...
    void setAudioSink(const QString& description);
    QString audioSink() const { return sinkDescription_; }
    // How long Open waits for a file to become ready before giving up.
    void setOpenTimeout(int ms) { openTimeoutMs_ = ms; }

    void setFileName(const QString& fileName) { fileName_ = fileName; }
    QString fileName() const { return fileName_; }

    // Closes what was open, then opens fileName() and returns when it is ready to play from 0.
    // A file it cannot open raises an error giving the reason and, on a line of its own, the file.
    void Open();
    // Starts playing from Position() and returns at once; from the end it starts again at 0.
    void Play();
    // Stops; Position() stays where the sound stopped.
    void Stop();
    // Moves to `ms` (clamped to the song) and stops there.
    void setPosition(int ms);
    int Position() const;
    int Length() const;
    Mode mode() const;
    // Length() / 10, fixed at Open: the page size of the song position bar.
    int Frames() const { return frames_; }

    // The key in semitones and the tempo in percent for this and every later song, until changed:
    // at once, and without a break, when a song is playing. Positions and lengths stay in the
    // song's own time whatever the tempo. At 0 and 100 the sound passes untouched.
    void setKeyTempo(int semitones, int percent);
    int key() const { return key_; }
    int tempo() const { return tempo_; }

    // On: a song that plays to its end goes on from its start without a break, and stays
    // playing. Off (the default): it stops at its end. Takes effect on the song playing.
    void setRepeat(bool on) { repeat_ = on; }
    // How many times, since Open, the song went on from its end to its start by repeating.
    int rounds() const {
        applyBusMessages();
        return rounds_;
    }

    // Loads ahead, on a thread of its own and without a sound, what the first song would otherwise
    // wait for: the decoders, the output, and for MIDI the synthesizer and its soundfont.
    void prepare();

    // Stops and releases the open song; the device then reads as not ready at once, while the
    // pipeline winds down on a thread of its own.
    void Close();

signals:
    // Playback broke off after Open succeeded (a damaged file, a sound server gone away).
    void playbackError(const QString& message);

private:
    void requireOpen() const;
    void openFile();
    GstElement* buildPipeline(const QString& path, bool midi);
    void preroll();
    int measureLength(const QString& path) const;
    bool containsElement(const char* factory) const;
    bool restartSink(bool reconnect);
    void holdConnection();
    void holdConnectionNow(const QByteArray& output);
    void dropConnectionNow();
    void reconnectOutput();
    GstElement* buildOutput(GstElement* sink);
    GstElement* makeKeyShifter() const;
    bool fitKeyShifter(GstElement* made = nullptr, GstElement* stretcher = nullptr);
    static GstPadProbeReturn retime(GstPad* pad, GstPadProbeInfo* info, gpointer retiming);
    [[noreturn]] void failToStart();
    void applyBusMessages() const;
    void handleMessage(GstMessage* message) const;
    static void queueAgain(GstElement* playbin, gpointer self);
    int clampToSong(gint64 nanoseconds) const;

    QString fileName_;
    QString sinkDescription_;
    // A pulsesink left open between songs, and the output it was made for; the reaper's thread's
    // only (see holdConnection).
    GstPtr<GstElement> connection_;
    QByteArray connectionFor_;
    int openTimeoutMs_ = 5000;

    std::atomic<bool> repeat_{false};
    GCharPtr uri_; // of the open song, read by the pipeline's threads
    // The song may be queued to follow itself: not while it prerolls, only from Play's seek on.
    std::atomic<bool> mayQueue_{false};
    mutable std::atomic<bool> queued_{false}; // and it was, and has not taken over yet
    mutable int rounds_ = 0;                  // times a queued copy took over since Open
    // Its end was handed on before it could be queued: only Play's seek brings the notice back.
    std::atomic<bool> endedEarly_{false};
    // Until then Play may start the stream Open prerolled as it is (see Play).
    QDeadlineTimer fresh_;

    GstPtr<GstElement> pipeline_;
    std::unique_ptr<PipelineReaper> reaper_ = std::make_unique<PipelineReaper>();
    GstPtr<GstElement> sink_;         // the output: tempo and key filters ahead of the sink described
    GstElement* stretcher_ = nullptr; // scaletempo in sink_, passing sound through at 100 %
    GstElement* shifter_ = nullptr;   // pitch in sink_, there only while the key is not 0
    std::mutex shifterLock_;          // shifter_ may be fitted in from the streaming thread
    int key_ = 0;
    int tempo_ = 100;
    // Read by the streaming thread, which gives each segment of the song this rate.
    std::atomic<double> rate_{1.0};
    struct Retiming;
    Retiming* retiming_ = nullptr; // the output's, owned by its probe: it goes with its pipeline
    GstPtr<GstBus> bus_;
    std::unique_ptr<QSocketNotifier> busNotifier_;
    int length_ = 0;
    int frames_ = 0;
    // Where playback starts next, and the position whenever not playing. Changed by the
    // end-of-stream notice, which may be read inside a const reading.
    mutable int position_ = 0;
    mutable bool playing_ = false;
    // Playback failed since the last start: further error notices belong to that failure, and
    // the next start connects the output afresh.
    mutable bool broken_ = false;
};

} // namespace sarvel
