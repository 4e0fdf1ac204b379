// Recording fidelity with a stalling GUI thread: a signal whose every frame can be
// checked is played into a null sink of the benchmark's own at 96000 Hz, 32 bit,
// stereo, and recorded from its monitor through the main window's own recorder
// (REC and STOP in this process, the format list on "96000Hz 32bit Stereo") while
// a timer stops the GUI thread for 900 ms every 5 s. In the same run parec records
// the same monitor into a file of its own: the anchor. For both files the frames
// lost, repeated and inserted after the first frame of the signal are counted.
//
// The signal: frame n carries the low 24 bits of n in the left channel and a hash
// of them in the right, both in the top 24 bits of the 32-bit sample. A frame whose
// right channel does not match its left is no frame of the signal (the recorder's
// silence, or bytes out of place); the counter tells a lost frame from a repeated
// one. The low byte of each sample is zero, so a frame that went through the
// sound server's float path is still read and counted as not bit-exact.
//
// The recorder records the sound server's default source. PULSE_SOURCE, set for
// this process only, points it at the benchmark's monitor; the server's default
// source, which the end-to-end tests record, stays as it is.
//
//   source scripts/lib.sh; source scripts/servers.sh; start_sound
//   build/record_fidelity [seconds] [--busy] [--stall=MS]   (60 s by default; 600 for the full run)
//
// --busy makes the stall a busy wait instead of a sleep, so the GUI thread also
// takes a core away from the rest of the process for those 900 ms. --stall=MS
// stalls for another length: beyond the capture ring's one second the recorder
// is expected to lose what the ring could not hold, which checks the counting.

#include "app/mainform.h"
#include "app/startup.h"
#include "platform/dialogs.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRate = 96000;
constexpr int kFrameBytes = 8; // two 32-bit samples
constexpr int kStallEveryMs = 5000;
const QString kFormat = QStringLiteral("96000Hz 32bit Stereo");

// --- The signal ---------------------------------------------------------------

constexpr uint32_t kMask24 = 0xFFFFFF;

uint32_t check24(uint32_t counter)
{
    uint32_t h = (counter & kMask24) * 2654435761u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    // Never 0 for counter 0: silence must not read as a frame of the signal.
    return (h ^ 0xA5C3E1u) & kMask24;
}

void patternFrame(uint64_t n, int32_t *frame)
{
    const uint32_t low = uint32_t(n) & kMask24;
    frame[0] = int32_t(low << 8);
    frame[1] = int32_t(check24(low) << 8);
}

// The top 24 bits of a sample, rounded, so a sample a few steps off still reads.
uint32_t top24(int32_t sample) { return ((uint32_t(sample) + 0x80u) >> 8) & kMask24; }

// --- The null sink ------------------------------------------------------------

QByteArray pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    process.waitForFinished(3000);
    return process.readAllStandardOutput();
}

// A null sink of this benchmark's own in the signal's format, so the sound server
// neither converts nor resamples on the way in or out.
class FormatSink {
public:
    static constexpr const char *kName = "sonaveo_bench_rec_sink";

    FormatSink()
    {
        if (!present())
            m_module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                              QStringLiteral("sink_name=") + QLatin1String(kName), QStringLiteral("format=s32le"),
                              QStringLiteral("rate=%1").arg(kRate), QStringLiteral("channels=2")})
                           .trimmed();
    }
    ~FormatSink()
    {
        if (!m_module.isEmpty())
            pactl({QStringLiteral("unload-module"), QString::fromLatin1(m_module)});
    }
    FormatSink(const FormatSink &) = delete;
    FormatSink &operator=(const FormatSink &) = delete;

    static bool present()
    {
        return pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}).contains(kName);
    }
    static QString monitor() { return QLatin1String(kName) + QStringLiteral(".monitor"); }

private:
    QByteArray m_module;
};

