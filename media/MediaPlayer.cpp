#include "MediaPlayer.h"

#include "Mp3Length.h"
#include "PreparedSynth.h"
#include "Soundfont.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <malloc.h>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace sarvel {

namespace {

const char* const NothingOpen = "No MCI device open";
const char* const UnknownError = "Unknown error code";

// fluiddec's default gain (0.2) leaves General MIDI songs about five times quieter than a mastered
// mp3 backing track; at 0.5 a full band arrangement peaks just under full scale.
constexpr double MidiGain = 0.5;
constexpr int GstPlayFlagAudio = 1 << 1;
// How long a prerolled sink may wait for Play and still start without a restart: its sound comes
// late by the wait (see restartSink), a restart costs more than this.
constexpr int FreshMs = 10;

void initGStreamer() {
    static const bool ready = [] {
        GError* raw = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &raw);
        GErrorPtr error(raw);
        if (!ok)
            throw std::runtime_error(error ? error->message : UnknownError);
        preparedsynth::registerElement();
        return true;
    }();
    (void)ready;
}

std::runtime_error gstError(GQuark domain, gint code) {
    GCharPtr text(gst_error_get_message(domain, code));
    return std::runtime_error(text ? text.get() : UnknownError);
}

QString errorText(GstMessage* message) {
    GError* raw = nullptr;
    gst_message_parse_error(message, &raw, nullptr);
    GErrorPtr error(raw);
    if (!error || !error->message || !*error->message)
        return QString::fromUtf8(UnknownError);
    return QString::fromUtf8(error->message);
}

bool isMidiFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    return head.startsWith("MThd") || (head.startsWith("RIFF") && head.mid(8, 4) == "RMID");
}

void setUpSynth(GstElement* /*playbin*/, GstElement* element, gpointer soundfont) {
    // Runs on a streaming thread: touches nothing but the new element.
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fluiddec") == 0)
        g_object_set(element, "soundfont", static_cast<const gchar*>(soundfont), "synth-gain", MidiGain,
                     nullptr);
}

GstElement* makeElement(const char* factory, const char* package) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element)
        throw std::runtime_error(std::string("The GStreamer element ") + factory + " is missing (" + package +
                                 ").");
    return element;
}

bool isPulseSink(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory && g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "pulsesink") == 0;
}

