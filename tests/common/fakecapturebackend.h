#pragma once
// A capture backend the test drives by hand: it decides which formats the device
// accepts, and the ring's capture position only moves when the test delivers bytes
// (or, with bytesPerQuery, by that much on each position query). Byte k of the
// capture (counted from the start of the ring) is byteAt(k), so a test can tell
// exactly which bytes a read returned. Installed into platformServices() while it
// lives; everything runs on the GUI thread.

#include "platform/capturebackend.h"
#include "platform/services.h"

#include <algorithm>
#include <functional>
#include <utility>

class FakeCaptureBuffer;

struct FakeCaptureState {
    std::vector<CaptureDriverInfo> drivers;
    bool libraryMissing = false;
    bool deviceFails = false;
    // Whether the device accepts a format for a ring of the given size.
    std::function<bool(const PcmFormat &, uint32_t)> accepts = [](const PcmFormat &, uint32_t) { return true; };
    std::vector<std::pair<PcmFormat, uint32_t>> requests;
    int enumerations = 0;
    // Bytes a new ring captures on each position query while running.
    uint32_t bytesPerQuery = 0;
    std::optional<QUuid> openedGuid;
    // The ring that was started last, while it exists.
    FakeCaptureBuffer *ring = nullptr;
};

class FakeCaptureBuffer : public CaptureBuffer {
public:
    FakeCaptureBuffer(FakeCaptureState &state, uint32_t bytes)
        : bytesPerQuery(state.bytesPerQuery), m_state(state), m_ring(bytes)
    {
    }
    ~FakeCaptureBuffer() override
    {
        if (m_state.ring == this)
            m_state.ring = nullptr;
    }

    static uint8_t byteAt(uint64_t k) { return uint8_t(k % 251); }

    // The device captures n more bytes.
    void deliver(uint32_t n)
    {
        for (uint32_t i = 0; i < n; ++i) {
            m_ring[m_capturePos] = byteAt(delivered++);
            m_capturePos = (m_capturePos + 1) % size();
        }
    }

    uint32_t size() const override { return uint32_t(m_ring.size()); }
    bool start() override
    {
        running = true;
        m_state.ring = this;
        return true;
    }
    void stop() override { running = false; }
    bool currentPosition(uint32_t &capturePos, uint32_t &readPos) override
    {
        if (positionFails)
            return false;
        if (running)
            deliver(bytesPerQuery);
        capturePos = readPos = m_capturePos;
        return true;
    }
    bool lock(uint32_t offset, uint32_t bytes, const uint8_t *&part1, uint32_t &size1, const uint8_t *&part2,
              uint32_t &size2) override
    {
        if (lockFails || offset >= size() || bytes > size())
            return false;
        size1 = std::min(bytes, size() - offset);
        part1 = m_ring.data() + offset;
        size2 = bytes - size1;
        part2 = size2 ? m_ring.data() : nullptr;
        ++locks;
        if (size2)
            ++wrappedLocks;
        return true;
    }
    void unlock(const uint8_t *, uint32_t, const uint8_t *, uint32_t) override { ++unlocks; }

    bool running = false;
    bool positionFails = false;
    bool lockFails = false;
    uint32_t bytesPerQuery = 0;
    uint64_t delivered = 0;
    int locks = 0;
    int wrappedLocks = 0;
    int unlocks = 0;

private:
    FakeCaptureState &m_state;
    std::vector<uint8_t> m_ring;
    uint32_t m_capturePos = 0;
};

class FakeCaptureBackend : public FakeCaptureState {
public:
    FakeCaptureBackend() : m_saved(platformServices().makeCaptureBackend)
    {
        platformServices().makeCaptureBackend = [this] { return std::unique_ptr<CaptureBackend>(new Backend(*this)); };
    }
    ~FakeCaptureBackend() { platformServices().makeCaptureBackend = m_saved; }
    FakeCaptureBackend(const FakeCaptureBackend &) = delete;
    FakeCaptureBackend &operator=(const FakeCaptureBackend &) = delete;

    static PcmFormat format(int rate, int bits, int channels) { return PcmFormat{rate, bits, channels}; }

private:
    class Device : public CaptureDevice {
    public:
        explicit Device(FakeCaptureState &state) : m_state(state) {}
        std::unique_ptr<CaptureBuffer> createCaptureBuffer(const PcmFormat &format, uint32_t bytes) override
        {
            m_state.requests.emplace_back(format, bytes);
            if (!m_state.accepts(format, bytes))
                return nullptr;
            return std::make_unique<FakeCaptureBuffer>(m_state, bytes);
        }

    private:
        FakeCaptureState &m_state;
    };

    class Backend : public CaptureBackend {
    public:
        explicit Backend(FakeCaptureState &state) : m_state(state) {}
        std::vector<CaptureDriverInfo> enumerateDrivers() override
        {
            ++m_state.enumerations;
            if (m_state.libraryMissing)
                throw EDirectXError::notAvailable();
            return m_state.drivers;
        }
        std::unique_ptr<CaptureDevice> createDevice(const std::optional<QUuid> &guid) override
        {
            if (m_state.libraryMissing)
                throw EDirectXError::notAvailable();
            if (m_state.deviceFails)
                return nullptr;
            m_state.openedGuid = guid;
            return std::make_unique<Device>(m_state);
        }

    private:
        FakeCaptureState &m_state;
    };

    std::function<std::unique_ptr<CaptureBackend>()> m_saved;
};