// Plays the signal into the sink from GStreamer's streaming thread, which the GUI
// thread's stalls do not reach.
class PatternPlayer {
public:
    PatternPlayer()
    {
        m_pipeline = gst_pipeline_new("pattern");
        GstElement *src = gst_element_factory_make("appsrc", nullptr);
        GstElement *sink = gst_element_factory_make("pulsesink", nullptr);
        if (!m_pipeline || !src || !sink)
            return;
        gst_bin_add_many(GST_BIN(m_pipeline), src, sink, nullptr);
        GstCaps *caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S32LE", "layout", G_TYPE_STRING,
                                            "interleaved", "rate", G_TYPE_INT, kRate, "channels", G_TYPE_INT, 2,
                                            nullptr);
        g_object_set(src, "caps", caps, "format", GST_FORMAT_TIME, nullptr);
        gst_caps_unref(caps);
        // A deep buffer: a player starved for a moment (a busy machine) would put
        // gaps into the signal itself, which both recordings then show.
        g_object_set(sink, "device", FormatSink::kName, "client-name", "sonaveo-bench-pattern", "buffer-time",
                     gint64(1000000), "latency-time", gint64(20000), nullptr);
        GstAppSrcCallbacks callbacks{};
        callbacks.need_data = &PatternPlayer::needData;
        gst_app_src_set_callbacks(GST_APP_SRC(src), &callbacks, this, nullptr);
        m_ok = gst_element_link(src, sink) &&
               gst_element_set_state(m_pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }
    ~PatternPlayer()
    {
        if (m_pipeline) {
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
            gst_object_unref(m_pipeline);
        }
    }
    PatternPlayer(const PatternPlayer &) = delete;
    PatternPlayer &operator=(const PatternPlayer &) = delete;

    bool ok() const { return m_ok; }
    uint64_t framesPushed() const { return m_next.load(); }

private:
    static void needData(GstAppSrc *src, guint, gpointer self)
    {
        auto *player = static_cast<PatternPlayer *>(self);
        constexpr int frames = kRate / 100; // 10 ms
        GstBuffer *buffer = gst_buffer_new_allocate(nullptr, frames * kFrameBytes, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        const uint64_t first = player->m_next.load();
        auto *samples = reinterpret_cast<int32_t *>(map.data);
        for (int i = 0; i < frames; ++i)
            patternFrame(first + uint64_t(i), samples + 2 * i);
        gst_buffer_unmap(buffer, &map);
        // The counter starts at 1; the first buffer plays at time 0.
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(first - 1, GST_SECOND, kRate);
        GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(frames, GST_SECOND, kRate);
        player->m_next.store(first + frames);
        gst_app_src_push_buffer(src, buffer);
    }

    GstElement *m_pipeline = nullptr;
    std::atomic<uint64_t> m_next{1};
    bool m_ok = false;
};

// --- Reading a recording back -------------------------------------------------

struct Fidelity {
    bool readable = false;
    qint64 leadIn = 0;    // frames before the first frame of the signal
    qint64 frames = 0;    // frames from the first frame of the signal to the last
    qint64 spanned = 0;   // signal frames from the first recorded to the last
    qint64 lost = 0;      // signal frames in that span that are not in the file
    qint64 repeated = 0;  // frames of the signal that came again
    qint64 inserted = 0;  // frames that are no frame of the signal (silence, bytes out of place)
    qint64 inexact = 0;   // frames of the signal read back not bit for bit
    int lossEvents = 0, repeatEvents = 0, insertEvents = 0;
    qint64 longestLoss = 0;
    std::vector<double> eventsAt; // seconds into the signal, the first few
    std::vector<std::pair<int64_t, int64_t>> gaps; // lost counters, [first, last]
    int64_t first = 0, last = 0;                   // counters of the first and last frame
};

class FidelityCounter {
public:
    explicit FidelityCounter(int64_t reference) : m_reference(reference) {}
    void frame(const int32_t *f)
    {
        const uint32_t left = top24(f[0]);
        const uint32_t right = top24(f[1]);
        const bool valid = right == check24(left);
        if (!m_started) {
            if (!valid) {
                ++m_r.leadIn;
                return;
            }
            m_started = true;
            // The full counter nearest the reference, with these low 24 bits, so
            // two recordings of the same signal count alike.
            const int32_t delta = int32_t(((left - uint32_t(m_reference)) & kMask24) << 8) >> 8;
            m_maxSeen = m_lastFull = m_firstFull = m_reference + delta;
            m_r.frames = 1;
            countExact(f, left);
            return;
        }
        if (!valid) {
            ++m_pendingInvalid;
            return;
        }
        // Invalid frames count only once a valid one follows: a recording's tail
        // after the signal is not part of it.
        if (m_pendingInvalid > 0) {
            m_r.inserted += m_pendingInvalid;
            m_r.frames += m_pendingInvalid;
            ++m_r.insertEvents;
            note(m_maxSeen);
            m_pendingInvalid = 0;
        }
        ++m_r.frames;
        countExact(f, left);
        // The full counter nearest to the one expected, with these low 24 bits.
        const int32_t delta = int32_t(((left - uint32_t(m_lastFull + 1)) & kMask24) << 8) >> 8;
        const int64_t full = m_lastFull + 1 + delta;
        const bool again = full <= m_maxSeen;
        if (!again) {
            const int64_t gap = full - m_maxSeen - 1;
            if (gap > 0) {
                m_r.lost += gap;
                m_r.gaps.emplace_back(m_maxSeen + 1, full - 1);
                ++m_r.lossEvents;
                m_r.longestLoss = std::max<qint64>(m_r.longestLoss, gap);
                note(m_maxSeen);
            }
            m_maxSeen = full;
        } else {
            if (!m_inRepeat) {
                ++m_r.repeatEvents;
                note(full);
            }
            ++m_r.repeated;
        }
        m_inRepeat = again;
        m_lastFull = full;
    }
    Fidelity result()
    {
        m_r.readable = m_started;
        m_r.spanned = m_started ? m_maxSeen - m_firstFull + 1 : 0;
        m_r.first = m_firstFull;
        m_r.last = m_maxSeen;
        return m_r;
    }

private:
    void countExact(const int32_t *f, uint32_t left)
    {
        if (f[0] != int32_t(left << 8) || f[1] != int32_t(check24(left) << 8))
            ++m_r.inexact;
    }
    void note(int64_t full)
    {
        if (m_r.eventsAt.size() < 12)
            m_r.eventsAt.push_back(double(full - m_firstFull) / kRate);
    }