// The sound server's sink in an output as described: the output itself, or one inside it.
GstPtr<GstElement> pulseSinkIn(GstElement* output) {
    if (isPulseSink(output))
        return GstPtr<GstElement>(GST_ELEMENT(gst_object_ref(output)));
    if (!GST_IS_BIN(output))
        return nullptr;
    GstIteratorPtr it(gst_bin_iterate_recurse(GST_BIN(output)));
    GValue item = G_VALUE_INIT;
    GstPtr<GstElement> found;
    while (!found && gst_iterator_next(it.get(), &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (isPulseSink(element))
            found.reset(GST_ELEMENT(gst_object_ref(element)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    return found;
}

// The sound server's buffer is what a key or tempo change waits behind before it is heard:
// 80 ms instead of pulsesink's 200 keeps that near 60 ms. With 100 the key shifter, which goes in
// between two buffers, was heard after 60 or 100 ms depending on where the output stood.
void shortenSoundServerBuffer(GstElement* sink) {
    constexpr gint64 BufferUs = 80000;
    if (GstPtr<GstElement> pulse = pulseSinkIn(sink))
        g_object_set(pulse.get(), "buffer-time", BufferUs, nullptr);
}

// The output failed: its connection to the sound server, most likely.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void throwFailure(GstMessage* error) {
    if (!error)
        throw std::runtime_error(UnknownError);
    const std::string text = errorText(error).toStdString();
    GstObject* from = GST_MESSAGE_SRC(error);
    if (from && GST_IS_ELEMENT(from) && isPulseSink(GST_ELEMENT(from)))
        throw OutputError(text);
    throw std::runtime_error(text);
}

double pitchOf(int semitones) {
    return std::pow(2.0, semitones / 12.0);
}

// Short silent songs of each kind that prepare() plays into a fake output, so that the first real
// song finds every element on its way loaded and set up.
QByteArray silentWav() {
    const QByteArray samples(4410 * 4, '\0'); // 0.1 s, 16-bit stereo
    QByteArray out;
    auto put = [&out](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += char((value >> (8 * i)) & 0xff);
    };
    out += "RIFF";
    put(36 + samples.size(), 4);
    out += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(44100, 4);
    put(44100 * 4, 4);
    put(4, 2);
    put(16, 2);
    out += "data";
    put(samples.size(), 4);
    return out + samples;
}

QByteArray silentMp3() {
    // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, mono: with all-zero side information a frame is silence.
    QByteArray frame(417, '\0');
    frame[0] = char(0xff);
    frame[1] = char(0xfb);
    frame[2] = char(0x90);
    frame[3] = char(0xc0);
    return frame.repeated(20);
}

QByteArray silentMidi() {
    const QByteArray track("\x00\x90\x3c\x01\x60\x80\x3c\x00\x00\xff\x2f\x00", 12);
    QByteArray out("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00", 21);
    return out + char(track.size()) + track;
}

void playSilently(const QString& path, const QByteArray& output) {
    GstPtr<GstElement> playbin(gst_element_factory_make("playbin", nullptr));
    GstElement* sink = gst_parse_bin_from_description(output.constData(), TRUE, nullptr);
    GCharPtr uri(gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr));
    if (!playbin || !sink || !uri) {
        if (sink)
            gst_object_unref(gst_object_ref_sink(sink));
        return;
    }
    gst_object_ref_sink(playbin.get());
    g_object_set(playbin.get(), "uri", uri.get(), "flags", GstPlayFlagAudio, "audio-sink", sink, nullptr);
    GstPtr<GstBus> bus(gst_element_get_bus(playbin.get()));
    if (gst_element_set_state(playbin.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE)
        GstMessagePtr(gst_bus_timed_pop_filtered(bus.get(), GST_SECOND,
                                                 GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR)));
    gst_element_set_state(playbin.get(), GST_STATE_NULL);
}

} // namespace

// The tempo is the playback rate of the song's segments, which scaletempo turns into a slower or
// faster sound at the same pitch; the sink then reports positions in the song's own time. Each
// segment on its way into the output gets the rate asked for, and a change while playing starts
// a segment of its own at the next buffer, so the running time goes on without a jump. Touched
// only by the streaming thread, or while the output stands still.
struct MediaPlayer::Retiming {
    const MediaPlayer* player;                  // outlives every pipeline it made
    GstSegment emitted{};                       // the segment last sent on, as rewritten
    bool have = false;                          // a time segment has been sent since the last flush
    bool touched = false;                       // it, or one before it since the flush, was rewritten
    double applied = 1.0;                       // the rate it carries, relative to the song's own
    GstClockTime lastEnd = GST_CLOCK_TIME_NONE; // end of the last buffer let through
    bool injecting = false;

    void reset() {
        have = false;
        touched = false;
        applied = 1.0;
        lastEnd = GST_CLOCK_TIME_NONE;
    }
};

MediaPlayer::MediaPlayer(QObject* parent)
    : QObject(parent), sinkDescription_(QStringLiteral("autoaudiosink")) {
    // GStreamer starts with the first song or prepare(), not with the window that owns the device.
}

MediaPlayer::~MediaPlayer() {
    Close();
    reaper_->post([this] { dropConnectionNow(); });
    reaper_.reset(); // the pipelines' threads may still call back into this object until then
}

void MediaPlayer::prepare() {
    reaper_->post([this, output = sinkDescription_.toUtf8()] {
        try {
            initGStreamer();
        } catch (const std::exception&) {
            return; // the first Open reports it
        }
        // pitch too, so that the first change of key does not wait for its library to load.
        for (const char* factory : {"pulsesink", "scaletempo", "pitch"})
            if (GstElement* element = gst_element_factory_make(factory, nullptr))
                gst_object_unref(gst_object_ref_sink(element));
        const QString soundfont = findSoundfont();
        if (!soundfont.isEmpty())
            preparedsynth::setSoundfont(QFile::encodeName(soundfont), MidiGain);
        const QTemporaryDir dir;
        const std::pair<const char*, QByteArray> songs[] = {
            {"silent.wav", silentWav()}, {"silent.mp3", silentMp3()}, {"silent.mid", silentMidi()}};
        for (const auto& [name, bytes] : songs) {
            QFile file(dir.filePath(QLatin1String(name)));
            if (dir.isValid() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) {
                file.close();
                // The wav goes as far as a paused stream on the real output, so the first song
                // finds the output's own code and connection set up; the others need no output.
                playSilently(file.fileName(), name == std::string_view("silent.wav") ? output : "fakesink");
            }
        }
        // The first MIDI song's synthesizer, soundfont loaded.
        preparedsynth::makeAhead();
        holdConnectionNow(output);
        malloc_trim(0); // what the set-up freed goes back to the system, not to an idle heap
    });
}

void MediaPlayer::setKeyTempo(int semitones, int percent) {
    std::unique_lock lock(shifterLock_);
    key_ = semitones;
    tempo_ = percent;
    rate_ = percent / 100.0;
    if (!pipeline_)
        return;
    if (shifter_) {
        GstPtr<GstElement> pitch(gst_bin_get_by_name(GST_BIN(shifter_), "keyshift"));
        g_object_set(pitch.get(), "pitch", pitchOf(key_), nullptr);
    }
    const bool shifting = shifter_;
    lock.unlock();
    applyBusMessages();
    if (key_ != 0 && !shifting && playing_) {
        // Made and started here, so that the streaming thread only links it in between two
        // buffers; a stopped output takes it at the next Play.
        struct Fitting {
            MediaPlayer* player;
            GstPtr<GstElement> shifter;
        };
        auto* fitting =
            new Fitting{this, GstPtr<GstElement>(GST_ELEMENT(gst_object_ref_sink(makeKeyShifter())))};
        gst_element_set_state(fitting->shifter.get(), GST_STATE_PAUSED);
        GstPtr<GstPad> out(gst_element_get_static_pad(stretcher_, "src"));
        gst_pad_add_probe(
            out.get(), GST_PAD_PROBE_TYPE_IDLE,
            [](GstPad* pad, GstPadProbeInfo*, gpointer data) {
                auto* f = static_cast<Fitting*>(data);
                if (f->player->fitKeyShifter(f->shifter.get(), GST_ELEMENT(GST_PAD_PARENT(pad))))
                    f->shifter.reset(); // the output's now
                return GST_PAD_PROBE_REMOVE;
            },
            fitting,
            [](gpointer data) {
                auto* f = static_cast<Fitting*>(data);
                if (f->shifter)
                    gst_element_set_state(f->shifter.get(), GST_STATE_NULL);
                delete f;
            });
    }
}

void MediaPlayer::setAudioSink(const QString& description) {
    sinkDescription_ = description;
}

void MediaPlayer::Close() {
    busNotifier_.reset();
    mayQueue_ = false;
    endedEarly_ = false;
    fresh_ = QDeadlineTimer();
    if (pipeline_)
        g_signal_handlers_disconnect_by_data(pipeline_.get(), this);
    bus_.reset();
    sink_.reset();
    {
        // The old output's probes may still run until its pipeline has gone: they must not find
        // this song's output in its place.
        const std::lock_guard lock(shifterLock_);
        stretcher_ = nullptr;
        shifter_ = nullptr;
        retiming_ = nullptr;
    }
    // Off the click that opens the next song: a MIDI pipeline alone takes over 100 ms to go. The
    // song's address goes with it, as a call to queueAgain may still be on its way.
    reaper_->retire(std::move(pipeline_), std::move(uri_));
    queued_ = false;
    rounds_ = 0;
    length_ = 0;
    frames_ = 0;
    position_ = 0;
    playing_ = false;
    broken_ = false;
}

void MediaPlayer::Open() {
    Close();
    try {
        try {
            openFile();
        } catch (const OutputError&) {
            // The sound server may have gone and come back: the connection the songs share
            // stays dead until all that hold it have let it go.
            Close();
            reconnectOutput();
            openFile();
        }
    } catch (const std::exception& e) {
        Close();
        // The reason alone does not tell which of the kit's songs to mend.
        const QString reason = QString::fromUtf8(e.what());
        if (fileName_.isEmpty() || reason.contains(fileName_))
            throw;
        throw std::runtime_error((reason + QLatin1Char('\n') + fileName_).toStdString());
    }
}

void MediaPlayer::openFile() {
    initGStreamer();
    const QFileInfo info(fileName_);
    if (!info.exists())
        throw gstError(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND);
    // A pipe or device would block the file source in open() with no way to time it out.
    if (!info.isFile() && !info.isDir())
        throw gstError(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ);
    const QString path = info.absoluteFilePath();

    pipeline_.reset(buildPipeline(path, isMidiFile(path)));
    preroll();
    length_ = measureLength(path);
    frames_ = length_ / 10;
    position_ = 0;
    playing_ = false;
    fresh_.setRemainingTime(FreshMs, Qt::PreciseTimer);
    holdConnection();
}

GstElement* MediaPlayer::buildPipeline(const QString& path, bool midi) {
    QString soundfont;
    if (midi) {
        GstPtr<GstElementFactory> synth(gst_element_factory_find("fluiddec"));
        if (!synth)
            throw std::runtime_error("Cannot play MIDI: the GStreamer FluidSynth plug-in (fluiddec, in "
                                     "gstreamer1.0-plugins-bad) is not installed.");
        soundfont = findSoundfont();
        if (soundfont.isEmpty())
            throw std::runtime_error("Cannot play MIDI: no General MIDI soundfont is installed "
                                     "(for example the timgm6mb-soundfont package).");
        preparedsynth::setSoundfont(QFile::encodeName(soundfont), MidiGain);
    }

    GstPtr<GstElement> playbin(gst_element_factory_make("playbin", nullptr));
    if (!playbin)
        throw std::runtime_error("The GStreamer playbin element is missing (gstreamer1.0-plugins-base).");
    gst_object_ref_sink(playbin.get());

    GError* rawError = nullptr;
    GstElement* sink = gst_parse_bin_from_description(sinkDescription_.toUtf8().constData(), TRUE, &rawError);
    GErrorPtr parseError(rawError);
    if (!sink)
        throw std::runtime_error(parseError ? parseError->message : UnknownError);
    sink_.reset(GST_ELEMENT(gst_object_ref_sink(buildOutput(sink))));
    fitKeyShifter(); // a song opened in another key has its shifter from the start

    uri_.reset(gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr));
    if (!uri_)
        throw gstError(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND);
    g_object_set(playbin.get(), "uri", uri_.get(), "flags", GstPlayFlagAudio, "audio-sink", sink_.get(),
                 nullptr);
    g_signal_connect(playbin.get(), "about-to-finish", G_CALLBACK(queueAgain), this);
    if (midi)
        g_signal_connect_data(
            playbin.get(), "element-setup", G_CALLBACK(setUpSynth),
            g_strdup(QFile::encodeName(soundfont).constData()),
            [](gpointer data, GClosure*) { g_free(data); }, GConnectFlags(0));

    bus_.reset(gst_element_get_bus(playbin.get()));
    GPollFD poll{};
    gst_bus_get_pollfd(bus_.get(), &poll);
    busNotifier_ = std::make_unique<QSocketNotifier>(poll.fd, QSocketNotifier::Read);
    connect(busNotifier_.get(), &QSocketNotifier::activated, this, [this] { applyBusMessages(); });
    return playbin.release();
}

