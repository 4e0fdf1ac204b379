// The start-up checks against the real GStreamer and the sound server that
// scripts/test starts.

#include "childprocess.h"
#include "platform/engine.h"
#include "platform/environment.h"
#include "platform/gstenvironment.h"
#include "platform/gstmediaengine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>

using namespace std::chrono_literals;

TEST(EnvironmentChecks, AnswersDoNotWaitForTheWorkQueuedBehindThem)
{
    // The work queued behind the checks (reading the capture devices) may take
    // long when the sound server is slow; the checks, and with them the main
    // window, must not wait for it.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> followUpRan{false};
    std::future<std::pair<bool, bool>> answers;
    {
        EngineEnvironmentChecks checks([&] {
            followUpRan = true;
            released.wait();
        });
        checks.begin();
        answers = std::async(std::launch::async, [&checks] {
            return std::make_pair(checks.mediaPlayerAvailable(), checks.soundOutputAvailable());
        });
        const bool answered = answers.wait_for(20s) == std::future_status::ready;
        release.set_value();
        ASSERT_TRUE(answered) << "the checks waited for the follow-up work";
        const auto [player, output] = answers.get();
        EXPECT_TRUE(player) << "GStreamer with playbin, an HTTP source and an MP3 decoder";
        EXPECT_TRUE(output) << "the test sound server's null sink";
    } // leaving the scope waits for the helper thread
    EXPECT_TRUE(followUpRan);
}

TEST(EnvironmentChecks, WithoutASoundServerNoOutputIsFound)
{
    // A process of its own, told of a sound server that does not exist, and of
    // no PipeWire either: every device provider is asked, and none knows an
    // output.
    constexpr const char *kMarker = "SONAVEO_NO_SOUND_CHILD";
    if (!childprocess::isChild(kMarker)) {
        QString output;
        EXPECT_TRUE(childprocess::runPassed(QStringLiteral("EnvironmentChecks.WithoutASoundServerNoOutputIsFound"),
                                            kMarker,
                                            {QStringLiteral("env"), QStringLiteral("PULSE_SERVER=unix:/nonexistent/native"),
                                             QStringLiteral("PIPEWIRE_REMOTE=/nonexistent/pipewire-0"),
                                             QStringLiteral("XDG_RUNTIME_DIR=/nonexistent")},
                                            &output))
            << output.toStdString();
        return;
    }
    EXPECT_TRUE(probeMediaPlayer());
    EXPECT_FALSE(probeSoundOutput());
    // The work beside the checks needs only the player, and still runs: the
    // capture devices are read whatever the output check answers.
    std::atomic<bool> besideRan{false};
    {
        EngineEnvironmentChecks checks([&besideRan] { besideRan = true; });
        checks.begin();
        EXPECT_TRUE(checks.mediaPlayerAvailable());
        EXPECT_FALSE(checks.soundOutputAvailable());
    }
    EXPECT_TRUE(besideRan);
}

TEST(EnvironmentChecks, WithoutPluginsThePlayerIsMissingAndNothingRunsBeside)
{
    // GStreamer with no plugin folder to read: it starts, but playbin cannot be
    // made, and the work that needs the player never runs.
    constexpr const char *kMarker = "SONAVEO_NO_PLUGINS_CHILD";
    if (!childprocess::isChild(kMarker)) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("plugins")));
        QString output;
        EXPECT_TRUE(childprocess::runPassed(
            QStringLiteral("EnvironmentChecks.WithoutPluginsThePlayerIsMissingAndNothingRunsBeside"), kMarker,
            {QStringLiteral("env"), QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0=") + dir.filePath(QStringLiteral("plugins")),
             QStringLiteral("GST_PLUGIN_PATH_1_0="), QStringLiteral("GST_REGISTRY_1_0=") + dir.filePath(QStringLiteral("registry.bin"))},
            &output))
            << output.toStdString();
        return;
    }
    std::atomic<bool> besideRan{false};
    {
        EngineEnvironmentChecks checks([&besideRan] { besideRan = true; });
        checks.begin();
        EXPECT_FALSE(checks.mediaPlayerAvailable());
    }
    EXPECT_FALSE(besideRan);
}

namespace {

// A folder of its own for GStreamer's cache and plugin folders.
struct PluginFolders {
    QTemporaryDir dir;
    QString cache() const { return dir.filePath(QStringLiteral("cache/registry.bin")); }
    QString system() const { return dir.filePath(QStringLiteral("system")); }
    QString own() const { return dir.filePath(QStringLiteral("own")); }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("GST_REGISTRY_1_0"), cache());
        env.insert(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), system());
        env.insert(QStringLiteral("GST_PLUGIN_PATH_1_0"), own());
        return env;
    }
    static bool touch(const QString &path, int secondsAgo)
    {
        QFile file(path);
        if (!QFileInfo(path).isDir() && !file.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        file.close();
        const QDateTime when = QDateTime::currentDateTime().addSecs(-secondsAgo);
        const QByteArray name = path.toLocal8Bit();
        const timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
        return ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0;
    }
};

} // namespace

