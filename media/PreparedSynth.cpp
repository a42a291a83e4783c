#include "PreparedSynth.h"

#include <gst/gst.h>

#include <mutex>

namespace sarvel::preparedsynth {

namespace {

std::mutex mutex;
QByteArray soundfont; // guarded by mutex
double gain = 0.2;
GstElement* ahead = nullptr; // a floating-free reference, in READY, guarded by mutex

GstElement* makeSynth(const QByteArray& path, double synthGain) {
    GstElement* synth = gst_element_factory_make("fluiddec", nullptr);
    if (!synth)
        return nullptr;
    gst_object_ref_sink(synth);
    g_object_set(synth, "soundfont", path.constData(), "synth-gain", synthGain, nullptr);
    return synth;
}

GstElement* take() {
    const std::lock_guard lock(mutex);
    GstElement* synth = ahead;
    ahead = nullptr;
    if (!synth)
        synth = makeSynth(soundfont, gain);
    return synth;
}

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-midi-event"));
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-raw"));

struct SarvelSynth {
    GstBin parent;
};
struct SarvelSynthClass {
    GstBinClass parent;
};

G_DEFINE_TYPE(SarvelSynth, sarvel_synth, GST_TYPE_BIN)

void sarvel_synth_class_init(SarvelSynthClass* klass) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "FluidSynth made ahead", "Codec/Decoder/Audio",
                                          "Plays MIDI events through a synthesizer made ahead", "Sarvel");
}

void ghost(SarvelSynth* self, GstElement* synth, const char* name, GstStaticPadTemplate* pattern) {
    GstPad* target = gst_element_get_static_pad(synth, name);
    GstPadTemplate* templ = gst_static_pad_template_get(pattern);
    gst_element_add_pad(GST_ELEMENT(self), gst_ghost_pad_new_from_template(name, target, templ));
    gst_object_unref(templ);
    gst_object_unref(target);
}

void sarvel_synth_init(SarvelSynth* self) {
    GstElement* synth = take();
    if (!synth)
        return; // no pads: decodebin moves on to the next decoder
    gst_bin_add(GST_BIN(self), synth);
    gst_object_unref(synth); // the bin holds it now
    ghost(self, synth, "sink", &sinkTemplate);
    ghost(self, synth, "src", &srcTemplate);
}

} // namespace

bool registerElement() {
    GstElementFactory* fluid = gst_element_factory_find("fluiddec");
    if (!fluid)
        return false;
    const guint rank = gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(fluid)) + 1;
    gst_object_unref(fluid);
    return gst_element_register(nullptr, "sarvelsynth", rank, sarvel_synth_get_type());
}

void setSoundfont(const QByteArray& path, double synthGain) {
    const std::lock_guard lock(mutex);
    if (path == soundfont && synthGain == gain)
        return;
    soundfont = path;
    gain = synthGain;
    if (ahead) { // made for another soundfont
        gst_element_set_state(ahead, GST_STATE_NULL);
        gst_object_unref(ahead);
        ahead = nullptr;
    }
}

void makeAhead() {
    QByteArray path;
    double synthGain = 0;
    {
        const std::lock_guard lock(mutex);
        if (ahead || soundfont.isEmpty())
            return;
        path = soundfont;
        synthGain = gain;
    }
    GstElement* synth = makeSynth(path, synthGain);
    if (!synth)
        return;
    if (gst_element_set_state(synth, GST_STATE_READY) != GST_STATE_CHANGE_SUCCESS) {
        // Left for the song's own synthesizer to fail on, with its error.
        gst_element_set_state(synth, GST_STATE_NULL);
        gst_object_unref(synth);
        return;
    }
    const std::lock_guard lock(mutex);
    if (ahead || path != soundfont) {
        gst_element_set_state(synth, GST_STATE_NULL);
        gst_object_unref(synth);
        return;
    }
    ahead = synth;
}

void dropAhead() {
    GstElement* synth = nullptr;
    {
        const std::lock_guard lock(mutex);
        std::swap(synth, ahead);
    }
    if (synth) {
        gst_element_set_state(synth, GST_STATE_NULL);
        gst_object_unref(synth);
    }
}

} // namespace sarvel::preparedsynth