// The output: scaletempo (passing the sound through untouched at 100 %), then the sink described.
// It sits behind playbin's own queue of about a second, so that a change reaches the ear as soon as
// the sink has played what it holds; an audio-filter of playbin would lag that whole second.
GstElement* MediaPlayer::buildOutput(GstElement* sink) {
    GstPtr<GstElement> owned(GST_ELEMENT(gst_object_ref_sink(sink)));
    shortenSoundServerBuffer(sink);
    stretcher_ = makeElement("scaletempo", "gstreamer1.0-plugins-good");
    GstElement* output = gst_bin_new("output");
    gst_bin_add_many(GST_BIN(output), stretcher_, sink, nullptr);
    gst_element_link(stretcher_, sink);
    GstPtr<GstPad> in(gst_element_get_static_pad(stretcher_, "sink"));
    gst_element_add_pad(output, gst_ghost_pad_new("sink", in.get()));
    // Owned by the probe, so that a pipeline going down on another thread keeps its own.
    retiming_ = new Retiming{this};
    gst_pad_add_probe(in.get(),
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                      GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      retime, retiming_, [](gpointer r) { delete static_cast<Retiming*>(r); });
    return output;
}

// Puts the key shifter between scaletempo and the sink when the key is not 0, and takes it out
// when it is, so that a song in its own key passes no filter. Runs while the output stands still
// or, from a probe on `stretcher`, between two buffers, with the shifter `made` ready; true when it
// took that.
bool MediaPlayer::fitKeyShifter(GstElement* made, GstElement* stretcher) {
    const std::lock_guard lock(shifterLock_);
    if (!stretcher_ || (stretcher && stretcher != stretcher_))
        return false; // the song it was made for has been closed
    const bool wanted = key_ != 0;
    GstPtr<GstPad> from(gst_element_get_static_pad(stretcher_, "src"));
    GstPtr<GstPad> linked(gst_pad_get_peer(from.get()));
    GstPtr<GstElement> next(linked ? gst_pad_get_parent_element(linked.get()) : nullptr);
    const bool present = shifter_ && next.get() == shifter_;
    if (wanted == present)
        return false;
    if (present) {
        GstPtr<GstPad> shifted(gst_element_get_static_pad(shifter_, "src"));
        GstPtr<GstPad> sinkPad(gst_pad_get_peer(shifted.get()));
        GstPtr<GstElement> sink(gst_pad_get_parent_element(sinkPad.get()));
        gst_element_unlink(stretcher_, shifter_);
        gst_element_unlink(shifter_, sink.get());
        gst_element_set_state(shifter_, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(sink_.get()), shifter_);
        shifter_ = nullptr;
        gst_element_link(stretcher_, sink.get());
        return false;
    }
    GstElement* shifter = made ? GST_ELEMENT(gst_object_ref(made)) : makeKeyShifter();
    GstPtr<GstElement> pitch(gst_bin_get_by_name(GST_BIN(shifter), "keyshift"));
    g_object_set(pitch.get(), "pitch", pitchOf(key_), nullptr);
    gst_element_unlink(stretcher_, next.get());
    gst_bin_add(GST_BIN(sink_.get()), shifter);
    if (made)
        gst_object_unref(shifter); // the output holds it now
    gst_element_link_many(stretcher_, shifter, next.get(), nullptr);
    gst_element_sync_state_with_parent(shifter);
    shifter_ = shifter;
    return made != nullptr;
}

