#include "platform/environment.h"

#include <gst/gst.h>

#include <mutex>
#include <pthread.h>

bool ensureGStreamer()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = gst_init_check(nullptr, nullptr, nullptr); });
    return ok;
}

bool hasGstElement(const char *name)
{
    GstElementFactory *factory = gst_element_factory_find(name);
    if (!factory)
        return false;
    gst_object_unref(factory);
    return true;
}

bool GstEnvironmentChecks::probeMediaPlayer()
{
    if (!ensureGStreamer())
        return false;
    const bool mp3 = hasGstElement("mpg123audiodec") || hasGstElement("avdec_mp3") || hasGstElement("mad");
    return hasGstElement("playbin") && hasGstElement("souphttpsrc") && mp3;
}

bool GstEnvironmentChecks::probeSoundOutput()
{
    if (!ensureGStreamer())
        return false;
    // Any one output device answers the question. A device monitor would load
    // and ask every provider (each a plugin with its libraries, one of them
    // waiting on a sound server that may not run); the providers are asked one
    // by one instead, PulseAudio's first since the player's output goes through
    // it (a PipeWire desktop serves it too), then the others by rank, until one
    // knows an output. Without start() a provider answers with what it can probe
    // at once, and no monitoring thread is made.
    GList *factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_NONE);
    factories = g_list_sort(factories, [](gconstpointer a, gconstpointer b) {
        const auto first = [](gconstpointer f) {
            return g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), "pulsedeviceprovider") == 0;
        };
        if (first(a) != first(b))
            return first(a) ? -1 : 1;
        return int(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(b)))
               - int(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(a)));
    });
    bool any = false;
    for (GList *f = factories; f && !any; f = f->next) {
        auto *factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
        if (!gst_device_provider_factory_has_classes(factory, "Audio/Sink"))
            continue;
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

void GstEnvironmentChecks::prefetch(std::function<void()> afterwards)
{
    if (m_answers.valid() || m_known)
        return;
    std::promise<std::pair<bool, bool>> promise;
    m_answers = promise.get_future();
    m_helper = std::thread([promise = std::move(promise), afterwards = std::move(afterwards)]() mutable {
        pthread_setname_np(pthread_self(), "checks");
        const bool player = probeMediaPlayer();
        const bool output = probeSoundOutput();
        promise.set_value({player, output});
        if (afterwards && player && output)
            afterwards();
    });
}

GstEnvironmentChecks::~GstEnvironmentChecks()
{
    if (m_helper.joinable())
        m_helper.join();
}

std::pair<bool, bool> GstEnvironmentChecks::answers()
{
    if (!m_known)
        m_known = m_answers.valid() ? m_answers.get()
                                    : std::make_pair(probeMediaPlayer(), probeSoundOutput());
    return *m_known;
}

bool GstEnvironmentChecks::mediaPlayerAvailable() { return answers().first; }

bool GstEnvironmentChecks::soundOutputAvailable() { return answers().second; }
