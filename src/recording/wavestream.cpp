#include "recording/wavestream.h"

#include "platform/textfile.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

void putLE16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putLE32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// Sizes in the header are 32-bit; the write guard keeps them in range, and a
// file grown behind the writer's back gets the largest value, not a wrapped one.
quint32 headerField(qint64 value)
{
    return quint32(std::clamp<qint64>(value, 0, TWaveStream::MaxRiffSize));
}

// Without a usable bytes-per-second figure the header is refreshed every 64 KiB.
constexpr qint64 FallbackRefreshBytes = 65536;

} // namespace

// ---- TWaveFormatEx ----

TWaveFormatEx TWaveFormatEx::pcm(int rate, int bits, int channels)
{
    TWaveFormatEx f;
    f.wFormatTag = FormatTagPCM;
    f.nChannels = quint16(channels);
    f.nSamplesPerSec = quint32(rate);
    f.nBlockAlign = quint16(channels * (bits / 8));
    f.nAvgBytesPerSec = quint32(f.nBlockAlign) * quint32(rate);
    f.wBitsPerSample = quint16(bits);
    f.cbSize = 0;
    return f;
}

TWaveFormatEx TWaveFormatEx::fromBytes(const quint8 *bytes, int size)
{
    quint8 full[RecordSize] = {};
    if (bytes && size > 0)
        std::memcpy(full, bytes, size_t(std::min(size, RecordSize)));
    TWaveFormatEx f;
    f.wFormatTag = qFromLittleEndian<quint16>(full + 0);
    f.nChannels = qFromLittleEndian<quint16>(full + 2);
    f.nSamplesPerSec = qFromLittleEndian<quint32>(full + 4);
    f.nAvgBytesPerSec = qFromLittleEndian<quint32>(full + 8);
    f.nBlockAlign = qFromLittleEndian<quint16>(full + 12);
    f.wBitsPerSample = qFromLittleEndian<quint16>(full + 14);
    f.cbSize = qFromLittleEndian<quint16>(full + 16);
    return f;
}

QByteArray TWaveFormatEx::toBytes() const
{
    QByteArray out;
    out.reserve(RecordSize);
    putLE16(out, wFormatTag);
    putLE16(out, nChannels);
    putLE32(out, nSamplesPerSec);
    putLE32(out, nAvgBytesPerSec);
    putLE16(out, nBlockAlign);
    putLE16(out, wBitsPerSample);
    putLE16(out, cbSize);
    return out;
}

// ---- TCustomWaveStream ----

qint64 TCustomWaveStream::FilledSize() { return -1; }

int TCustomWaveStream::FormatSize() const { return 0; }

qint64 TCustomWaveStream::Size() const { return -1; }

qint64 TCustomWaveStream::ReadWave(void *, qint64) { return 0; }

qint64 TCustomWaveStream::WriteWave(const void *, qint64) { return 0; }

void TCustomWaveStream::SetPCMFormat(int rate, int bits, int channels)
{
    SetFormatSize(TWaveFormatEx::RecordSize);
    const QByteArray record = TWaveFormatEx::pcm(rate, bits, channels).toBytes();
    std::memcpy(Format(), record.constData(), size_t(record.size()));
}

TWaveFormatEx TCustomWaveStream::WaveFormat() const
{
    return TWaveFormatEx::fromBytes(Format(), FormatSize());
}

qint64 TCustomWaveStream::Read(void *buffer, qint64 count)
{
    const qint64 size = Size();
    if (size >= 0) {
        if (m_position > size)
            m_position = size;
        if (m_position + count > size)
            count = size - m_position;
    }
    const qint64 n = ReadWave(buffer, count);
    m_position += n;
    return n;
}

qint64 TCustomWaveStream::Write(const void *buffer, qint64 count)
{
    const qint64 size = Size();
    if (m_position > size)
        m_position = size;
    const qint64 n = WriteWave(buffer, count);
    m_position += n;
    return n;
}

qint64 TCustomWaveStream::Seek(qint64 offset, TSeekOrigin origin)
{
    const qint64 size = Size();
    switch (origin) {
    case soBeginning:
        m_position = offset;
        break;
    case soCurrent:
        m_position += offset;
        break;
    case soEnd:
        m_position = offset + size;
        break;
    }
    if (m_position < 0)
        m_position = 0;
    if (m_position > size)
        m_position = size;
    return m_position;
}