// SoundTouch's pitch between two converters. Made for a sound already playing, it hands the sink
// the format the sink already plays: another one would make the sink start its sound over, a
// tenth of a second of silence.
GstElement* MediaPlayer::makeKeyShifter() const {
    GstElement* pitch = gst_element_factory_make("pitch", "keyshift");
    if (!pitch)
        throw std::runtime_error("Cannot change the key: the GStreamer pitch element (SoundTouch, in "
                                 "gstreamer1.0-plugins-bad) is not installed.");
    GstElement* shifter = gst_bin_new(nullptr);
    GstElement* before = gst_element_factory_make("audioconvert", nullptr);
    GstElement* after = gst_element_factory_make("audioconvert", nullptr);
    GstElement* keep = gst_element_factory_make("capsfilter", nullptr);
    GstPtr<GstPad> from(gst_element_get_static_pad(stretcher_, "src"));
    if (GstCaps* playing = gst_pad_get_current_caps(from.get())) {
        g_object_set(keep, "caps", playing, nullptr);
        gst_caps_unref(playing);
    }
    gst_bin_add_many(GST_BIN(shifter), before, pitch, after, keep, nullptr);
    gst_element_link_many(before, pitch, after, keep, nullptr);
    GstPtr<GstPad> in(gst_element_get_static_pad(before, "sink"));
    GstPtr<GstPad> out(gst_element_get_static_pad(keep, "src"));
    gst_element_add_pad(shifter, gst_ghost_pad_new("sink", in.get()));
    gst_element_add_pad(shifter, gst_ghost_pad_new("src", out.get()));
    return shifter;
}

