// A GStreamer plugin for tests that start the program itself on a machine
// without a sound server: its device provider reports one sound output and one
// capture device, so the program's start-up check and its driver list find
// them. The tests load it through GST_PLUGIN_PATH_1_0; it plays and records
// nothing.
//
// A test can also hold the program in that check: while the file named by
// SONAVEO_TEST_DEVICES_HOLD does not exist, a probe waits for it (a minute at
// most), so the test knows where the start stands while it acts.

// GST_PLUGIN_DEFINE names the package of its plugin with this macro.
#define PACKAGE "sonaveo-tests"

#include <gst/gst.h>

namespace {
struct TestOutputDevice {
    GstDevice parent;
};
struct TestOutputDeviceClass {
    GstDeviceClass parent_class;
};
struct TestOutputProvider {
    GstDeviceProvider parent;
};
struct TestOutputProviderClass {
    GstDeviceProviderClass parent_class;
};
} // namespace

G_DEFINE_TYPE(TestOutputDevice, test_output_device, GST_TYPE_DEVICE)
G_DEFINE_TYPE(TestOutputProvider, test_output_provider, GST_TYPE_DEVICE_PROVIDER)

static void test_output_device_class_init(TestOutputDeviceClass *) {}
static void test_output_device_init(TestOutputDevice *) {}

static GstDevice *makeDevice(const char *name, const char *deviceClass)
{
    GstCaps *caps = gst_caps_new_empty_simple("audio/x-raw");
    gpointer device = g_object_new(test_output_device_get_type(), "display-name", name, "device-class",
                                   deviceClass, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return GST_DEVICE(gst_object_ref_sink(device));
}

static void waitForRelease()
{
    const char *hold = g_getenv("SONAVEO_TEST_DEVICES_HOLD");
    for (int tries = 0; hold && tries < 600 && !g_file_test(hold, G_FILE_TEST_EXISTS); ++tries)
        g_usleep(100 * 1000);
}

static GList *probeDevices(GstDeviceProvider *)
{
    waitForRelease();
    GList *devices = g_list_append(nullptr, makeDevice("Test sound output", "Audio/Sink"));
    return g_list_append(devices, makeDevice("Test sound input", "Audio/Source"));
}

static void test_output_provider_class_init(TestOutputProviderClass *klass)
{
    GstDeviceProviderClass *provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->probe = probeDevices;
    gst_device_provider_class_set_static_metadata(provider, "Test sound devices", "Sink/Source/Audio",
                                                  "One sound output and one input, both silent", "Sonaveo tests");
}

static void test_output_provider_init(TestOutputProvider *) {}

static gboolean pluginInit(GstPlugin *plugin)
{
    return gst_device_provider_register(plugin, "sonaveotestoutput", GST_RANK_PRIMARY,
                                        test_output_provider_get_type());
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, sonaveotestoutput, "A sound output for tests", pluginInit,
                  "1.0", "LGPL", "sonaveo-tests", "https://sonaveo.invalid/")
