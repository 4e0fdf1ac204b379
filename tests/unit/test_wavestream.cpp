// The recorder's wave files, byte for byte: header, sizes, formats, the general
// stream operations, file errors, a killed writer and the 32-bit size limit.

#include "childprocess.h"
#include "platform/errors.h"
#include "qtprinters.h"
#include "recording/wavestream.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <gtest/gtest.h>

#include "waitfor.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

QByteArray bytesOf(const QString &path, qint64 max = 1 << 24)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(max) : QByteArray();
}

quint32 le32(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// Sample bytes that tell their own offset apart from any nearby one.
char patternByte(qint64 offset) { return char(offset % 251); }

QByteArray pattern(qint64 from, qint64 count)
{
    QByteArray out(count, Qt::Uninitialized);
    for (qint64 i = 0; i < count; ++i)
        out[i] = patternByte(from + i);
    return out;
}

template <typename E, typename F> QString messageOf(F &&f)
{
    try {
        f();
    } catch (const E &e) {
        return e.Message();
    }
    return QStringLiteral("<nothing thrown>");
}

} // namespace

TEST(WaveFile, HeaderAloneIs46BytesAndSizesCountEverySampleByteWithoutPad)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.wav"));
    {
        TWaveFileStream w(path);
        EXPECT_EQ(w.Size(), 0) << "never opened";
        w.SetPCMFormat(44100, 16, 2);
        w.Open(true);
        EXPECT_EQ(w.Size(), 0);
    }
    EXPECT_EQ(bytesOf(path), QByteArray("RIFF") + hex("26000000") + "WAVEfmt " + hex("12000000") +
                                 hex("0100 0200 44ac0000 10b10200 0400 1000 0000") + "data" + hex("00000000"));

    for (const qint64 n : {1, 2, 3, 1001, 176399, 176401}) {
        {
            TWaveFileStream w(path); // created anew: the previous round's file goes
            w.SetPCMFormat(44100, 16, 2);
            w.Open(true);
            const QByteArray sound = pattern(0, n);
            w.WriteBuffer(sound.constData(), n / 2);
            w.WriteBuffer(sound.constData() + n / 2, n - n / 2);
            EXPECT_EQ(w.Size(), n);
            EXPECT_EQ(w.Position(), n);
        }
        const QByteArray file = bytesOf(path);
        ASSERT_EQ(file.size(), 46 + n) << n;
        EXPECT_EQ(file.left(4), "RIFF");
        EXPECT_EQ(le32(file, 4), quint32(38 + n)) << n;
        EXPECT_EQ(file.mid(38, 4), "data");
        EXPECT_EQ(le32(file, 42), quint32(n)) << n;
        EXPECT_TRUE(file.mid(46) == pattern(0, n)) << n;
    }
}