// On the streaming thread, at scaletempo's input: gives each segment the rate of the tempo.
GstPadProbeReturn MediaPlayer::retime(GstPad* pad, GstPadProbeInfo* info, gpointer retiming) {
    Retiming& r = *static_cast<Retiming*>(retiming);
    const double rate = r.player->rate_;
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        const GstClockTime at = GST_BUFFER_PTS(buffer);
        if (r.have && rate != r.applied && GST_CLOCK_TIME_IS_VALID(at) && at >= r.emitted.start) {
            // The tempo changed while playing: from this buffer on, a segment of the new rate
            // that takes over the running time and the song's time where the old one stood.
            GstSegment next = r.emitted;
            next.base = gst_segment_to_running_time(&r.emitted, GST_FORMAT_TIME, at);
            next.time = gst_segment_to_stream_time(&r.emitted, GST_FORMAT_TIME, at);
            next.start = at;
            next.position = at;
            next.rate = r.emitted.rate / r.applied * rate;
            r.emitted = next;
            r.applied = rate;
            r.touched = true;
            r.injecting = true;
            gst_pad_send_event(pad, gst_event_new_segment(&next));
            r.injecting = false;
        }
        if (GST_CLOCK_TIME_IS_VALID(at) && GST_BUFFER_DURATION_IS_VALID(buffer))
            r.lastEnd = at + GST_BUFFER_DURATION(buffer);
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_STOP:
        r.reset();
        break;
    case GST_EVENT_SEGMENT: {
        if (r.injecting)
            break;
        GstSegment segment;
        gst_event_copy_segment(event, &segment);
        if (segment.format != GST_FORMAT_TIME) {
            r.reset();
            break;
        }
        if (rate == 1.0 && !r.touched) {
            // The song at its own tempo: the segment goes on as it came.
            r.emitted = segment;
            r.applied = 1.0;
            r.have = true;
            break;
        }
        // The next song queued after this one (a repeat) starts where this one's running time
        // ends, which at another rate is not where the queue upstream reckons it.
        if (r.have && r.touched && GST_CLOCK_TIME_IS_VALID(r.lastEnd)) {
            GstClockTime end = r.lastEnd;
            if (GST_CLOCK_TIME_IS_VALID(r.emitted.stop))
                end = std::min<GstClockTime>(end, r.emitted.stop);
            const guint64 running = gst_segment_to_running_time(&r.emitted, GST_FORMAT_TIME, end);
            if (GST_CLOCK_TIME_IS_VALID(running))
                segment.base = running;
        }
        segment.rate *= rate;
        r.emitted = segment;
        r.applied = rate;
        r.have = true;
        r.touched = true;
        GstEvent* rewritten = gst_event_new_segment(&segment);
        gst_event_set_seqnum(rewritten, gst_event_get_seqnum(event));
        gst_event_unref(event);
        GST_PAD_PROBE_INFO_DATA(info) = rewritten;
        break;
    }
    default:
        break;
    }
    return GST_PAD_PROBE_OK;
}

