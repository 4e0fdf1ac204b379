// The GStreamer capture backend against devices this test lists itself: one whose
// element delivers a tone, one whose element puts out pictures and so cannot be
// linked to the audio converter. A buffer on the first fills its ring; one on the
// second refuses to start, however often it is asked.

#include "enginetestkit.h"
#include "platform/capturebackendgst.h"
#include "platform/gstenvironment.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace enginetest;

namespace {

const char *const kToneDevice = "Sonaveo test tone source";
const char *const kPictureDevice = "Sonaveo test picture source";
const char *const kFactoryKey = "sonaveo-test-factory";

GstElement *createTestElement(GstDevice *device, const gchar *name)
{
    const auto *factory = static_cast<const char *>(g_object_get_data(G_OBJECT(device), kFactoryKey));
    GstElement *element = gst_element_factory_make(factory, name);
    // Paced like a sound card, not as fast as the machine can make it.
    if (element && g_object_class_find_property(G_OBJECT_GET_CLASS(element), "is-live"))
        g_object_set(element, "is-live", TRUE, nullptr);
    return element;
}

GType testDeviceType()
{
    static const GType type = g_type_register_static_simple(
        GST_TYPE_DEVICE, "SonaveoTestCaptureDevice", sizeof(GstDeviceClass),
        [](gpointer klass, gpointer) { GST_DEVICE_CLASS(klass)->create_element = &createTestElement; },
        sizeof(GstDevice), nullptr, GTypeFlags(0));
    return type;
}

// A device that says it captures 16-bit stereo and makes `factory` as its element.
GstDevice *makeTestDevice(const char *displayName, const char *factory)
{
    GstCaps *caps = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=2");
    auto *device = GST_DEVICE(g_object_new(testDeviceType(), "display-name", displayName, "device-class",
                                           "Audio/Source", "caps", caps, nullptr));
    gst_caps_unref(caps);
    g_object_set_data_full(G_OBJECT(device), kFactoryKey, g_strdup(factory), g_free);
    return device;
}

GList *probeTestDevices(GstDeviceProvider *)
{
    GList *devices = g_list_append(nullptr, makeTestDevice(kToneDevice, "audiotestsrc"));
    return g_list_append(devices, makeTestDevice(kPictureDevice, "videotestsrc"));
}

class CapturePipeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ensureGStreamer());
        static const bool registered =
            gst_device_provider_register(nullptr, "sonaveotestcapture", GST_RANK_PRIMARY,
                                         testProviderType({"SonaveoTestCaptureProvider", &probeTestDevices,
                                                           "Audio/Source", "Sonaveo test capture devices"}));
        ASSERT_TRUE(registered);
    }

    // A buffer for 44.1 kHz 16-bit stereo on the listed device called `name`.
    std::unique_ptr<CaptureBuffer> bufferOn(const char *name)
    {
        GstCaptureBackend backend;
        std::optional<QUuid> guid;
        // The device list is read again once the last reading is two seconds old.
        waitUntil(
            [&] {
                const auto drivers = backend.enumerateDrivers();
                const auto found = std::find_if(drivers.begin(), drivers.end(), [&](const CaptureDriverInfo &d) {
                    return d.description == QString::fromUtf8(name);
                });
                if (found != drivers.end())
                    guid = found->guid;
                return guid.has_value();
            },
            5000);
        if (!guid) {
            ADD_FAILURE() << name << " is not in the driver list";
            return nullptr;
        }
        auto device = backend.createDevice(guid);
        if (!device) {
            ADD_FAILURE() << name << " could not be opened";
            return nullptr;
        }
        auto buffer = device->createCaptureBuffer(PcmFormat{44100, 16, 2}, 1 << 20);
        EXPECT_TRUE(buffer) << name << " refused 44100 Hz 16-bit stereo";
        return buffer;
    }
};

TEST_F(CapturePipeline, DeviceThatLinksFillsTheRing)
{
    auto buffer = bufferOn(kToneDevice);
    ASSERT_TRUE(buffer);
    ASSERT_TRUE(buffer->start());
    uint32_t capturePos = 0;
    uint32_t readPos = 0;
    ASSERT_TRUE(waitUntil([&] { return buffer->currentPosition(capturePos, readPos) && capturePos > 4096; }, 5000))
        << "capture position " << capturePos;
    const uint8_t *part1 = nullptr;
    const uint8_t *part2 = nullptr;
    uint32_t size1 = 0;
    uint32_t size2 = 0;
    ASSERT_TRUE(buffer->lock(0, 4096, part1, size1, part2, size2));
    const bool sound = std::any_of(part1, part1 + size1, [](uint8_t b) { return b != 0; });
    buffer->unlock(part1, size1, part2, size2);
    EXPECT_TRUE(sound) << "the tone's bytes reached the ring";
    buffer->stop();
    EXPECT_FALSE(buffer->currentPosition(capturePos, readPos)) << "a stopped buffer has no position";
}

TEST_F(CapturePipeline, DeviceThatCannotLinkNeverStarts)
{
    auto buffer = bufferOn(kPictureDevice);
    ASSERT_TRUE(buffer);
    EXPECT_FALSE(buffer->start());
    // Asked again, it must not play what the failed attempt left behind.
    EXPECT_FALSE(buffer->start());
    uint32_t capturePos = 0;
    uint32_t readPos = 0;
    EXPECT_FALSE(buffer->currentPosition(capturePos, readPos));
    buffer->stop();
    EXPECT_FALSE(buffer->start());
}

} // namespace
