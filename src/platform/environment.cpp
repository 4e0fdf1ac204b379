#include "platform/environment.h"

#include <gst/gst.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <pthread.h>

namespace {
constexpr const char *kUpdateVariable = "GST_REGISTRY_UPDATE";
// Set by skipPluginScanWhileCurrent() when it told GStreamer to skip the files.
bool skippingScan = false;

// The first of the variables that is set, as GStreamer reads them.
QString firstSet(const QProcessEnvironment &environment, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (environment.contains(QLatin1String(name)))
            return environment.value(QLatin1String(name));
    return {};
}

QString registryCacheFile(const QProcessEnvironment &environment)
{
    const QString named = firstSet(environment, {"GST_REGISTRY_1_0", "GST_REGISTRY"});
    if (!named.isEmpty())
        return named;
    QString cache = environment.value(QStringLiteral("XDG_CACHE_HOME"));
    if (cache.isEmpty())
        cache = environment.value(QStringLiteral("HOME")) + QStringLiteral("/.cache");
    // "registry.<processor>.bin"; with none or several the rule does not guess.
    QStringList files;
    for (QDirIterator it(cache + QStringLiteral("/gstreamer-1.0"), QDir::Files); it.hasNext();) {
        const QString file = it.next();
        const QString name = it.fileName();
        if (name.startsWith(QLatin1String("registry.")) && name.endsWith(QLatin1String(".bin")))
            files << file;
    }
    return files.size() == 1 ? files.front() : QString();
}

QStringList pluginFolders(const QProcessEnvironment &environment)
{
    const auto folders = [&environment](std::initializer_list<const char *> names) {
        return firstSet(environment, names).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    };
    QStringList all = folders({"GST_PLUGIN_PATH_1_0", "GST_PLUGIN_PATH"});
    // The system's folders, unless the environment names others.
    if (environment.contains(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"))
        || environment.contains(QStringLiteral("GST_PLUGIN_SYSTEM_PATH")))
        return all + folders({"GST_PLUGIN_SYSTEM_PATH_1_0", "GST_PLUGIN_SYSTEM_PATH"});
    QString data = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (data.isEmpty())
        data = environment.value(QStringLiteral("HOME")) + QStringLiteral("/.local/share");
    return all << data + QStringLiteral("/gstreamer-1.0/plugins") << QStringLiteral(SONAVEO_GST_PLUGINS_DIR);
}
} // namespace

bool pluginCacheIsCurrent(const QProcessEnvironment &environment)
{
    const QString cacheFile = registryCacheFile(environment);
    if (cacheFile.isEmpty())
        return false;
    const QFileInfo cache(cacheFile);
    if (!cache.isFile())
        return false;
    const QDateTime written = cache.lastModified();
    for (const QString &folder : pluginFolders(environment)) {
        const QFileInfo info(folder);
        // A folder changed in the same second as the cache was written may have
        // changed after it.
        if (info.exists() && info.lastModified() >= written)
            return false;
    }
    return true;
}

bool skipPluginScanWhileCurrent()
{
    // Asked for by the user either way: left alone.
    if (qEnvironmentVariableIsSet(kUpdateVariable))
        return false;
    skippingScan = pluginCacheIsCurrent(QProcessEnvironment::systemEnvironment());
    if (skippingScan)
        ::setenv(kUpdateVariable, "no", 1);
    return skippingScan;
}

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
        if (skippingScan)
            ::setenv(kUpdateVariable, "yes", 1);
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

bool GstEnvironmentChecks::probeMediaPlayer()
{
    return presentOrRefreshed([] {
        const bool mp3 = hasGstElement("mpg123audiodec") || hasGstElement("avdec_mp3") || hasGstElement("mad");
        return hasGstElement("playbin") && hasGstElement("souphttpsrc") && mp3;
    });
}

bool GstEnvironmentChecks::probeSoundOutput()
{
    return presentOrRefreshed(findSoundOutput);
}

bool GstEnvironmentChecks::findSoundOutput()
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