// Brings the new pipeline to PAUSED with its first sound decoded, so that the length is known
// and Play has nothing left to find out. A file that never gets there is an error, not a hang.
void MediaPlayer::preroll() {
    const GstStateChangeReturn result = gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    if (result == GST_STATE_CHANGE_FAILURE) {
        GstMessagePtr error(gst_bus_pop_filtered(bus_.get(), GST_MESSAGE_ERROR));
        throwFailure(error.get());
    }
    if (result != GST_STATE_CHANGE_ASYNC)
        return;
    const QDeadlineTimer deadline(openTimeoutMs_);
    while (!deadline.hasExpired()) {
        GstMessagePtr message(gst_bus_timed_pop(bus_.get(), deadline.remainingTimeNSecs()));
        if (!message)
            break;
        switch (GST_MESSAGE_TYPE(message.get())) {
        case GST_MESSAGE_ASYNC_DONE:
            return;
        case GST_MESSAGE_ERROR:
            throwFailure(message.get());
        default:
            break;
        }
    }
    throw std::runtime_error(UnknownError);
}

int MediaPlayer::measureLength(const QString& path) const {
    if (containsElement("mpegaudioparse")) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const uchar* bytes = file.map(0, file.size());
            const auto ms =
                bytes ? mp3LengthMs(QByteArrayView(bytes, file.size())) : mp3LengthMs(file.readAll());
            if (ms)
                return *ms;
        }
    }
    gint64 duration = 0;
    if (gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &duration) && duration > 0)
        return int((duration + GST_MSECOND / 2) / GST_MSECOND);
    return 0;
}

