#pragma once
// An owning holder for one reference to a GStreamer or GLib object: it drops the
// reference when it goes out of scope, so no return path leaks or drops it twice.
// Where the reference comes from is said at the call:
//   GstPtr<T>::adopt(p)  takes over a reference the caller already owns
//                        (what a "transfer full" call returned);
//   GstPtr<T>::sink(p)   takes over a newly made object, sinking its floating
//                        reference (what gst_element_factory_make returns);
//   GstPtr<T>::share(p)  takes a new reference of its own to p.
// A holder is moved, never copied; share() makes a second owner.

#include <gst/gst.h>

#include <utility>

namespace gstptr_detail {

// How a holder of T drops and takes references; one specialisation per type.
template <typename T> struct Refs;

// Everything derived from GstObject.
template <typename T> struct ObjectRefs {
    static void unref(T *p) { gst_object_unref(p); }
    static T *ref(T *p) { return static_cast<T *>(gst_object_ref(p)); }
    static T *sink(T *p) { return static_cast<T *>(gst_object_ref_sink(p)); }
};

template <> struct Refs<GstObject> : ObjectRefs<GstObject> {};
template <> struct Refs<GstElement> : ObjectRefs<GstElement> {};
template <> struct Refs<GstBus> : ObjectRefs<GstBus> {};
template <> struct Refs<GstPad> : ObjectRefs<GstPad> {};
template <> struct Refs<GstDevice> : ObjectRefs<GstDevice> {};
template <> struct Refs<GstDeviceProvider> : ObjectRefs<GstDeviceProvider> {};
template <> struct Refs<GstPluginFeature> : ObjectRefs<GstPluginFeature> {};
template <> struct Refs<GstClock> : ObjectRefs<GstClock> {};

// Mini objects: reference-counted, never floating.
template <typename T> struct MiniObjectRefs {
    static void unref(T *p) { gst_mini_object_unref(reinterpret_cast<GstMiniObject *>(p)); }
    static T *ref(T *p) { return reinterpret_cast<T *>(gst_mini_object_ref(reinterpret_cast<GstMiniObject *>(p))); }
};

template <> struct Refs<GstCaps> : MiniObjectRefs<GstCaps> {};
template <> struct Refs<GstMessage> : MiniObjectRefs<GstMessage> {};
template <> struct Refs<GstSample> : MiniObjectRefs<GstSample> {};
template <> struct Refs<GstTagList> : MiniObjectRefs<GstTagList> {};

// Plain allocations with a single owner, freed by Free: adopt() only.
template <typename T, auto Free> struct OwnerRefs {
    static void unref(T *p) { Free(p); }
};

template <> struct Refs<GstStructure> : OwnerRefs<GstStructure, gst_structure_free> {};
template <> struct Refs<GError> : OwnerRefs<GError, g_error_free> {};
template <> struct Refs<gchar> : OwnerRefs<gchar, g_free> {};

} // namespace gstptr_detail

template <typename T> class GstPtr {
    using Refs = gstptr_detail::Refs<T>;

public:
    GstPtr() = default;
    ~GstPtr() { reset(); }

    static GstPtr adopt(T *p) { return GstPtr(p); }
    static GstPtr sink(T *p) { return GstPtr(p ? Refs::sink(p) : nullptr); }
    static GstPtr share(T *p) { return GstPtr(p ? Refs::ref(p) : nullptr); }

    GstPtr(GstPtr &&other) noexcept : m_p(other.release()) {}
    GstPtr &operator=(GstPtr &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    GstPtr(const GstPtr &) = delete;
    GstPtr &operator=(const GstPtr &) = delete;

    T *get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Hands the reference to the caller, who now has to drop it.
    [[nodiscard]] T *release() { return std::exchange(m_p, nullptr); }

    // Drops the held reference and takes over `p`'s (adopting, as adopt() does).
    void reset(T *p = nullptr)
    {
        if (T *old = std::exchange(m_p, p))
            Refs::unref(old);
    }

private:
    explicit GstPtr(T *p) : m_p(p) {}

    T *m_p = nullptr;
};