    Fidelity m_r;
    bool m_started = false;
    bool m_inRepeat = false;
    int64_t m_reference;
    int64_t m_firstFull = 0, m_lastFull = 0, m_maxSeen = 0;
    qint64 m_pendingInvalid = 0;
};

// Counts the frames of raw 32-bit stereo bytes from `offset` to `offset + size`
// (size < 0: to the end of the file).
// `reference`: a counter of the signal within a minute of the recording's.
Fidelity countFrames(const QString &path, qint64 offset, qint64 size, int64_t reference)
{
    QFile file(path);
    FidelityCounter counter(reference);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return {};
    qint64 left = size < 0 ? file.size() - offset : size;
    std::vector<int32_t> block(1 << 18); // a whole number of frames
    while (left > 0) {
        const qint64 want = std::min<qint64>(left, qint64(block.size() * sizeof(int32_t)));
        const qint64 got = file.read(reinterpret_cast<char *>(block.data()), want);
        if (got <= 0)
            break;
        left -= got;
        const qint64 frames = got / kFrameBytes; // a torn last frame is left out
        for (qint64 i = 0; i < frames; ++i)
            counter.frame(block.data() + 2 * i);
    }
    return counter.result();
}

// The data chunk of a wave file: its offset and size, or {-1, -1}. Checks that the
// format is the one asked for.
std::pair<qint64, qint64> waveData(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot open %1").arg(path);
        return {-1, -1};
    }
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE") {
        *problem = QStringLiteral("not a RIFF/WAVE file");
        return {-1, -1};
    }
    const auto le32 = [](const QByteArray &b, int at) {
        quint32 v;
        std::memcpy(&v, b.constData() + at, 4);
        return v;
    };
    const auto le16 = [](const QByteArray &b, int at) {
        quint16 v;
        std::memcpy(&v, b.constData() + at, 2);
        return v;
    };
    qint64 at = 12;
    while (at + 8 <= file.size()) {
        file.seek(at);
        const QByteArray chunk = file.read(8);
        const qint64 size = le32(chunk, 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray fmt = file.read(16);
            if (le16(fmt, 0) != 1 || le16(fmt, 2) != 2 || le32(fmt, 4) != quint32(kRate) || le16(fmt, 14) != 32) {
                *problem = QStringLiteral("format %1 ch %2 Hz %3 bit").arg(le16(fmt, 2)).arg(le32(fmt, 4)).arg(le16(fmt, 14));
                return {-1, -1};
            }
        } else if (chunk.startsWith("data")) {
            const qint64 actual = file.size() - at - 8;
            if (size != actual)
                *problem = QStringLiteral("data size in the header %1, bytes in the file %2").arg(size).arg(actual);
            return {at + 8, std::min(size, actual)};
        }
        at += 8 + size + (size & 1);
    }
    *problem = QStringLiteral("no data chunk");
    return {-1, -1};
}

struct Loss {
    int64_t frames = 0, longest = 0;
    int events = 0;
    std::vector<double> at;
};