TEST(WaveFile, FormatRecordForEveryRateBitsAndChannels)
{
    struct Row {
        int rate, bits, channels;
        const char *record;
    };
    const Row rows[] = {
        {44100, 16, 2, "0100 0200 44ac0000 10b10200 0400 1000 0000"},
        {22050, 8, 1, "0100 0100 22560000 22560000 0100 0800 0000"},
        {44100, 24, 2, "0100 0200 44ac0000 98090400 0600 1800 0000"},
        {96000, 24, 1, "0100 0100 00770100 00650400 0300 1800 0000"},
        {8000, 32, 2, "0100 0200 401f0000 00fa0000 0800 2000 0000"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fmt.wav"));
    for (const Row &row : rows) {
        {
            TWaveFileStream w(path);
            w.SetPCMFormat(row.rate, row.bits, row.channels);
            EXPECT_EQ(w.FormatSize(), 18);
            w.Open(true);
        }
        const QByteArray file = bytesOf(path);
        EXPECT_EQ(le32(file, 16), 18u);
        EXPECT_EQ(file.mid(20, 18), hex(row.record)) << row.rate << "/" << row.bits << "/" << row.channels;
    }
}

TEST(WaveFile, MisuseIsRefusedWithTheSystemsMessagesAndChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("misuse.wav"));
    TWaveFileStream w(path);
    const char byte = 1;

    EXPECT_EQ(messageOf<EWaveStreamError>([&] { w.Open(true); }), QStringLiteral("Format is invalid"));
    EXPECT_EQ(messageOf<EWaveStreamError>([&] { w.Write(&byte, 1); }), QStringLiteral("Stream not opend"));
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_FALSE(w.Opened());

    w.SetPCMFormat(22050, 8, 1);
    w.Open(true);
    EXPECT_EQ(messageOf<EWaveStreamError>([&] { w.Open(true); }), QStringLiteral("Stream has already been opened"));
    EXPECT_EQ(QFileInfo(path).size(), 46);
    EXPECT_EQ(w.Write(&byte, 1), 1);
    EXPECT_EQ(QFileInfo(path).size(), 47);
}

TEST(WaveFile, ReadWriteAndSeekStayWithinTheSoundWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rw.wav"));
    {
        TWaveFileStream w(path);
        w.SetPCMFormat(22050, 8, 1);
        w.Open(true);
        w.WriteBuffer("0123456789", 10);

        char got[16] = {};
        EXPECT_EQ(w.Seek(0, soBeginning), 0);
        EXPECT_EQ(w.Read(got, 4), 4);
        EXPECT_EQ(QByteArray(got, 4), "0123");
        EXPECT_EQ(w.Position(), 4);
        EXPECT_EQ(w.Seek(100, soBeginning), 10) << "never beyond the size";
        EXPECT_EQ(w.Seek(-100, soCurrent), 0) << "never below 0";
        EXPECT_EQ(w.Seek(-3, soEnd), 7);
        EXPECT_EQ(w.Read(got, 16), 3) << "a read stops at the size";
        EXPECT_EQ(QByteArray(got, 3), "789");
        EXPECT_EQ(w.Read(got, 16), 0);

        // Writing after a seek back overwrites in place; the size stays.
        w.Seek(2, soBeginning);
        w.WriteBuffer("ab", 2);
        EXPECT_EQ(w.Size(), 10);
        EXPECT_EQ(w.Position(), 4);
        w.SetSize(0); // the general size setter does nothing
        EXPECT_EQ(w.Size(), 10);
    }
    const QByteArray file = bytesOf(path);
    EXPECT_EQ(le32(file, 42), 10u);
    EXPECT_EQ(file.mid(46), "01ab456789");

    // A stream of unknown size: seeking lands on -1, reading and writing move nothing.
    TCustomWaveStream2 unknown;
    char buffer[4] = {};
    EXPECT_EQ(unknown.Size(), -1);
    EXPECT_EQ(unknown.Seek(5, soBeginning), -1);
    EXPECT_EQ(unknown.Read(buffer, 4), 0);
    EXPECT_EQ(unknown.Write(buffer, 4), 0);
    EXPECT_THROW(unknown.WriteBuffer(buffer, 4), EStreamError);
    EXPECT_EQ(messageOf<EStreamError>([&] { unknown.ReadBuffer(buffer, 4); }), QStringLiteral("Stream read error"));
}

TEST(WaveFile, HeaderGoesWhereTheUnderlyingStreamStoodAndCopiesArriveWhole)
{
    // A source of 150001 bytes, more than two copy chunks.
    QBuffer sourceBuffer;
    sourceBuffer.open(QIODevice::ReadWrite);
    const QByteArray sound = pattern(0, 150001);
    TWaveStream source(&sourceBuffer);
    source.SetPCMFormat(44100, 8, 1);
    source.Open(true);
    source.WriteBuffer(sound.constData(), sound.size());
    source.Seek(0, soBeginning);

    QBuffer target;
    target.open(QIODevice::ReadWrite);
    target.write("JUNK!");
    {
        TWaveStream w(&target);
        w.SetPCMFormat(44100, 8, 1);
        w.Open(true);
        EXPECT_EQ(w.CopyFrom(source, 0), 0) << "0 copies nothing";
        EXPECT_EQ(w.CopyFrom(source, sound.size()), sound.size());
    }
    const QByteArray &out = target.data();
    ASSERT_EQ(out.size(), 5 + 46 + sound.size());
    EXPECT_EQ(out.left(5), "JUNK!");
    EXPECT_EQ(out.mid(5, 4), "RIFF");
    EXPECT_EQ(le32(out, 5 + 4), quint32(out.size() - 5 - 8));
    EXPECT_EQ(le32(out, 5 + 42), quint32(sound.size()));
    EXPECT_TRUE(out.mid(5 + 46) == sound);
}

TEST(WaveFile, FileErrorsNameTheFileAndTheReason)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/rec.wav"));
    const QString created = messageOf<EInOutError>([&] { TWaveFileStream w(missing); });
    EXPECT_TRUE(created.startsWith(QStringLiteral("Cannot create file ") + missing)) << created.toStdString();
    EXPECT_TRUE(created.contains(QStringLiteral("No such file"))) << created.toStdString();

    // A device or a FIFO in the recording's place is not emptied and written.
    const QString fifo = dir.filePath(QStringLiteral("fifo.wav"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString &special : {QStringLiteral("/dev/null"), fifo}) {
        const QString refused = messageOf<EInOutError>([&] { TWaveFileStream w(special); });
        EXPECT_EQ(refused, QStringLiteral("Not a regular file: ") + special);
    }
}

// Runs in a child process with a mount namespace of its own.
TEST(WaveFile, AFullDiskEndsTheSoundOnAWholeFrameThatTheHeaderDescribes)
{
    QString output;
    if (!childprocess::inOwnMountNamespace(QStringLiteral("WaveFile.AFullDisk*"), "SONAVEO_MOUNT_CHILD", &output))
        return;
    QTemporaryDir dir;
    ASSERT_TRUE(childprocess::mountSmallDisk(dir.path(), 64));
    const QString path = dir.filePath(QStringLiteral("rec.wav"));
    {
        TWaveFileStream w(path);
        w.SetPCMFormat(44100, 16, 2); // frames of 4 bytes
        w.Open(true);
        // Pieces that are no whole number of frames, as the capture hands them.
        const QByteArray piece = pattern(0, 1001);
        const QString told = messageOf<EInOutError>([&] {
            for (int i = 0; i < 1000; ++i)
                w.WriteBuffer(piece.constData(), piece.size());
        });
        EXPECT_TRUE(told.contains(QStringLiteral("No space left on device"))) << told.toStdString();
        EXPECT_EQ(w.Size() % 4, 0);
    }
    const qint64 size = QFileInfo(path).size();
    const QByteArray h = bytesOf(path, 46);
    EXPECT_EQ((size - 46) % 4, 0) << size;
    EXPECT_EQ(le32(h, 42), quint32(size - 46));
    EXPECT_EQ(le32(h, 4), quint32(size - 8));
    EXPECT_GT(size, 40000) << "the sound before the disk filled is kept";
}

TEST(WaveFile, HeaderOnDiskFollowsTheSoundEverySecond)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("live.wav"));
    TWaveFileStream w(path);
    w.SetPCMFormat(22050, 8, 1); // 22050 bytes per second
    w.Open(true);
    const auto header = [&] {
        const QByteArray h = bytesOf(path, 46);
        return std::pair(le32(h, 4), le32(h, 42));
    };
    const QByteArray second = pattern(0, 22050);
    w.WriteBuffer(second.constData(), 22049);
    EXPECT_EQ(header(), std::pair(38u, 0u)) << "less than a second: the header waits";
    w.WriteBuffer(second.constData() + 22049, 1);
    EXPECT_EQ(header(), std::pair(38u + 22050u, 22050u));
    w.WriteBuffer(second.constData(), 22049);
    EXPECT_EQ(header(), std::pair(38u + 22050u, 22050u));
    w.WriteBuffer(second.constData(), 2);
    EXPECT_EQ(header(), std::pair(38u + 44101u, 44101u));
    EXPECT_EQ(QFileInfo(path).size(), 46 + 44101);
}

