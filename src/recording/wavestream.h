#pragma once
// Wave streams: the base classes shared by the recorder's file writer and the
// sound capture stream, the PCM format record both use, and the writer that lays
// captured PCM bytes down as a RIFF/WAVE file.
//
// A finished file looks like this (little-endian, offsets from the origin):
//    0 "RIFF", file size - 8, "WAVE"
//   12 "fmt ", 18, the 18-byte format record
//   38 "data", number of sample bytes
//   46 the sample bytes, as captured; no pad byte after an odd count
// While recording, both sizes are brought up to date every second of sound, so a
// writer that dies without finishing still leaves a playable file.

#include "platform/errors.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;
class QIODevice;

// Errors of the wave streams ("Stream not opend", "Format is invalid", ...).
class EWaveStreamError : public Exception {
public:
    using Exception::Exception;
};

// A read or write through the general stream operations that moved fewer bytes
// than asked for: "Stream read error", "Stream write error".
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// The platform's 18-byte wave format record.
struct TWaveFormatEx {
    quint16 wFormatTag = 0;
    quint16 nChannels = 0;
    quint32 nSamplesPerSec = 0;
    quint32 nAvgBytesPerSec = 0;
    quint16 nBlockAlign = 0;
    quint16 wBitsPerSample = 0;
    quint16 cbSize = 0;

    static constexpr int RecordSize = 18;
    static constexpr quint16 FormatTagPCM = 1;

    // The record for rate, bits and channels: block align = channels * (bits / 8),
    // kept in 16 bits; bytes per second = block align * rate.
    static TWaveFormatEx pcm(int rate, int bits, int channels);
    // The first 18 bytes of a record; fields the bytes do not reach stay 0.
    static TWaveFormatEx fromBytes(const quint8 *bytes, int size);
    // The 18 bytes, little-endian.
    QByteArray toBytes() const;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// The general stream operations over ReadWave and WriteWave. Position and sizes
// are 64-bit; a size below 0 means "unknown" (a live capture has no end).
class TCustomWaveStream {
public:
    TCustomWaveStream() = default;
    TCustomWaveStream(const TCustomWaveStream &) = delete;
    TCustomWaveStream &operator=(const TCustomWaveStream &) = delete;
    virtual ~TCustomWaveStream() = default;

    // Bytes ready to be read without waiting; -1 when the stream cannot tell.
    virtual qint64 FilledSize();
    // The format record: FormatSize() bytes, or none.
    virtual quint8 *Format() const = 0;
    virtual int FormatSize() const;
    // Number of sample bytes; -1 when unknown.
    virtual qint64 Size() const;
    virtual qint64 ReadWave(void *buffer, qint64 count);
    // Resizes the format record to size bytes (0 releases it).
    virtual void SetFormatSize(int size) = 0;
    virtual qint64 WriteWave(const void *buffer, qint64 count);

    // Format size := 18, and the record filled by TWaveFormatEx::pcm.
    void SetPCMFormat(int rate, int bits, int channels);
    // The format record decoded (all 0 when there is none).
    TWaveFormatEx WaveFormat() const;

    // Reads up to count bytes at the position, never past a known Size.
    qint64 Read(void *buffer, qint64 count);
    // Writes at the position (lowered to Size when it lies beyond).
    qint64 Write(const void *buffer, qint64 count);
    // Moves the position, kept within 0..Size (so -1 while the size is unknown).
    qint64 Seek(qint64 offset, TSeekOrigin origin);
    qint64 Position() const { return m_position; }
    // The general stream's size setter: a wave stream's size follows its data.
    void SetSize(qint64) {}

    // Read or write exactly count bytes, else EStreamError.
    void ReadBuffer(void *buffer, qint64 count);
    void WriteBuffer(const void *buffer, qint64 count);
    // Copies count bytes from source in chunks of at most 61440 bytes, each read
    // and written completely. A count of 0 copies nothing. Returns count.
    qint64 CopyFrom(TCustomWaveStream &source, qint64 count);

protected:
    qint64 m_position = 0;
};

// Holds the format record in a block of its own.
class TCustomWaveStream2 : public TCustomWaveStream {
public:
    ~TCustomWaveStream2() override;
    quint8 *Format() const override;
    int FormatSize() const override;
    void SetFormatSize(int size) override;

private:
    quint8 *m_format = nullptr;
    int m_formatSize = 0;
};

// Writes a wave file into another stream, starting at that stream's position when
// the wave stream is made. The other stream must be open for writing (and for
// reading, to read the samples back); it stays the caller's.
class TWaveStream : public TCustomWaveStream2 {
public:
    // The largest number of sample bytes a header can describe: the RIFF size
    // (header after the first 8 bytes plus the samples) is a 32-bit field.
    static constexpr qint64 MaxRiffSize = 0xFFFFFFFFLL;

    explicit TWaveStream(QIODevice *stream);
    // Finishes the header when the stream was opened.
    ~TWaveStream() override;

    // Sample bytes written so far; 0 until opened.
    qint64 Size() const override;
    qint64 ReadWave(void *buffer, qint64 count) override;
    // Stores the bytes at the position; throws EWaveStreamError when that would
    // take the samples past MaxDataSize(), and EInOutError when the file refuses
    // them. Every second of sound the header sizes are brought up to date.
    qint64 WriteWave(const void *buffer, qint64 count) override;

    // Lays down the header (forWriting must be true: reading wave files is not
    // offered). Throws "Stream has already been opened", "Format is invalid".
    void Open(bool forWriting);
    bool Opened() const { return m_opened; }

    // The most sample bytes this file can hold with its header: the 32-bit RIFF
    // size limit, rounded down to whole sample frames.
    qint64 MaxDataSize() const;
    // True when writing moreBytes at the position would pass MaxDataSize(), so the
    // recorder can stop before the write that would be refused.
    bool WouldOverflow(qint64 moreBytes) const;

private:
    void writeAll(const void *data, qint64 count);
    void seekUnderlying(qint64 position);
    void keepWholeFrames();
    void writeSizes();
    QString deviceName() const;

    qint64 m_dataStart = 0;
    qint64 m_dataHeaderPosition = 0;
    bool m_opened = false;
    qint64 m_origin = 0;
    QIODevice *m_stream = nullptr;
    // Size() when the header sizes were last written, and the bytes of one second.
    qint64 m_sizeInHeader = 0;
    qint64 m_refreshBytes = 0;
};

namespace wavestream_detail {
// Owns the file of a TWaveFileStream. As a base listed before TWaveStream it is
// made before the wave stream (which needs the open file) and destroyed after it
// (which finishes the header into the file).
struct FileHolder {
    explicit FileHolder(QFile *f) : file(f) {}
    ~FileHolder();
    QFile *file;
};
} // namespace wavestream_detail

// A wave stream on a file of its own.
class TWaveFileStream : private wavestream_detail::FileHolder, public TWaveStream {
public:
    enum Mode {
        fmCreate,        // create anew, emptying an existing file; read and write
        fmOpenReadWrite, // an existing file, to read and write
    };

    // Throws EInOutError "Cannot create file <name>. <reason>" (or "Cannot open
    // file ..." for fmOpenReadWrite).
    explicit TWaveFileStream(const QString &fileName, Mode mode = fmCreate);
    ~TWaveFileStream() override = default;

    QString FileName() const;
};