// The frames of the program's gaps that the anchor has, within the span both cover.
Loss ownLoss(const Fidelity &program, const Fidelity &anchor)
{
    Loss loss;
    const int64_t from = std::max(program.first, anchor.first), to = std::min(program.last, anchor.last);
    size_t j = 0;
    for (auto [a, b] : program.gaps) {
        a = std::max(a, from);
        b = std::min(b, to);
        if (a > b)
            continue;
        int64_t missing = b - a + 1;
        while (j < anchor.gaps.size() && anchor.gaps[j].second < a)
            ++j;
        for (size_t k = j; k < anchor.gaps.size() && anchor.gaps[k].first <= b; ++k)
            missing -= std::min(b, anchor.gaps[k].second) - std::max(a, anchor.gaps[k].first) + 1;
        if (missing <= 0)
            continue;
        loss.frames += missing;
        loss.longest = std::max(loss.longest, missing);
        ++loss.events;
        loss.at.push_back(double(a - program.first) / kRate);
    }
    return loss;
}

void printFidelity(const char *who, const Fidelity &f)
{
    if (!f.readable) {
        std::printf("  %-10s no frame of the signal in the recording\n", who);
        return;
    }
    std::printf("  %-10s %10lld frames (%7.2f s)  lost %8lld (%d times, longest %lld)  repeated %8lld (%d times)"
                "  inserted %8lld (%d times)  not bit-exact %lld\n",
                who, f.frames, double(f.frames) / kRate, f.lost, f.lossEvents, f.longestLoss, f.repeated,
                f.repeatEvents, f.inserted, f.insertEvents, f.inexact);
    if (!f.eventsAt.empty()) {
        std::printf("  %-10s at (s into the signal):", "");
        for (double s : f.eventsAt)
            std::printf(" %.2f", s);
        std::printf("\n");
    }
}

