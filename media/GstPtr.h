#pragma once

#include <gst/gst.h>

#include <memory>

namespace sarvel {

// Owning handles for the GLib and GStreamer objects the device keeps or passes around.
struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
template <class T> using GstPtr = std::unique_ptr<T, GstObjectUnref>;

struct GstMessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
using GstMessagePtr = std::unique_ptr<GstMessage, GstMessageUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

struct GstIteratorFree {
    void operator()(GstIterator* iterator) const { gst_iterator_free(iterator); }
};
using GstIteratorPtr = std::unique_ptr<GstIterator, GstIteratorFree>;

} // namespace sarvel
