#include "platform/capturebackendgst.h"

#include <mutex>

#include "platform/gstenvironment.h"
#include "platform/gstptr.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QByteArray>
#include <QSet>

#include <algorithm>
#include <atomic>

namespace {

// GStreamer and the elements a capture needs, checked once; a failed check is
// repeated on the next request, a passed one never.
void requireCaptureElements()
{
    static std::mutex mutex;
    static bool available = false;
    std::lock_guard lock(mutex);
    if (available)
        return;
    available = ensureGStreamer() && hasGstElement("appsink") && hasGstElement("audioconvert") &&
                hasGstElement("audioresample") && (hasGstElement("pulsesrc") || hasGstElement("autoaudiosrc"));
    if (!available)
        throw EDirectXError::notAvailable();
}

using DevicePtr = GstPtr<GstDevice>;
using DeviceList = std::vector<DevicePtr>;

QString deviceString(GstDevice *device, const char *key)
{
    const auto props = GstPtr<GstStructure>::adopt(gst_device_get_properties(device));
    if (props) {
        if (const char *text = gst_structure_get_string(props.get(), key))
            return QString::fromUtf8(text);
    }
    return {};
}

bool isDefaultDevice(const DevicePtr &device)
{
    const auto props = GstPtr<GstStructure>::adopt(gst_device_get_properties(device.get()));
    gboolean isDefault = FALSE;
    if (props)
        gst_structure_get_boolean(props.get(), "is-default", &isDefault);
    return isDefault;
}

QString displayName(GstDevice *device)
{
    return QString::fromUtf8(GstPtr<gchar>::adopt(gst_device_get_display_name(device)).get());
}

// A stable identity per device: a name-based UUID of what the device provider
// calls it internally (PulseAudio's source name), so it survives restarts.
QUuid deviceIdentity(GstDevice *device)
{
    QByteArray name;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
        gchar *internal = nullptr;
        g_object_get(device, "internal-name", &internal, nullptr);
        name = GstPtr<gchar>::adopt(internal).get();
    }
    if (name.isEmpty())
        name = GstPtr<gchar>::adopt(gst_device_get_display_name(device)).get();
    static const QUuid ns = QUuid::fromString(QStringLiteral("{6b1f3a52-8d3e-4c61-9a0e-57a1c0de5e0a}"));
    return QUuid::createUuidV5(ns, name);
}

const char *const kPipeWireProvider = "pipewiredeviceprovider";

// The capture devices, the system's default first: those of every provider, as
// a device monitor would gather them (the providers by rank, none that one asked
// before hides), with one difference: the providers are asked one by one,
// PulseAudio's first. Where PipeWire serves the sound, GStreamer's PipeWire
// plugin (a GNOME desktop has it) lists each microphone a second time, with caps
// of its own that take none of the recorder's formats, and the PulseAudio side
// (pipewire-pulse) lists every one of them already. So once the PulseAudio side
// has listed sources, PipeWire's provider is not asked: loading it and waiting
// for its daemon cost the start some milliseconds.
DeviceList sourceDevices()
{
    GList *factories = deviceProvidersPulseFirst("Audio/Source");
    DeviceList devices;
    QSet<QByteArray> hidden;
    bool pulseListed = false;
    for (GList *f = factories; f; f = f->next) {
        auto *factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
        const QByteArray name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
        if (hidden.contains(name) || (pulseListed && name == kPipeWireProvider))
            continue;
        gchar **hides = nullptr;
        GList *list = providerDevices(factory, &hides);
        for (gchar **other = hides; other && *other; ++other)
            hidden.insert(*other);
        g_strfreev(hides);
        // The list owns one reference per entry; the holders take them over.
        for (GList *item = list; item; item = item->next) {
            auto device = DevicePtr::adopt(GST_DEVICE(item->data));
            if (gst_device_has_classes(device.get(), "Audio/Source")) {
                pulseListed = pulseListed || name == kPulseDeviceProvider;
                devices.push_back(std::move(device));
            }
        }
        g_list_free(list);
    }
    gst_plugin_feature_list_free(factories);
    std::stable_partition(devices.begin(), devices.end(), isDefaultDevice);
    return devices;
}

constexpr gint64 kFragmentMicroseconds = 20000;

// A source element on the sound server's default capture device, which follows
// the desktop's choice even when it changes after the device list was read.
GstPtr<GstElement> defaultSource()
{
    if (GstElement *pulse = gst_element_factory_make("pulsesrc", nullptr))
        return GstPtr<GstElement>::sink(pulse);
    return GstPtr<GstElement>::sink(gst_element_factory_make("autoaudiosrc", nullptr));
}

// What the default source can deliver: the caps of the device marked as the
// default, else those of the first device.
GstPtr<GstCaps> defaultSourceCaps(const DeviceList &devices)
{
    return devices.empty() ? GstPtr<GstCaps>() : GstPtr<GstCaps>::adopt(gst_device_get_caps(devices.front().get()));
}