TEST(PluginCache, IsTrustedUntilAPluginFolderChanges)
{
    // GStreamer's list of plugins is used without looking at the plugin files
    // while no plugin folder changed after the list was written; a plugin
    // installed, upgraded or removed (a file put in, replaced or taken out)
    // changes its folder, and then GStreamer looks at the files.
    PluginFolders folders;
    ASSERT_TRUE(folders.dir.isValid());
    for (const char *name : {"cache", "system", "own"})
        ASSERT_TRUE(QDir(folders.dir.path()).mkdir(QString::fromLatin1(name)));
    const QProcessEnvironment env = folders.environment();
    EXPECT_FALSE(pluginCacheIsCurrent(env)) << "no list written yet";

    ASSERT_TRUE(PluginFolders::touch(folders.system(), 120));
    ASSERT_TRUE(PluginFolders::touch(folders.own(), 120));
    ASSERT_TRUE(PluginFolders::touch(folders.cache(), 60));
    EXPECT_TRUE(pluginCacheIsCurrent(env));

    ASSERT_TRUE(PluginFolders::touch(folders.own(), 0));
    EXPECT_FALSE(pluginCacheIsCurrent(env)) << "a plugin of the user's own folder changed";
    ASSERT_TRUE(PluginFolders::touch(folders.own(), 120));
    ASSERT_TRUE(PluginFolders::touch(folders.system(), 60));
    EXPECT_FALSE(pluginCacheIsCurrent(env)) << "changed in the second the list was written";

    // A folder that does not exist holds no plugin to miss.
    ASSERT_TRUE(QDir(folders.system()).removeRecursively());
    EXPECT_TRUE(pluginCacheIsCurrent(env));
}

TEST(PluginCache, TheDefaultFoldersAndTheCacheOfTheHomeFolderCount)
{
    PluginFolders folders;
    ASSERT_TRUE(folders.dir.isValid());
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), folders.dir.path());
    const QString cacheFolder = folders.dir.filePath(QStringLiteral(".cache/gstreamer-1.0"));
    const QString ownPlugins = folders.dir.filePath(QStringLiteral(".local/share/gstreamer-1.0/plugins"));
    ASSERT_TRUE(QDir().mkpath(cacheFolder));
    ASSERT_TRUE(QDir().mkpath(ownPlugins));
    ASSERT_TRUE(PluginFolders::touch(ownPlugins, 0));
    ASSERT_TRUE(PluginFolders::touch(cacheFolder + QStringLiteral("/registry.x86_64.bin"), 0));
    EXPECT_FALSE(pluginCacheIsCurrent(env)) << "the user's own plugin folder changed with the list";
    ASSERT_TRUE(PluginFolders::touch(ownPlugins, 3600));
    // The system's folder is older than a list written now.
    EXPECT_TRUE(pluginCacheIsCurrent(env));
    // Two lists (two kinds of processor): the rule does not guess which.
    ASSERT_TRUE(PluginFolders::touch(cacheFolder + QStringLiteral("/registry.i686.bin"), 0));
    EXPECT_FALSE(pluginCacheIsCurrent(env));
}

