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

void playSilently(const QString& path) {
    GstPtr<GstElement> playbin(gst_element_factory_make("playbin", nullptr));
    GstElement* sink = gst_parse_bin_from_description("fakesink", TRUE, nullptr);
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

MediaPlayer::MediaPlayer(QObject* parent)
    : QObject(parent), sinkDescription_(QStringLiteral("autoaudiosink")) {
    // GStreamer starts with the first song or prepare(), not with the window that owns the device.
}

MediaPlayer::~MediaPlayer() {
    Close();
    reaper_.reset(); // the pipelines' threads may still call back into this object until then
}

void MediaPlayer::prepare() {
    reaper_->post([this] {
        try {
            initGStreamer();
        } catch (const std::exception&) {
            return; // the first Open reports it
        }
        if (GstElement* output = gst_element_factory_make("pulsesink", nullptr))
            gst_object_unref(gst_object_ref_sink(output));
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
                playSilently(file.fileName());
            }
        }
        // The first MIDI song's synthesizer, soundfont loaded.
        preparedsynth::makeAhead();
        malloc_trim(0); // what the set-up freed goes back to the system, not to an idle heap
    });
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
    // Off the click that opens the next song: a MIDI pipeline alone takes over 100 ms to go. The
    // song's address goes with it, as a call to queueAgain may still be on its way.
    reaper_->retire(std::move(pipeline_), std::move(uri_));
    queued_ = false;
    length_ = 0;
    frames_ = 0;
    position_ = 0;
    playing_ = false;
    broken_ = false;
}

void MediaPlayer::Open() {
    Close();
    try {
        openFile();
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
    sink_.reset(GST_ELEMENT(gst_object_ref_sink(sink)));

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

// Brings the new pipeline to PAUSED with its first sound decoded, so that the length is known
// and Play has nothing left to find out. A file that never gets there is an error, not a hang.
void MediaPlayer::preroll() {
    const GstStateChangeReturn result = gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    if (result == GST_STATE_CHANGE_FAILURE) {
        GstMessagePtr error(gst_bus_pop_filtered(bus_.get(), GST_MESSAGE_ERROR));
        throw std::runtime_error(error ? errorText(error.get()).toStdString() : UnknownError);
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
            throw std::runtime_error(errorText(message.get()).toStdString());
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
    const bool fresh = !fresh_.hasExpired() && position_ == 0 && !reconnect && !endedEarly_;
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
    return gst_element_set_state(sink_.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
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
        queued_ = false;
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