GstPtr<GstElement> makeElement(const char *factory)
{
    return GstPtr<GstElement>::sink(gst_element_factory_make(factory, nullptr));
}

class GstCaptureBuffer : public CaptureBuffer {
public:
    // Without a device it records the sound server's default source.
    GstCaptureBuffer(GstDevice *device, GstCaps *caps, uint32_t bytes)
        : m_device(DevicePtr::share(device)), m_caps(GstPtr<GstCaps>::share(caps)), m_ringSize(bytes)
    {
        // The ring is only allocated when capturing starts: the format probe at
        // start-up makes one buffer per format and never starts them.
    }

    ~GstCaptureBuffer() override { stop(); }

    uint32_t size() const override { return m_ringSize; }

    bool start() override
    {
        if (!m_pipeline && !build())
            return false;
        {
            std::lock_guard lock(m_ringMutex);
            allocateRing();
        }
        m_failed = false;
        return gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }

    void stop() override
    {
        if (!m_pipeline)
            return;
        // Going to NULL joins the streaming thread, so no callback runs afterwards.
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        m_bus.reset();
        m_pipeline.reset();
    }

    bool currentPosition(uint32_t &capturePos, uint32_t &readPos) override
    {
        if (!m_pipeline || failed())
            return false;
        // The callback copies whole buffers before it publishes, so everything up to
        // the capture position is readable.
        capturePos = readPos = m_capturePos.load(std::memory_order_acquire);
        return true;
    }

    bool lock(uint32_t offset, uint32_t bytes, const uint8_t *&part1, uint32_t &size1, const uint8_t *&part2,
              uint32_t &size2) override
    {
        const uint32_t ringSize = size();
        if (offset >= ringSize || bytes > ringSize)
            return false;
        // Held until unlock: a callback that laps the reader (the GUI thread stalled
        // for a whole turn) waits instead of writing under the copy.
        m_ringMutex.lock();
        allocateRing();
        size1 = std::min(bytes, ringSize - offset);
        part1 = m_ring.data() + offset;
        size2 = bytes - size1;
        part2 = size2 ? m_ring.data() : nullptr;
        return true;
    }

    void unlock(const uint8_t *, uint32_t, const uint8_t *, uint32_t) override { m_ringMutex.unlock(); }

private:
    // Makes the pipeline; on any failure nothing of it is kept, so the next
    // start() tries again from scratch and reports a failure again.
    bool build()
    {
        const GstPtr<GstElement> source =
            m_device ? GstPtr<GstElement>::sink(gst_device_create_element(m_device.get(), nullptr)) : defaultSource();
        const GstPtr<GstElement> convert = makeElement("audioconvert");
        const GstPtr<GstElement> resample = makeElement("audioresample");
        const GstPtr<GstElement> sink = makeElement("appsink");
        if (!source || !convert || !resample || !sink)
            return false;
        // The name the sound server's mixer shows for the recording stream.
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source.get()), "client-name"))
            g_object_set(source.get(), "client-name", "Sonaveo", nullptr);
        // The sound server hands over one fragment per wake-up of both its client
        // thread and the streaming thread. Its default of 10 ms is made for low
        // latency; the reader only empties the ring every 50 ms, so 20 ms
        // fragments lose nothing and halve the cost of capturing.
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source.get()), "latency-time"))
            g_object_set(source.get(), "latency-time", gint64(kFragmentMicroseconds), nullptr);
        auto pipeline = GstPtr<GstElement>::sink(gst_pipeline_new("sonaveo-capture"));
        // The bin takes references of its own; the holders above drop theirs.
        gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), convert.get(), resample.get(), sink.get(), nullptr);
        // The ring is the only buffer between the device and the reader: the sink
        // takes buffers as they come, never waiting on the clock.
        g_object_set(sink.get(), "caps", m_caps.get(), "sync", FALSE, "async", FALSE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &GstCaptureBuffer::onNewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
        if (!gst_element_link_many(source.get(), convert.get(), resample.get(), sink.get(), nullptr))
            return false;
        m_bus = GstPtr<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
        m_pipeline = std::move(pipeline);
        m_capturePos.store(0, std::memory_order_release);
        return true;
    }

    bool failed()
    {
        if (!m_failed && GstPtr<GstMessage>::adopt(gst_bus_pop_filtered(m_bus.get(), GST_MESSAGE_ERROR)))
            m_failed = true;
        return m_failed;
    }

    // GStreamer's streaming thread: copy into the ring, then publish the position.
    static GstFlowReturn onNewSample(GstAppSink *sink, gpointer self)
    {
        auto *buffer = static_cast<GstCaptureBuffer *>(self);
        const auto sample = GstPtr<GstSample>::adopt(gst_app_sink_pull_sample(sink));
        if (!sample)
            return GST_FLOW_EOS;
        GstMapInfo map;
        GstBuffer *data = gst_sample_get_buffer(sample.get());
        if (data && gst_buffer_map(data, &map, GST_MAP_READ)) {
            buffer->write(map.data, uint32_t(map.size));
            gst_buffer_unmap(data, &map);
        }
        return GST_FLOW_OK;
    }

    void write(const uint8_t *bytes, uint32_t count)
    {
        std::lock_guard lock(m_ringMutex);
        allocateRing();
        const uint32_t ringSize = size();
        uint32_t pos = m_capturePos.load(std::memory_order_relaxed);
        // More than a whole turn in one buffer: only the last turn survives.
        if (count > ringSize) {
            pos = (pos + (count - ringSize)) % ringSize;
            bytes += count - ringSize;
            count = ringSize;
        }
        const uint32_t first = std::min(count, ringSize - pos);
        std::memcpy(m_ring.data() + pos, bytes, first);
        std::memcpy(m_ring.data(), bytes + first, count - first);
        m_capturePos.store((pos + count) % ringSize, std::memory_order_release);
    }

    DevicePtr m_device;
    GstPtr<GstCaps> m_caps;
    // Called with m_ringMutex held.
    void allocateRing()
    {
        if (m_ring.empty())
            m_ring.assign(m_ringSize, 0);
    }

    uint32_t m_ringSize;
    std::vector<uint8_t> m_ring;
    std::mutex m_ringMutex;
    std::atomic<uint32_t> m_capturePos{0};
    GstPtr<GstElement> m_pipeline;
    GstPtr<GstBus> m_bus;
    bool m_failed = false;
};