TEST(EnvironmentChecks, APluginInstalledSinceGStreamersListWasWrittenIsFound)
{
    // A list written while the player's plugins were not there must not keep
    // the program from starting once they are, even where no folder tells of
    // the change: first a process writes a list that has GStreamer's core
    // elements alone, then the program's checks run with every plugin in place,
    // that list in the cache and its plugin folder older than the list.
    constexpr const char *kMarker = "SONAVEO_STALE_PLUGINS_CHILD";
    const QByteArray step = qgetenv("SONAVEO_STALE_PLUGINS_STEP");
    if (!childprocess::isChild(kMarker)) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("core")));
        ASSERT_TRUE(ensureGStreamer());
        GstPlugin *core = gst_registry_find_plugin(gst_registry_get(), "coreelements");
        ASSERT_NE(core, nullptr);
        const QString coreFile = QString::fromUtf8(gst_plugin_get_filename(core));
        gst_object_unref(core);
        ASSERT_TRUE(QFile::link(coreFile, dir.filePath(QStringLiteral("core/")) + QFileInfo(coreFile).fileName()));
        const QString cache = QStringLiteral("GST_REGISTRY_1_0=") + dir.filePath(QStringLiteral("registry.bin"));
        const QString test = QStringLiteral("EnvironmentChecks.APluginInstalledSinceGStreamersListWasWrittenIsFound");
        QString output;
        ASSERT_TRUE(childprocess::runPassed(test, kMarker,
                                            {QStringLiteral("env"), QStringLiteral("SONAVEO_STALE_PLUGINS_STEP=write"),
                                             cache, QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0=") + dir.filePath(QStringLiteral("core"))},
                                            &output))
            << output.toStdString();
        ASSERT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("registry.bin"))));
        EXPECT_TRUE(childprocess::runPassed(test, kMarker,
                                            {QStringLiteral("env"), QStringLiteral("-u"), QStringLiteral("GST_REGISTRY_UPDATE"),
                                             QStringLiteral("SONAVEO_STALE_PLUGINS_STEP=check"), cache},
                                            &output))
            << output.toStdString();
        return;
    }
    if (step == "write") {
        ASSERT_TRUE(ensureGStreamer());
        EXPECT_TRUE(hasGstElement("fakesink"));
        EXPECT_FALSE(hasGstElement("playbin"));
        return;
    }
    ASSERT_EQ(step, "check");
    ASSERT_TRUE(skipPluginScanWhileCurrent()) << "the system's plugin folder is older than the list just written";
    // As the program starts: the engine learns of the skipped scan as it loads.
    ASSERT_NE(engine(), nullptr);
    ASSERT_TRUE(ensureGStreamer());
    ASSERT_FALSE(hasGstElement("playbin")) << "the list from the cache was not the one of the core elements";
    EXPECT_EQ(qgetenv("GST_REGISTRY_UPDATE"), "yes") << "programs started from this one look at the files again";
    EXPECT_TRUE(probeMediaPlayer());
    EXPECT_TRUE(probeSoundOutput());
    EXPECT_TRUE(hasGstElement("playbin"));
}

namespace {

// The plugins of every type finder and of the stream elements this GStreamer
// has, split into loaded and not loaded.
struct PluginLoads {
    QStringList loaded, unloaded;
};

void noteFeature(GstPluginFeature *feature, PluginLoads &loads)
{
    GstPlugin *plugin = gst_plugin_feature_get_plugin(feature);
    if (!plugin)
        return;
    const QString name = QString::fromUtf8(gst_plugin_get_name(plugin));
    QStringList &list = gst_plugin_is_loaded(plugin) ? loads.loaded : loads.unloaded;
    if (!list.contains(name))
        list << name;
    gst_object_unref(plugin);
}

PluginLoads streamPluginLoads()
{
    PluginLoads loads;
    GList *finders = gst_type_find_factory_get_list();
    for (GList *item = finders; item; item = item->next)
        noteFeature(GST_PLUGIN_FEATURE(item->data), loads);
    gst_plugin_feature_list_free(finders);
    for (const char *name : {"souphttpsrc", "icydemux", "mpegaudioparse", "mpg123audiodec", "pulsesink"}) {
        if (GstPluginFeature *feature = gst_registry_lookup_feature(gst_registry_get(), name)) {
            noteFeature(feature, loads);
            gst_object_unref(feature);
        }
    }
    return loads;
}

} // namespace

TEST(StreamPlugins, AreAllLoadedAheadOfTheFirstTune)
{
    // A process of its own: any earlier test that played something has loaded
    // them already.
    constexpr const char *kMarker = "SONAVEO_PLUGIN_CHILD";
    if (!childprocess::isChild(kMarker)) {
        QString output;
        EXPECT_TRUE(childprocess::runPassed(QStringLiteral("StreamPlugins.AreAllLoadedAheadOfTheFirstTune"), kMarker, {},
                                            &output))
            << output.toStdString();
        return;
    }
    ASSERT_TRUE(ensureGStreamer());
    const PluginLoads before = streamPluginLoads();
    ASSERT_FALSE(before.unloaded.isEmpty()) << "a fresh process has loaded no type finder yet";

    GstMediaEngine::loadStreamPluginsInBackground();
    QThreadPool::globalInstance()->waitForDone(30000);
    const PluginLoads after = streamPluginLoads();
    EXPECT_TRUE(after.unloaded.isEmpty()) << "still to load: " << after.unloaded.join(QStringLiteral(", ")).toStdString();
    EXPECT_GE(after.loaded.size(), before.unloaded.size());

    // Asked again (another window, another start), nothing more happens.
    GstMediaEngine::loadStreamPlugins();
    EXPECT_EQ(streamPluginLoads().loaded, after.loaded);
}
