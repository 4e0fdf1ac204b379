// The start-up checks against the real GStreamer and the sound server that
// scripts/test starts.

#include "childprocess.h"
#include "platform/environment.h"
#include "platform/gstmediaengine.h"

#include <QThreadPool>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

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
        GstEnvironmentChecks checks;
        checks.prefetch([&] {
            followUpRan = true;
            released.wait();
        });
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
    EXPECT_TRUE(GstEnvironmentChecks::probeMediaPlayer());
    EXPECT_FALSE(GstEnvironmentChecks::probeSoundOutput());
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