// Messages the recorder would show in a box go to the terminal instead.
class PrintedDialogs : public Dialogs {
public:
    PrintedDialogs() { setDialogs(this); }
    ~PrintedDialogs() override { setDialogs(nullptr); }
    void showMessage(const QString &text, MessageKind, const QString &) override
    {
        ++shown;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    QColor chooseColor(const QColor &, QWidget *) override { return {}; }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    int shown = 0;
};

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char **argv)
{
    double seconds = 60;
    bool busy = false;
    int stallMs = 900;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--busy") == 0)
            busy = true;
        else if (std::strncmp(argv[i], "--stall=", 8) == 0)
            stallMs = std::clamp(std::atoi(argv[i] + 8), 0, kStallEveryMs - 100);
        else
            seconds = std::max(5.0, std::atof(argv[i]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Before anything in this process talks to the sound server.
    qputenv("PULSE_SOURCE", FormatSink::monitor().toUtf8());
    qputenv("PULSE_SINK", FormatSink::kName);
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    FormatSink sink;
    if (!sink.present()) {
        std::fprintf(stderr, "no sound server to play and record on (start_sound)\n");
        return 2;
    }
    QTemporaryDir dir;
    // The main window reads and writes its settings in the working folder.
    QDir::setCurrent(dir.path());
    const QString programFile = dir.filePath(QStringLiteral("sonaveo.wav"));
    const QString anchorFile = dir.filePath(QStringLiteral("parec.raw"));

    PatternPlayer pattern;
    if (!pattern.ok()) {
        std::fprintf(stderr, "could not play the signal (appsrc ! pulsesink)\n");
        return 1;
    }
    spin(1000); // the signal flows before either recording starts

    const uint64_t reference = pattern.framesPushed();
    QProcess parec;
    parec.setStandardOutputFile(anchorFile);
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--device=") + FormatSink::monitor(), QStringLiteral("--format=s32le"),
                 QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=2"), QStringLiteral("--raw")});
    if (!parec.waitForStarted(3000)) {
        std::fprintf(stderr, "parec did not start\n");
        return 1;
    }

    PrintedDialogs dialogs;
    TApplicationWindows windows;
    createWindows(windows);
    TMainForm *form = windows.MainForm.get();
    TOptionsForm *options = windows.OptionsForm.get();
    form->show(); // the first showing fills the driver and format lists
    spin(300);
    const int formatIndex = options->FormatBox->findText(kFormat, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (formatIndex < 0) {
        std::fprintf(stderr, "the recorder does not offer %s; it offers:", qPrintable(kFormat));
        for (int i = 0; i < options->FormatBox->count(); ++i)
            std::fprintf(stderr, " [%s]", qPrintable(options->FormatBox->itemText(i)));
        std::fprintf(stderr, "\n");
        return 1;
    }
    options->FormatBox->setCurrentIndex(formatIndex);
    options->DirectoryEditLogger->setFileName(programFile);

    // The GUI thread stops for 900 ms (or --stall) every 5 s.
    int stalls = 0;
    QTimer stall;
    QObject::connect(&stall, &QTimer::timeout, [&] {
        ++stalls;
        if (!busy) {
            QThread::msleep(stallMs);
            return;
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < stallMs) {
        }
    });

    std::printf("recording %.0f s of %s from %s: sonaveo's recorder (GUI thread stalled %d ms every %d s, %s)"
                " and parec\n",
                seconds, qPrintable(kFormat), qPrintable(FormatSink::monitor()), stallMs, kStallEveryMs / 1000,
                busy ? "busy wait" : "sleep");
    std::fflush(stdout);
    form->recorder()->VrDemoButtonRecClick();
    if (dialogs.shown > 0 || !form->recorder()->WaveFile) {
        std::fprintf(stderr, "REC did not start a recording\n");
        return 1;
    }
    stall.start(kStallEveryMs);
    QElapsedTimer clock;
    clock.start();
    int reported = 0;
    while (clock.elapsed() < qint64(seconds * 1000)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
        const int tens = int(clock.elapsed() / 10000);
        if (tens > reported && clock.elapsed() < qint64(seconds * 1000) - 2000) {
            reported = tens;
            std::printf("  %3d s\n", reported * 10);
            std::fflush(stdout);
        }
    }
    stall.stop();
    form->recorder()->VrDemoButtonStopClick();
    spin(300); // parec's last fragment reaches its file
    parec.terminate();
    if (!parec.waitForFinished(3000)) {
        parec.kill();
        parec.waitForFinished(1000);
    }
    const uint64_t played = pattern.framesPushed();
    const int messages = dialogs.shown;

    QString problem;
    const auto [dataAt, dataSize] = waveData(programFile, &problem);
    if (!problem.isEmpty())
        std::printf("  sonaveo's file: %s\n", qPrintable(problem));
    const Fidelity program =
        dataAt >= 0 ? countFrames(programFile, dataAt, dataSize, int64_t(reference)) : Fidelity{};
    const Fidelity anchor = countFrames(anchorFile, 0, -1, int64_t(reference));

    std::printf("\nframes after the first frame of the signal (%d stalls of %d ms; %llu frames played;"
                " %d messages)\n",
                stalls, stallMs, static_cast<unsigned long long>(played), messages);
    printFidelity("sonaveo", program);
    printFidelity("parec", anchor);
    if (program.readable && anchor.readable) {
        // What the recorder lost although parec has it: the recorder's own loss, as
        // opposed to gaps in the signal itself (a starved player) that both show.
        const Loss own = ownLoss(program, anchor);
        std::printf("  sonaveo's own loss (frames parec has): %lld frames in %d gaps, longest %lld",
                    static_cast<long long>(own.frames), own.events, static_cast<long long>(own.longest));
        for (size_t i = 0; i < own.at.size() && i < 12; ++i)
            std::printf("%s%.2f", i == 0 ? "; at (s into the signal) " : " ", own.at[i]);
        std::printf("\n");
    }
    const auto intact = [](const Fidelity &f) {
        return f.spanned > 0 ? double(f.spanned - f.lost) / double(f.spanned) : 0.0;
    };
    const auto perMinute = [](qint64 n, const Fidelity &f) {
        return f.spanned > 0 ? double(n) * 60.0 * kRate / double(f.spanned) : 0.0;
    };
    std::printf("  signal frames kept:    sonaveo %.6f  parec %.6f  ratio %.6f\n", intact(program), intact(anchor),
                intact(anchor) > 0 ? intact(program) / intact(anchor) : 0.0);
    std::printf("  faults per minute:     sonaveo %.1f lost, %.1f repeated, %.1f inserted;"
                "  parec %.1f lost, %.1f repeated, %.1f inserted\n",
                perMinute(program.lost, program), perMinute(program.repeated, program),
                perMinute(program.inserted, program), perMinute(anchor.lost, anchor),
                perMinute(anchor.repeated, anchor), perMinute(anchor.inserted, anchor));
    std::fflush(stdout);
    return 0;
}