// A recorder killed in the middle of a recording: the file on disk plays what
// was captured until about a second before.
TEST(WaveFile, AKilledWriterLeavesAFileWhoseHeaderCoversTheSoundOnDisk)
{
    constexpr qint64 block = 4410 * 4; // 100 ms of 44100 Hz, 16 bit, stereo
    if (childprocess::isChild("SONAVEO_WAVE_KILL")) {
        TWaveFileStream w(qEnvironmentVariable("SONAVEO_WAVE_KILL"));
        w.SetPCMFormat(44100, 16, 2);
        w.Open(true);
        std::printf("writing\n");
        std::fflush(stdout);
        QElapsedTimer clock;
        clock.start();
        // A recorder's pace, on purpose: the header follows the sound on disk
        // about once a second.
        for (qint64 k = 0; k < 600; ++k) {
            const QByteArray sound = pattern(k * block, block);
            w.WriteBuffer(sound.constData(), block);
            const qint64 due = (k + 1) * 100 - clock.elapsed();
            if (due > 0)
                QThread::msleep(quint64(due));
        }
        FAIL() << "not killed";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("killed.wav"));
    QProcess child;
    childprocess::start(child, QStringLiteral("WaveFile.AKilledWriter*"), "SONAVEO_WAVE_KILL", path);
    ASSERT_TRUE(child.waitForStarted());
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains("writing\n") && waited.elapsed() < 30000) {
        child.waitForReadyRead(100);
        said += child.readAll();
    }
    ASSERT_TRUE(said.contains("writing\n")) << said.toStdString();
    // Killed once the header claims two seconds.
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            const QByteArray header = bytesOf(path, 46);
            return header.size() == 46 && le32(header, 42) >= 2 * 176400;
        },
        "a header that claims two seconds"));
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(5000);

    const qint64 onDisk = QFileInfo(path).size();
    const QByteArray file = bytesOf(path, 46 + 1000 * block);
    ASSERT_GE(file.size(), 46);
    EXPECT_EQ(file.left(4), "RIFF");
    EXPECT_EQ(file.mid(8, 4), "WAVE");
    EXPECT_EQ(file.mid(20, 18), hex("0100 0200 44ac0000 10b10200 0400 1000 0000"));
    const qint64 data = le32(file, 42);
    EXPECT_GE(data, 2 * 176400) << "the first two seconds are in the header";
    EXPECT_LE(data, onDisk - 46) << "never more than the file holds";
    EXPECT_EQ(le32(file, 4), quint32(38 + data)) << "RIFF size = file size - 8, as far as the header claims";
    EXPECT_EQ(data % 4, 0) << "whole sample frames";
    EXPECT_TRUE(file.mid(46, int(data)) == pattern(0, data)) << "the sound the header claims is the sound written";
}

