#include "capturebackendgst.h"

#include <chrono>
#include <mutex>

#include "environment.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

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

QString deviceString(GstDevice *device, const char *key)
{
    GstStructure *props = gst_device_get_properties(device);
    QString value;
    if (props) {
        if (const char *text = gst_structure_get_string(props, key))
            value = QString::fromUtf8(text);
        gst_structure_free(props);
    }
    return value;
}

bool isDefaultDevice(GstDevice *device)
{
    GstStructure *props = gst_device_get_properties(device);
    gboolean isDefault = FALSE;
    if (props) {
        gst_structure_get_boolean(props, "is-default", &isDefault);
        gst_structure_free(props);
    }
    return isDefault;
}

// A stable identity per device: a name-based UUID of what the device provider
// calls it internally (PulseAudio's source name), so it survives restarts.
QUuid deviceIdentity(GstDevice *device)
{
    QByteArray name;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
        gchar *internal = nullptr;
        g_object_get(device, "internal-name", &internal, nullptr);
        name = internal;
        g_free(internal);
    }
    if (name.isEmpty()) {
        gchar *display = gst_device_get_display_name(device);
        name = display;
        g_free(display);
    }
    static const QUuid ns = QUuid::fromString(QStringLiteral("{6b1f3a52-8d3e-4c61-9a0e-57a1c0de5e0a}"));
    return QUuid::createUuidV5(ns, name);
}

// The capture devices, the system's default first; each list entry holds a ref.
// Asking the sound server takes some milliseconds, and the driver list and the
// format probe at start-up ask right after each other: a list read less than two
// seconds ago is used again.
std::vector<GstDevice *> probeSourceDevices();

std::vector<GstDevice *> sourceDevices()
{
    static std::mutex mutex;
    static std::vector<GstDevice *> cached;
    static std::chrono::steady_clock::time_point readAt;
    std::lock_guard lock(mutex);
    const auto now = std::chrono::steady_clock::now();
    if (cached.empty() || now - readAt > std::chrono::seconds(2)) {
        for (GstDevice *device : cached)
            gst_object_unref(device);
        cached = probeSourceDevices();
        readAt = now;
    }
    std::vector<GstDevice *> copy;
    for (GstDevice *device : cached)
        copy.push_back(GST_DEVICE(gst_object_ref(device)));
    return copy;
}

std::vector<GstDevice *> probeSourceDevices()
{
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Source", nullptr);
    // Without start() the providers answer with what they can probe at once,
    // which is the whole list and spares a monitoring thread.
    GList *list = gst_device_monitor_get_devices(monitor);
    std::vector<GstDevice *> devices;
    for (GList *item = list; item; item = item->next)
        devices.push_back(GST_DEVICE(gst_object_ref(item->data)));
    g_list_free_full(list, gst_object_unref);
    gst_object_unref(monitor);
    std::stable_partition(devices.begin(), devices.end(), isDefaultDevice);
    return devices;
}

void releaseDevices(std::vector<GstDevice *> &devices)
{
    for (GstDevice *device : devices)
        gst_object_unref(device);
    devices.clear();
}

constexpr gint64 kFragmentMicroseconds = 20000;

// A source element on the sound server's default capture device, which follows
// the desktop's choice even when it changes after the device list was read.
GstElement *defaultSource()
{
    if (GstElement *pulse = gst_element_factory_make("pulsesrc", nullptr))
        return pulse;
    return gst_element_factory_make("autoaudiosrc", nullptr);
}

// What the default source can deliver: the caps of the device marked as the
// default, else those of the first device.
GstCaps *defaultSourceCaps(const std::vector<GstDevice *> &devices)
{
    return devices.empty() ? nullptr : gst_device_get_caps(devices.front());
}

class GstCaptureBuffer : public CaptureBuffer {
public:
    // Without a device it records the sound server's default source.
    GstCaptureBuffer(GstDevice *device, GstCaps *caps, uint32_t bytes)
        : m_device(device ? GST_DEVICE(gst_object_ref(device)) : nullptr), m_caps(gst_caps_ref(caps)), m_ringSize(bytes)
    {
        // The ring is only allocated when capturing starts: the format probe at
        // start-up makes one buffer per format and never starts them.
    }

    ~GstCaptureBuffer() override
    {
        stop();
        gst_caps_unref(m_caps);
        if (m_device)
            gst_object_unref(m_device);
    }

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
        return gst_element_set_state(m_pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }

    void stop() override
    {
        if (!m_pipeline)
            return;
        // Going to NULL joins the streaming thread, so no callback runs afterwards.
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_bus);
        gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
        m_bus = nullptr;
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
    bool build()
    {
        GstElement *source = m_device ? gst_device_create_element(m_device, nullptr) : defaultSource();
        GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
        GstElement *resample = gst_element_factory_make("audioresample", nullptr);
        GstElement *sink = gst_element_factory_make("appsink", nullptr);
        if (!source || !convert || !resample || !sink) {
            for (GstElement *element : {source, convert, resample, sink})
                if (element)
                    gst_object_unref(gst_object_ref_sink(element));
            return false;
        }
        // The name the sound server's mixer shows for the recording stream.
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "client-name"))
            g_object_set(source, "client-name", "Sonaveo", nullptr);
        // The sound server hands over one fragment per wake-up of both its client
        // thread and the streaming thread. Its default of 10 ms is made for low
        // latency; the reader only empties the ring every 50 ms, so 20 ms
        // fragments lose nothing and halve the cost of capturing.
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "latency-time"))
            g_object_set(source, "latency-time", gint64(kFragmentMicroseconds), nullptr);
        m_pipeline = gst_pipeline_new("sonaveo-capture");
        gst_bin_add_many(GST_BIN(m_pipeline), source, convert, resample, sink, nullptr);
        // The ring is the only buffer between the device and the reader: the sink
        // takes buffers as they come, never waiting on the clock.
        g_object_set(sink, "caps", m_caps, "sync", FALSE, "async", FALSE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &GstCaptureBuffer::onNewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        m_bus = gst_element_get_bus(m_pipeline);
        m_capturePos.store(0, std::memory_order_release);
        return gst_element_link_many(source, convert, resample, sink, nullptr);
    }

    bool failed()
    {
        if (!m_failed) {
            if (GstMessage *message = gst_bus_pop_filtered(m_bus, GST_MESSAGE_ERROR)) {
                m_failed = true;
                gst_message_unref(message);
            }
        }
        return m_failed;
    }

    // GStreamer's streaming thread: copy into the ring, then publish the position.
    static GstFlowReturn onNewSample(GstAppSink *sink, gpointer self)
    {
        auto *buffer = static_cast<GstCaptureBuffer *>(self);
        GstSample *sample = gst_app_sink_pull_sample(sink);
        if (!sample)
            return GST_FLOW_EOS;
        GstMapInfo map;
        GstBuffer *data = gst_sample_get_buffer(sample);
        if (data && gst_buffer_map(data, &map, GST_MAP_READ)) {
            buffer->write(map.data, uint32_t(map.size));
            gst_buffer_unmap(data, &map);
        }
        gst_sample_unref(sample);
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

    GstDevice *m_device;
    GstCaps *m_caps;
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
    GstElement *m_pipeline = nullptr;
    GstBus *m_bus = nullptr;
    bool m_failed = false;
};

class GstCaptureDevice : public CaptureDevice {
public:
    // Takes over both references; a null device stands for the default source.
    GstCaptureDevice(GstDevice *device, GstCaps *caps) : m_device(device), m_caps(caps) {}
    ~GstCaptureDevice() override
    {
        if (m_caps)
            gst_caps_unref(m_caps);
        if (m_device)
            gst_object_unref(m_device);
    }
    GstCaptureDevice(const GstCaptureDevice &) = delete;
    GstCaptureDevice &operator=(const GstCaptureDevice &) = delete;

    std::unique_ptr<CaptureBuffer> createCaptureBuffer(const PcmFormat &format, uint32_t bufferBytes) override
    {
        const QString capsText = pcmCapsString(format);
        if (capsText.isEmpty() || bufferBytes == 0 || !m_caps)
            return nullptr;
        GstCaps *wanted = gst_caps_from_string(capsText.toUtf8().constData());
        if (!wanted)
            return nullptr;
        std::unique_ptr<CaptureBuffer> buffer;
        if (gst_caps_can_intersect(m_caps, wanted))
            buffer = std::make_unique<GstCaptureBuffer>(m_device, wanted, bufferBytes);
        gst_caps_unref(wanted);
        return buffer;
    }

private:
    GstDevice *m_device;
    GstCaps *m_caps;
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
    std::vector<GstDevice *> devices = sourceDevices();
    releaseDevices(devices);
}

std::vector<CaptureDriverInfo> GstCaptureBackend::enumerateDrivers()
{
    requireCaptureElements();
    std::vector<GstDevice *> devices = sourceDevices();
    std::vector<CaptureDriverInfo> drivers;
    if (!devices.empty())
        drivers.push_back({std::nullopt, primaryDriverDescription(), QString()});
    for (GstDevice *device : devices) {
        gchar *display = gst_device_get_display_name(device);
        QString module = deviceString(device, "device.api");
        if (module.isEmpty())
            module = QString::fromUtf8(G_OBJECT_TYPE_NAME(device));
        drivers.push_back({deviceIdentity(device), QString::fromUtf8(display), module});
        g_free(display);
    }
    releaseDevices(devices);
    return drivers;
}

std::unique_ptr<CaptureDevice> GstCaptureBackend::createDevice(const std::optional<QUuid> &guid)
{
    requireCaptureElements();
    std::vector<GstDevice *> devices = sourceDevices();
    GstDevice *chosen = nullptr;
    GstCaps *caps = nullptr;
    if (!guid) {
        caps = defaultSourceCaps(devices);
    } else {
        for (GstDevice *device : devices) {
            if (deviceIdentity(device) == *guid) {
                chosen = GST_DEVICE(gst_object_ref(device));
                caps = gst_device_get_caps(device);
                break;
            }
        }
    }
    releaseDevices(devices);
    if (!caps) {
        if (chosen)
            gst_object_unref(chosen);
        return nullptr;
    }
    return std::make_unique<GstCaptureDevice>(chosen, caps);
}
