// What a device provider answers is shared: the sound output check at start and
// the recorder's device lists right after it get one answer, so the sound server
// is asked once. Against providers this test registers itself, which count how
// often they are asked; their class is one no device list looks for, so the
// other tests never see them.

#include "enginetestkit.h"
#include "platform/capturebackendgst.h"
#include "platform/gstenvironment.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QSet>
#include <QString>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace enginetest;

namespace {

const char *const kListing = "sonaveocountingprovider";
const char *const kSilent = "sonaveosilentprovider";
const char *const kHiddenByListing = "sonaveohiddenprovider";

std::atomic<int> listingAsked{0};
std::atomic<int> silentAsked{0};
std::atomic<int> videoCardAsked{0};
// While set, the listing provider takes its time, as a slow sound server does.
std::atomic<bool> listingIsSlow{false};

GType deviceType()
{
    static const GType type = g_type_register_static_simple(GST_TYPE_DEVICE, "SonaveoCountedDevice",
                                                            sizeof(GstDeviceClass), nullptr, sizeof(GstDevice),
                                                            nullptr, GTypeFlags(0));
    return type;
}

GstDevice *makeDevice(const char *name, const char *deviceClass)
{
    return GST_DEVICE(g_object_new(deviceType(), "display-name", name, "device-class", deviceClass, nullptr));
}

GList *probeListing(GstDeviceProvider *)
{
    ++listingAsked;
    if (listingIsSlow)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    GList *devices = g_list_append(nullptr, makeDevice("Test speakers", "Audio/Sink"));
    return g_list_append(devices, makeDevice("Test microphone", "Audio/Source"));
}

GList *probeSilent(GstDeviceProvider *)
{
    ++silentAsked;
    return nullptr;
}

// A video capture card's provider: it offers an audio input and output, usable
// only beside the card's picture.
GList *probeVideoCard(GstDeviceProvider *)
{
    ++videoCardAsked;
    GList *devices = g_list_append(nullptr, makeDevice("Capture card audio in", "Audio/Source/Hardware"));
    return g_list_append(devices, makeDevice("Capture card audio out", "Audio/Sink/Hardware"));
}

void hideTheHiddenOne(GTypeInstance *instance, gpointer)
{
    gst_device_provider_hide_provider(GST_DEVICE_PROVIDER(instance), kHiddenByListing);
}

GstDeviceProviderFactory *factory(const char *name)
{
    static const bool registered =
        gst_device_provider_register(nullptr, kListing, GST_RANK_NONE,
                                     testProviderType({"SonaveoCountingProvider", &probeListing, "Sonaveo/Test",
                                                       "Sonaveo counting devices", &hideTheHiddenOne}))
        && gst_device_provider_register(nullptr, kSilent, GST_RANK_NONE,
                                        testProviderType({"SonaveoSilentProvider", &probeSilent, "Sonaveo/Test",
                                                          "Sonaveo silent devices"}));
    EXPECT_TRUE(registered);
    GstDeviceProviderFactory *found = gst_device_provider_factory_find(name);
    if (found)
        gst_object_unref(found); // the registry keeps it
    return found;
}

struct Answer {
    QSet<QString> devices; // "class: name"
    QSet<QString> hidden;
};

Answer ask(const char *name)
{
    gchar **hides = nullptr;
    GList *list = providerDevices(factory(name), &hides);
    Answer answer;
    for (GList *d = list; d; d = d->next) {
        gchar *display = gst_device_get_display_name(GST_DEVICE(d->data));
        gchar *deviceClass = gst_device_get_device_class(GST_DEVICE(d->data));
        answer.devices << QString::fromUtf8(deviceClass) + QStringLiteral(": ") + QString::fromUtf8(display);
        g_free(display);
        g_free(deviceClass);
    }
    g_list_free_full(list, gst_object_unref);
    for (gchar **h = hides; h && *h; ++h)
        answer.hidden << QString::fromUtf8(*h);
    g_strfreev(hides);
    return answer;
}

} // namespace