bool MediaPlayer::containsElement(const char* factory) const {
    GstIteratorPtr elements(gst_bin_iterate_recurse(GST_BIN(pipeline_.get())));
    GValue item = G_VALUE_INIT;
    bool found = false;
    while (!found && gst_iterator_next(elements.get(), &item) == GST_ITERATOR_OK) {
        GstElementFactory* f = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
        found = f && g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), factory) == 0;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    return found;
}

// Runs on a streaming thread as the song's last sound is handed on: queued again, the song
// follows itself without a gap, where a rewind after the end would stop and restart the output.
void MediaPlayer::queueAgain(GstElement* playbin, gpointer self) {
    auto* player = static_cast<MediaPlayer*>(self);
    if (player->repeat_ && player->mayQueue_) {
        g_object_set(playbin, "uri", player->uri_.get(), nullptr);
        player->queued_ = true;
    } else if (!player->mayQueue_) {
        player->endedEarly_ = true;
    }
}

void MediaPlayer::requireOpen() const {
    if (!pipeline_)
        throw std::runtime_error(NothingOpen);
}

void MediaPlayer::Play() {
    requireOpen();
    applyBusMessages();
    if (playing_)
        return;
    if (position_ >= length_)
        position_ = 0;
    const bool reconnect = broken_;
    broken_ = false;
    // Straight from Open the sink's stream is new and holds the song's start: a restart and a seek
    // would only start the same sound twice.
    bool keyFitted = false; // the output already shifts the key as wanted
    {
        const std::lock_guard lock(shifterLock_);
        keyFitted = (key_ == 0) == (shifter_ == nullptr);
    }
    const bool fresh = !fresh_.hasExpired() && position_ == 0 && !reconnect && !endedEarly_ && keyFitted;
    fresh_ = QDeadlineTimer();
    mayQueue_ = false;
    // The seek below would drop the song already queued to follow itself, and the dropped one
    // fails the pipeline ("Internal data stream error."): start from a clean pipeline instead.
    if (queued_.exchange(false)) {
        gst_element_set_state(pipeline_.get(), GST_STATE_READY);
        preroll();
    }
    if (!fresh && !restartSink(reconnect))
        failToStart();
    // From the flush of this seek on, a song that runs out may be queued again.
    mayQueue_ = true;
    if (!fresh && !gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME,
                                           GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                           gint64(position_) * GST_MSECOND)) {
        // Nothing refills the new sink without a seek: start the whole pipeline over from 0.
        gst_element_set_state(pipeline_.get(), GST_STATE_READY);
        position_ = 0;
    }
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        failToStart();
    playing_ = true;
    // The next MIDI song's synthesizer, made while this one sounds.
    reaper_->post([] { preparedsynth::makeAhead(); });
}

// One failure, one error: the first notice says why; the others that the elements of the
// pipeline post about the same failure are dropped, now and as they arrive later.
void MediaPlayer::failToStart() {
    GstMessagePtr error(gst_bus_pop_filtered(bus_.get(), GST_MESSAGE_ERROR));
    const std::string text = error ? errorText(error.get()).toStdString() : UnknownError;
    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    broken_ = true;
    applyBusMessages();
    throw std::runtime_error(text);
}