class GstCaptureDevice : public CaptureDevice {
public:
    // A null device stands for the default source.
    GstCaptureDevice(DevicePtr device, GstPtr<GstCaps> caps) : m_device(std::move(device)), m_caps(std::move(caps)) {}

    std::unique_ptr<CaptureBuffer> createCaptureBuffer(const PcmFormat &format, uint32_t bufferBytes) override
    {
        const QString capsText = pcmCapsString(format);
        if (capsText.isEmpty() || bufferBytes == 0 || !m_caps)
            return nullptr;
        const auto wanted = GstPtr<GstCaps>::adopt(gst_caps_from_string(capsText.toUtf8().constData()));
        if (!wanted || !gst_caps_can_intersect(m_caps.get(), wanted.get()))
            return nullptr;
        return std::make_unique<GstCaptureBuffer>(m_device.get(), wanted.get(), bufferBytes);
    }

private:
    DevicePtr m_device;
    GstPtr<GstCaps> m_caps;
};

} // namespace

QString pcmCapsString(const PcmFormat &format)
{
    const char *sampleFormat = nullptr;
    switch (format.bitsPerSample) {
    case 8: sampleFormat = "U8"; break;
    case 16: sampleFormat = "S16LE"; break;
    case 24: sampleFormat = "S24LE"; break;
    case 32: sampleFormat = "S32LE"; break;
    default: return {};
    }
    if (format.channels < 1 || format.samplesPerSec < 1)
        return {};
    return QStringLiteral("audio/x-raw,format=%1,layout=interleaved,rate=%2,channels=%3")
        .arg(QLatin1String(sampleFormat))
        .arg(format.samplesPerSec)
        .arg(format.channels);
}

void prefetchCaptureDevices()
{
    try {
        requireCaptureElements();
    } catch (...) {
        return; // told when the driver list is asked for
    }
    sourceDevices();
}

std::vector<CaptureDriverInfo> GstCaptureBackend::enumerateDrivers()
{
    requireCaptureElements();
    const DeviceList devices = sourceDevices();
    std::vector<CaptureDriverInfo> drivers;
    if (!devices.empty())
        drivers.push_back({std::nullopt, primaryDriverDescription(), QString()});
    for (const DevicePtr &device : devices) {
        QString module = deviceString(device.get(), "device.api");
        if (module.isEmpty())
            module = QString::fromUtf8(G_OBJECT_TYPE_NAME(device.get()));
        drivers.push_back({deviceIdentity(device.get()), displayName(device.get()), module});
    }
    return drivers;
}

std::unique_ptr<CaptureDevice> GstCaptureBackend::createDevice(const std::optional<QUuid> &guid)
{
    requireCaptureElements();
    DeviceList devices = sourceDevices();
    DevicePtr chosen;
    GstPtr<GstCaps> caps;
    if (!guid) {
        caps = defaultSourceCaps(devices);
    } else {
        for (DevicePtr &device : devices) {
            if (deviceIdentity(device.get()) == *guid) {
                caps = GstPtr<GstCaps>::adopt(gst_device_get_caps(device.get()));
                chosen = std::move(device);
                break;
            }
        }
    }
    if (!caps)
        return nullptr;
    return std::make_unique<GstCaptureDevice>(std::move(chosen), std::move(caps));
}