void TCustomWaveStream::ReadBuffer(void *buffer, qint64 count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EStreamError(QStringLiteral("Stream read error"));
}

void TCustomWaveStream::WriteBuffer(const void *buffer, qint64 count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EStreamError(QStringLiteral("Stream write error"));
}

qint64 TCustomWaveStream::CopyFrom(TCustomWaveStream &source, qint64 count)
{
    constexpr qint64 MaxBufSize = 61440;
    if (count <= 0)
        return 0;
    std::vector<char> buffer(size_t(std::min(count, MaxBufSize)));
    for (qint64 left = count; left > 0;) {
        const qint64 n = std::min(left, MaxBufSize);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---- TCustomWaveStream2 ----

TCustomWaveStream2::~TCustomWaveStream2() { TCustomWaveStream2::SetFormatSize(0); }

quint8 *TCustomWaveStream2::Format() const { return m_format; }

int TCustomWaveStream2::FormatSize() const { return m_formatSize; }

void TCustomWaveStream2::SetFormatSize(int size)
{
    if (size <= 0) {
        std::free(m_format);
        m_format = nullptr;
        m_formatSize = 0;
        return;
    }
    void *block = std::realloc(m_format, size_t(size));
    if (!block)
        throw std::bad_alloc();
    m_format = static_cast<quint8 *>(block);
    m_formatSize = size;
}

// ---- TWaveStream ----

TWaveStream::TWaveStream(QIODevice *stream) : m_origin(stream->pos()), m_stream(stream) {}

TWaveStream::~TWaveStream()
{
    if (!m_opened)
        return;
    // A destructor cannot report; a file that refuses the final sizes keeps the
    // ones written during the last second of recording.
    try {
        writeSizes();
        m_stream->seek(m_stream->size());
    } catch (const Exception &e) {
        qWarning("Wave file not finished: %s", e.what());
    }
}

qint64 TWaveStream::Size() const { return m_opened ? m_stream->size() - m_dataStart : 0; }

qint64 TWaveStream::ReadWave(void *buffer, qint64 count)
{
    if (!m_opened)
        throw EWaveStreamError(QStringLiteral("Stream not opend"));
    seekUnderlying(m_dataStart + m_position);
    return std::max<qint64>(m_stream->read(static_cast<char *>(buffer), count), 0);
}

qint64 TWaveStream::WriteWave(const void *buffer, qint64 count)
{
    if (!m_opened)
        throw EWaveStreamError(QStringLiteral("Stream not opend"));
    if (WouldOverflow(count))
        throw EWaveStreamError(
            QStringLiteral("The recording has reached the largest size of a wave file (%1 bytes of sound)")
                .arg(MaxDataSize()));
    seekUnderlying(m_dataStart + m_position);
    try {
        writeAll(buffer, count);
    } catch (...) {
        keepWholeFrames();
        throw;
    }
    // Keep the header no more than a second of sound behind the data, so a
    // killed program leaves a file that plays what was captured until then.
    // Counting bytes instead of clock time ties the refresh to the sound itself
    // and costs two 4-byte writes per second.
    if (Size() - m_sizeInHeader >= m_refreshBytes) {
        writeSizes();
        seekUnderlying(m_dataStart + m_position + count);
    }
    return count;
}

void TWaveStream::Open(bool forWriting)
{
    if (m_opened)
        throw EWaveStreamError(QStringLiteral("Stream has already been opened"));
    if (FormatSize() == 0)
        throw EWaveStreamError(QStringLiteral("Format is invalid"));
    if (!forWriting)
        throw EWaveStreamError(QStringLiteral("Reading wave files is not supported"));
    m_opened = true;

    // The header describes a file without sound from the start, so the file is a
    // valid wave file at every moment of the recording.
    QByteArray header("RIFF", 4);
    putLE32(header, quint32(4 + 8 + FormatSize() + 8));
    header.append("WAVEfmt ", 8);
    putLE32(header, quint32(FormatSize()));
    header.append(reinterpret_cast<const char *>(Format()), FormatSize());
    // The positions are known before anything is written, so a header that the
    // file refuses half way is still finished in the right places.
    m_dataHeaderPosition = m_origin + header.size();
    m_dataStart = m_dataHeaderPosition + 8;
    seekUnderlying(m_origin);
    writeAll(header.constData(), header.size());
    writeAll("data\0\0\0\0", 8);

    m_sizeInHeader = 0;
    const qint64 perSecond = WaveFormat().nAvgBytesPerSec;
    m_refreshBytes = perSecond > 0 ? perSecond : FallbackRefreshBytes;
}

qint64 TWaveStream::MaxDataSize() const
{
    // RIFF size = "WAVE", the fmt chunk and the data chunk header + sample bytes.
    const qint64 headerAfterRiffSize = 4 + 8 + FormatSize() + 8;
    qint64 max = MaxRiffSize - headerAfterRiffSize;
    const qint64 frame = WaveFormat().nBlockAlign;
    if (frame > 1)
        max -= max % frame;
    return max;
}

bool TWaveStream::WouldOverflow(qint64 moreBytes) const
{
    return std::max(m_position + moreBytes, Size()) > MaxDataSize();
}

void TWaveStream::writeAll(const void *data, qint64 count)
{
    const char *p = static_cast<const char *>(data);
    while (count > 0) {
        // A short write (a full disk) is followed by one that fails and says why.
        const qint64 n = m_stream->write(p, count);
        if (n <= 0) {
            const QString reason = m_stream->errorString();
            throw EInOutError(deviceName(), reason);
        }
        p += n;
        count -= n;
    }
}

void TWaveStream::keepWholeFrames()
{
    // A full disk takes part of a write: the sound then ends with part of a
    // frame, which would shift every channel of a file that is appended to and
    // leave a data size no player expects. The part is cut off, and the header
    // sizes follow what is left.
    auto *file = qobject_cast<QFileDevice *>(m_stream);
    const qint64 frame = WaveFormat().nBlockAlign;
    if (!file || frame <= 1)
        return;
    const qint64 data = Size();
    if (data % frame != 0 && file->resize(m_dataStart + data - data % frame))
        m_position = std::min(m_position, Size());
    try {
        writeSizes();
    } catch (const Exception &) {
        // The sizes are written again when the file is finished.
    }
}

void TWaveStream::seekUnderlying(qint64 position)
{
    if (m_stream->pos() != position && !m_stream->seek(position))
        throw EInOutError(deviceName(), m_stream->errorString());
}

void TWaveStream::writeSizes()
{
    QByteArray riff("RIFF", 4);
    putLE32(riff, headerField(m_stream->size() - m_origin - 8));
    riff.append("WAVE", 4);
    QByteArray data("data", 4);
    const qint64 size = Size();
    putLE32(data, headerField(size));
    // The data size first: should the RIFF size not follow, the file is still
    // read up to the data size.
    seekUnderlying(m_dataHeaderPosition);
    writeAll(data.constData(), data.size());
    seekUnderlying(m_origin);
    writeAll(riff.constData(), riff.size());
    m_sizeInHeader = size;
}

QString TWaveStream::deviceName() const
{
    if (const auto *file = qobject_cast<const QFile *>(m_stream))
        return file->fileName();
    return QStringLiteral("wave stream");
}

// ---- TWaveFileStream ----

namespace {

QFile *openWaveFile(const QString &fileName, TWaveFileStream::Mode mode)
{
    // A recording empties the file it is made in: never a device, a FIFO, or
    // a file reached through someone else's link.
    checkWritableDataFile(fileName);
    auto *file = new QFile(fileName);
    // Unbuffered: every write reaches the system at once, so the sound and the
    // header sizes written during recording survive a killed program.
    const QIODevice::OpenMode how = mode == TWaveFileStream::fmCreate
                                        ? QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered
                                        : QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered;
    if (!file->open(how)) {
        const QString reason = file->errorString();
        delete file;
        throw EInOutError(QStringLiteral("%1 %2. %3")
                              .arg(mode == TWaveFileStream::fmCreate ? QStringLiteral("Cannot create file")
                                                                     : QStringLiteral("Cannot open file"),
                                   fileName, reason));
    }
    return file;
}

} // namespace

wavestream_detail::FileHolder::~FileHolder() { delete file; }

TWaveFileStream::TWaveFileStream(const QString &fileName, Mode mode)
    : FileHolder(openWaveFile(fileName, mode)), TWaveStream(FileHolder::file)
{
}

QString TWaveFileStream::FileName() const { return file->fileName(); }