TEST(DeviceProviderAnswers, CallersCloseTogetherShareOneAnswerAndALaterOneAsksAgain)
{
    ASSERT_TRUE(ensureGStreamer());
    ASSERT_TRUE(factory(kListing));
    const QSet<QString> expected{QStringLiteral("Audio/Sink: Test speakers"),
                                 QStringLiteral("Audio/Source: Test microphone")};
    const int before = listingAsked;

    // Two callers at once while the provider is slow, as the output check and
    // the capture devices read beside it: the provider is asked once, and both
    // get every device (sinks and sources alike) and the providers it hides.
    listingIsSlow = true;
    auto first = std::async(std::launch::async, [] { return ask(kListing); });
    auto second = std::async(std::launch::async, [] { return ask(kListing); });
    const Answer a = first.get();
    const Answer b = second.get();
    listingIsSlow = false;
    EXPECT_EQ(listingAsked - before, 1);
    EXPECT_EQ(a.devices, expected);
    EXPECT_EQ(b.devices, expected);
    EXPECT_EQ(a.hidden, QSet<QString>{QString::fromLatin1(kHiddenByListing)});
    EXPECT_EQ(b.hidden, a.hidden);

    // Right after: the same answer, nothing asked.
    EXPECT_EQ(ask(kListing).devices, expected);
    EXPECT_EQ(listingAsked - before, 1);

    // A device plugged in later must show: once the answer is some seconds old
    // the provider is asked again.
    EXPECT_TRUE(waitUntil(
        [&] {
            ask(kListing);
            return listingAsked - before == 2;
        },
        10000))
        << "the first answer was kept for good";
}

TEST(DeviceProviderAnswers, AProviderThatListedNothingIsAskedEachTime)
{
    // A sound server that was not up yet may be by the next question.
    ASSERT_TRUE(ensureGStreamer());
    ASSERT_TRUE(factory(kSilent));
    const int before = silentAsked;
    EXPECT_TRUE(ask(kSilent).devices.isEmpty());
    EXPECT_TRUE(ask(kSilent).devices.isEmpty());
    EXPECT_EQ(silentAsked - before, 2);
}

TEST(DeviceProviderAnswers, AVideoCardIsNeitherAnOutputNorARecordingDeviceAndIsNotLoaded)
{
    // A capture card's sound flows only with its picture: listed as a
    // recording device it would record nothing, and its plugin (DeckLink's
    // brings its own libraries) would be loaded at every start for nothing.
    ASSERT_TRUE(ensureGStreamer());
    ASSERT_TRUE(gst_device_provider_register(
        nullptr, "sonaveovideocardprovider", GST_RANK_PRIMARY + 1,
        testProviderType({"SonaveoVideoCardProvider", &probeVideoCard, "Audio/Video/Source/Sink/Hardware",
                          "Sonaveo video card"})));
    for (const char *classes : {"Audio/Source", "Audio/Sink"}) {
        GList *factories = deviceProvidersPulseFirst(classes);
        for (GList *f = factories; f; f = f->next) {
            const gchar *name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f->data));
            EXPECT_STRNE(name, "sonaveovideocardprovider") << classes;
        }
        gst_plugin_feature_list_free(factories);
    }

    GstCaptureBackend backend;
    for (const CaptureDriverInfo &driver : backend.enumerateDrivers())
        EXPECT_FALSE(driver.description.startsWith(QStringLiteral("Capture card"))) << qPrintable(driver.description);
    probeSoundOutput();
    EXPECT_EQ(videoCardAsked, 0);

    // The real one, where GStreamer's DeckLink plugin is installed.
    GstPlugin *decklink = gst_registry_find_plugin(gst_registry_get(), "decklink");
    if (!decklink)
        return;
    EXPECT_FALSE(gst_plugin_is_loaded(decklink)) << "the DeckLink plugin was loaded for the device lists";
    gst_object_unref(decklink);
}