// An audio sink that has waited prerolled in PAUSED starts its sound late by as long as it
// waited (the sound server's stream keeps its clock running). Every start therefore gets a fresh
// sink stream; the flushing seek that follows refills it from the start position. After a
// failure the sink also connects afresh: the sound server it had may have gone and come back.
bool MediaPlayer::restartSink(bool reconnect) {
    gst_element_set_state(sink_.get(), reconnect ? GST_STATE_NULL : GST_STATE_READY);
    if (reconnect)
        reconnectOutput();
    // Nothing flows through the output now: the key shifter can come or go, and the flushing
    // seek that follows starts the rate afresh.
    retiming_->reset();
    fitKeyShifter();
    if (gst_element_set_state(sink_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return false;
    holdConnection();
    return true;
}

// Every pulsesink of the process shares one connection to the sound server while any of them is
// open. One kept open between songs saves the first song, and each song opened after the one
// before has wound down, connecting afresh before its first sound.
void MediaPlayer::holdConnection() {
    reaper_->post([this, output = sinkDescription_.toUtf8()] { holdConnectionNow(output); });
}

void MediaPlayer::holdConnectionNow(const QByteArray& output) {
    if (connection_ && connectionFor_ == output)
        return;
    dropConnectionNow();
    connectionFor_ = output;
    GstElement* described = gst_parse_bin_from_description(output.constData(), TRUE, nullptr);
    if (!described)
        return;
    GstPtr<GstElement> owned(GST_ELEMENT(gst_object_ref_sink(described)));
    const GstPtr<GstElement> pulse = pulseSinkIn(owned.get());
    GstPtr<GstElement> keeper(gst_element_factory_make("pulsesink", nullptr));
    if (!pulse || !keeper)
        return; // another output keeps nothing open between songs
    gst_object_ref_sink(keeper.get());
    // The same server and name, as the connection is shared by them.
    gchar* server = nullptr;
    gchar* client = nullptr;
    g_object_get(pulse.get(), "server", &server, "client-name", &client, nullptr);
    g_object_set(keeper.get(), "server", server, "client-name", client, nullptr);
    g_free(server);
    g_free(client);
    if (gst_element_set_state(keeper.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(keeper.get(), GST_STATE_NULL);
        return;
    }
    connection_ = std::move(keeper);
}

void MediaPlayer::dropConnectionNow() {
    if (connection_)
        gst_element_set_state(connection_.get(), GST_STATE_NULL);
    connection_.reset();
    connectionFor_.clear();
}

// Lets the kept connection go and waits until the songs before have let it go too, so that the
// next output connects afresh.
void MediaPlayer::reconnectOutput() {
    reaper_->post([this] { dropConnectionNow(); });
    reaper_->wait();
}

void MediaPlayer::Stop() {
    requireOpen();
    applyBusMessages();
    if (!playing_)
        return;
    position_ = Position();
    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    playing_ = false;
}

void MediaPlayer::setPosition(int ms) {
    requireOpen();
    Stop();
    // The pipeline itself moves when playback starts, where the sink is refilled anyway.
    position_ = std::clamp(ms, 0, length_);
}

int MediaPlayer::Position() const {
    if (!pipeline_)
        return 0;
    applyBusMessages();
    if (!playing_)
        return position_;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(pipeline_.get(), &state, nullptr, 0);
    gint64 now = 0;
    if (state != GST_STATE_PLAYING || !gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &now))
        return position_; // still starting: the sound begins where Play started it
    return clampToSong(now);
}

int MediaPlayer::clampToSong(gint64 nanoseconds) const {
    return int(std::clamp<gint64>(nanoseconds / GST_MSECOND, 0, length_));
}

int MediaPlayer::Length() const {
    requireOpen();
    return length_;
}

MediaPlayer::Mode MediaPlayer::mode() const {
    if (!pipeline_)
        return Mode::NotReady;
    applyBusMessages();
    return playing_ ? Mode::Playing : Mode::Stopped;
}

void MediaPlayer::applyBusMessages() const {
    if (!bus_)
        return;
    while (GstMessagePtr message{gst_bus_pop(bus_.get())})
        handleMessage(message.get());
}

void MediaPlayer::handleMessage(GstMessage* message) const {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STREAM_START: // the queued song has taken over
        if (queued_.exchange(false))
            ++rounds_;
        break;
    case GST_MESSAGE_EOS:
        if (playing_) {
            gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
            playing_ = false;
            position_ = length_;
        }
        break;
    case GST_MESSAGE_ERROR: {
        if (playing_) {
            gint64 now = 0;
            if (gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &now))
                position_ = clampToSong(now);
            gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
            playing_ = false;
        }
        if (broken_)
            break; // the same failure, told by another element
        broken_ = true;
        // Reported from the event loop, never from inside a reading of the device.
        const QString text = errorText(message);
        auto* self = const_cast<MediaPlayer*>(this);
        QMetaObject::invokeMethod(
            self, [self, text] { emit self->playbackError(text); }, Qt::QueuedConnection);
        break;
    }
    default:
        break;
    }
}

} // namespace sarvel
