#include "platform/gstenvironment.h"

#include <gst/gst.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace {
std::atomic<bool> scanSkipped{false};

bool findSoundOutput()
{
    // Any one output device answers the question. A device monitor would load
    // and ask every provider (each a plugin with its libraries, one of them
    // waiting on a sound server that may not run); the providers are asked one
    // by one instead, PulseAudio's first since the player's output goes through
    // it (a PipeWire desktop serves it too), then the others by rank, until one
    // knows an output. Without start() a provider answers with what it can probe
    // at once, and no monitoring thread is made.
    GList *factories = deviceProvidersPulseFirst("Audio/Sink");
    bool any = false;
    for (GList *f = factories; f && !any; f = f->next) {
        auto *factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
        GstDeviceProvider *provider = gst_device_provider_factory_get(factory);
        if (!provider)
            continue;
        GList *devices = gst_device_provider_get_devices(provider);
        for (GList *d = devices; d && !any; d = d->next)
            any = gst_device_has_classes(GST_DEVICE(d->data), "Audio/Sink");
        g_list_free_full(devices, gst_object_unref);
        gst_object_unref(provider);
    }
    gst_plugin_feature_list_free(factories);
    return any;
}
} // namespace

void setPluginScanSkipped(bool skipped) { scanSkipped = skipped; }

bool ensureGStreamer()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = gst_init_check(nullptr, nullptr, nullptr);
        // A later refresh, and every program started from this one, look at the
        // files as GStreamer always does. The variable is given a value in place
        // rather than removed: other threads may be reading the environment, and
        // a value other than "no" is GStreamer's default.
        if (scanSkipped)
            ::setenv("GST_REGISTRY_UPDATE", "yes", 1);
    });
    return ok;
}

bool refreshPluginList()
{
    if (!ensureGStreamer())
        return false;
    static std::once_flag once;
    std::call_once(once, [] { gst_update_registry(); });
    return true;
}

bool presentOrRefreshed(const std::function<bool()> &present)
{
    if (!ensureGStreamer())
        return false;
    return present() || (refreshPluginList() && present());
}

bool hasGstElement(const char *name)
{
    GstElementFactory *factory = gst_element_factory_find(name);
    if (!factory)
        return false;
    gst_object_unref(factory);
    return true;
}

GList *deviceProvidersPulseFirst(const char *classes)
{
    GList *factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_NONE);
    for (GList *f = factories; f;) {
        GList *next = f->next;
        if (!gst_device_provider_factory_has_classes(GST_DEVICE_PROVIDER_FACTORY(f->data), classes)) {
            gst_object_unref(f->data);
            factories = g_list_delete_link(factories, f);
        }
        f = next;
    }
    return g_list_sort(factories, [](gconstpointer a, gconstpointer b) {
        const auto pulse = [](gconstpointer f) {
            return g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), kPulseDeviceProvider) == 0;
        };
        if (pulse(a) != pulse(b))
            return pulse(a) ? -1 : 1;
        return int(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(b)))
               - int(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(a)));
    });
}

bool probeMediaPlayer()
{
    return presentOrRefreshed([] {
        const bool mp3 = hasGstElement("mpg123audiodec") || hasGstElement("avdec_mp3") || hasGstElement("mad");
        return hasGstElement("playbin") && hasGstElement("souphttpsrc") && mp3;
    });
}

bool probeSoundOutput() { return presentOrRefreshed(findSoundOutput); }