// Sizes near 4 GiB come from a sparse file grown behind the writer, whose size
// the writer reads from the file system.
TEST(WaveFile, TheBlockThatWouldPassThe32BitSizesIsRefusedAndTheHeaderStaysTrue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.wav"));
    auto w = std::make_unique<TWaveFileStream>(path);
    w->SetPCMFormat(44100, 16, 2);
    // RIFF size 38 + n must fit 32 bits; n rounded down to whole 4-byte frames.
    const qint64 max = 0xFFFFFFFFLL - 38 - 1;
    EXPECT_EQ(w->MaxDataSize(), max);
    w->Open(true);

    QFile grow(path);
    ASSERT_TRUE(grow.open(QIODevice::ReadWrite));
    ASSERT_TRUE(grow.resize(46 + max - 8));
    EXPECT_EQ(w->Size(), max - 8);
    w->Seek(0, soEnd);
    EXPECT_FALSE(w->WouldOverflow(8));
    EXPECT_TRUE(w->WouldOverflow(9));

    w->WriteBuffer("abcd", 4);
    const QString refused = messageOf<EWaveStreamError>([&] { w->WriteBuffer("efghefgh", 8); });
    EXPECT_TRUE(refused.contains(QString::number(max))) << refused.toStdString();
    EXPECT_EQ(w->Size(), max - 4) << "nothing of the refused block was written";
    const QByteArray header = bytesOf(path, 46);
    EXPECT_EQ(le32(header, 4), quint32(38 + max - 4)) << "the header already holds the accepted block";
    EXPECT_EQ(le32(header, 42), quint32(max - 4));

    w->WriteBuffer("efgh", 4);
    EXPECT_TRUE(w->WouldOverflow(1));
    EXPECT_THROW(w->WriteBuffer("x", 1), EWaveStreamError);
    w.reset();

    EXPECT_EQ(QFileInfo(path).size(), 46 + max);
    const QByteArray finished = bytesOf(path, 46);
    EXPECT_EQ(le32(finished, 4), quint32(38 + max));
    EXPECT_EQ(le32(finished, 42), quint32(max));
    ASSERT_TRUE(grow.seek(46 + max - 8));
    EXPECT_EQ(grow.read(16), "abcdefgh");
}
