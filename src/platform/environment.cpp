#include "platform/environment.h"

#include <gst/gst.h>

#include <mutex>

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
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
    // Without start() the providers answer with what they can probe at once,
    // which is all we need for a count and avoids a monitoring thread.
    GList *devices = gst_device_monitor_get_devices(monitor);
    const bool any = devices != nullptr;
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return any;
}

void GstEnvironmentChecks::prefetch(std::function<void()> afterwards)
{
    if (m_answers.valid() || m_known)
        return;
    std::promise<std::pair<bool, bool>> promise;
    m_answers = promise.get_future();
    m_helper = std::thread([promise = std::move(promise), afterwards = std::move(afterwards)]() mutable {
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
