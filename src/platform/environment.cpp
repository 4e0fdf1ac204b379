#include "platform/environment.h"

#include "platform/engine.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <pthread.h>
#include <system_error>

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

bool pluginScanSkipped() { return skippingScan; }

std::pair<bool, bool> EngineEnvironmentChecks::probe(const std::function<void()> &playerFound)
{
    // Without its engine the program cannot play: the player is missing. The
    // sound output cannot be asked then, and is not said to be missing.
    const Engine *playback = engine();
    if (!playback) {
        std::fprintf(stderr, "sonaveo: the playback engine cannot be loaded: %s\n", qPrintable(engineProblem()));
        return {false, true};
    }
    const bool player = playback->probeMediaPlayer();
    if (player && playerFound)
        playerFound();
    return {player, playback->probeSoundOutput()};
}

void EngineEnvironmentChecks::begin()
{
    if (m_answers.valid() || m_known)
        return;
    std::promise<std::pair<bool, bool>> promise;
    m_answers = promise.get_future();
    m_helper = std::thread([promise = std::move(promise), alongside = std::move(m_alongside)]() mutable {
        pthread_setname_np(pthread_self(), "checks");
        // The sound output check waits for the sound server much of its time,
        // and the work alongside needs no more than the player.
        std::thread second;
        const auto answers = probe([&second, &alongside] {
            if (!alongside)
                return;
            try {
                second = std::thread([&alongside] {
                    pthread_setname_np(pthread_self(), "beside checks");
                    alongside();
                });
            } catch (const std::system_error &) {
                // No thread to spare: it runs once the answers are handed over.
            }
        });
        promise.set_value(answers);
        if (second.joinable())
            second.join();
        else if (alongside && answers.first)
            alongside();
    });
}

EngineEnvironmentChecks::~EngineEnvironmentChecks()
{
    if (m_helper.joinable())
        m_helper.join();
}

std::pair<bool, bool> EngineEnvironmentChecks::answers()
{
    if (!m_known)
        m_known = m_answers.valid() ? m_answers.get() : probe();
    return *m_known;
}

bool EngineEnvironmentChecks::engineLoaded() { return engine() != nullptr; }

bool EngineEnvironmentChecks::mediaPlayerAvailable() { return answers().first; }

bool EngineEnvironmentChecks::soundOutputAvailable() { return answers().second; }
