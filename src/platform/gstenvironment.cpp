#include "platform/gstenvironment.h"

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace {
std::atomic<bool> scanSkipped{false};

bool findSoundOutput()
{
    // Any one output device answers the question. A device monitor would load
    // and ask every provider (each a plugin with its libraries, one of them
    // waiting on a sound server that may not run); the providers are asked one
    // by one instead, PulseAudio's first since the player's output goes through
    // it (a PipeWire desktop serves it too), then the others by rank, until one
    // knows an output.
    GList *factories = deviceProvidersPulseFirst("Audio/Sink");
    bool any = false;
    for (GList *f = factories; f && !any; f = f->next) {
        GList *devices = providerDevices(GST_DEVICE_PROVIDER_FACTORY(f->data));
        for (GList *d = devices; d && !any; d = d->next)
            any = gst_device_has_classes(GST_DEVICE(d->data), "Audio/Sink");
        g_list_free_full(devices, gst_object_unref);
    }
    gst_plugin_feature_list_free(factories);
    return any;
}

// What one provider listed last, and when.
struct ProviderAnswer {
    GList *devices = nullptr; // one reference per entry
    gchar **hidden = nullptr;
    std::chrono::steady_clock::time_point readAt;
};

constexpr auto kAnswerKeptFor = std::chrono::seconds(2);

// A provider of video capture and playout cards (DeckLink's is one): their sound
// flows only together with their picture, an audio source of theirs delivering
// nothing unless the card's video source runs in the same pipeline. Neither the
// player nor the recorder can use such a device on its own, and loading the
// provider's plugin costs the start some milliseconds.
bool isVideoCaptureCard(GstDeviceProviderFactory *factory)
{
    return gst_device_provider_factory_has_classes(factory, "Video/Hardware");
}

GList *copyDevices(GList *devices)
{
    return g_list_copy_deep(devices, [](gconstpointer device, gpointer) { return gst_object_ref(gpointer(device)); },
                            nullptr);
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

GList *providerDevices(GstDeviceProviderFactory *factory, gchar ***hidden)
{
    // Kept for the whole run and reachable to its end: the devices hold
    // GStreamer's objects, which are not to be let go after GStreamer is.
    static std::mutex mutex;
    static auto *answers = new std::map<std::string, ProviderAnswer>;
    if (hidden)
        *hidden = nullptr;
    // One caller at a time: a second one asking while the first waits for the
    // provider gets the first one's answer.
    std::lock_guard lock(mutex);
    ProviderAnswer &answer = (*answers)[gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))];
    const auto now = std::chrono::steady_clock::now();
    if (!answer.devices || now - answer.readAt > kAnswerKeptFor) {
        // Made only when asked: making a provider loads its plugin. Without
        // start() it answers with what it can probe at once, which is the whole
        // list and spares a monitoring thread.
        GstDeviceProvider *provider = gst_device_provider_factory_get(factory);
        if (!provider)
            return nullptr;
        g_list_free_full(answer.devices, gst_object_unref);
        g_strfreev(answer.hidden);
        answer.devices = gst_device_provider_get_devices(provider);
        answer.hidden = gst_device_provider_get_hidden_providers(provider);
        answer.readAt = now;
        gst_object_unref(provider);
    }
    if (hidden)
        *hidden = g_strdupv(answer.hidden);
    return copyDevices(answer.devices);
}

GList *deviceProvidersPulseFirst(const char *classes)
{
    GList *factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_NONE);
    for (GList *f = factories; f;) {
        GList *next = f->next;
        auto *factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
        if (!gst_device_provider_factory_has_classes(factory, classes) || isVideoCaptureCard(factory)) {
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
