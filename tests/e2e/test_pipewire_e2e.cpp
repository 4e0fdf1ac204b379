// The program on a desktop where PipeWire serves the sound through its
// PulseAudio side, as Debian 12's GNOME does: the PipeWire server that
// scripts/test starts beside PulseAudio (start_pipewire), with a null sink that
// is the default output, its monitor the default input, and a virtual
// microphone. The real program, started with that desktop's environment, plays
// the local station into PipeWire's sink, records it from there and starts a
// mixer that reaches the same server; the options window lists each of
// PipeWire's sources once.

#include "app/mainform.h"
#include "app/startup.h"
#include "desktop.h"
#include "enginetestkit.h"
#include "fakedialogs.h"
#include "fakelauncher.h"
#include "filebytes.h"
#include "qtprinters.h"
#include "platform/gstenvironment.h"
#include "platform/textfile.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

using namespace enginetest;
using testsupport::waitFor;

namespace {

// The PipeWire server of scripts/test and the desktop session around it.
struct PipeWire {
    QString runtimeDir = qEnvironmentVariable("SONAVEO_TEST_PIPEWIRE_DIR");
    QString pulseServer = qEnvironmentVariable("SONAVEO_TEST_PIPEWIRE_PULSE_SERVER");
    QString bus = qEnvironmentVariable("SONAVEO_TEST_PIPEWIRE_BUS");
    NullSink sink{QStringLiteral("sonaveo_pw_sink"), pulseServer};

    // What a program of that session finds in its environment: the runtime
    // folder with PipeWire's socket and pipewire-pulse's, and the session bus.
    // PULSE_SERVER is named too, so that nothing else on the test machine (a
    // server address published on the display) can lead the program elsewhere.
    std::map<QString, QString> session() const
    {
        return {{QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir},
                {QStringLiteral("PULSE_SERVER"), pulseServer},
                {QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus},
                {QStringLiteral("PIPEWIRE_REMOTE"), QString()},
                {QStringLiteral("PIPEWIRE_RUNTIME_DIR"), QString()},
                {QStringLiteral("PULSE_RUNTIME_PATH"), QString()}};
    }
    // The session's environment for a program the test starts; an empty value
    // removes the variable.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : session()) {
            if (value.isEmpty())
                env.remove(name);
            else
                env.insert(name, value);
        }
        return env;
    }
};

// This process in the PipeWire session while it lives.
class InSession {
public:
    explicit InSession(const PipeWire &pw)
    {
        for (const auto &[name, value] : pw.session()) {
            const QByteArray key = name.toLocal8Bit();
            m_saved.emplace_back(key, qEnvironmentVariableIsSet(key.constData()), qgetenv(key.constData()));
            if (value.isEmpty())
                qunsetenv(key.constData());
            else
                qputenv(key.constData(), value.toLocal8Bit());
        }
    }
    ~InSession()
    {
        for (const auto &[key, wasSet, value] : m_saved) {
            if (wasSet)
                qputenv(key.constData(), value);
            else
                qunsetenv(key.constData());
        }
    }

private:
    std::vector<std::tuple<QByteArray, bool, QByteArray>> m_saved;
};

// Places of the main window's controls in the default layout.
const QPoint kStationOne(143, 75);
const QPoint kDisconnect(534, 233);
const QPoint kMixer(492, 54);
const QPoint kStop(316, 313);
const QPoint kRec(378, 313);
// The LED display that scrolls the connection's state.
const QRect kLedDisplay(327, 16, 112, 17);

QString testStream() { return qEnvironmentVariable("SONAVEO_TEST_STREAM"); }

// The station's 440 Hz tone at a clear level. Right after a stream starts,
// PipeWire's sink has been seen to carry it some 4 % fast for a few seconds
// (456 Hz); what counts here is that the station is heard there, not its pitch,
// which the playback tests on PulseAudio hold to 5 Hz.
bool isTheTone(const std::vector<int16_t> &sound)
{
    return rms(sound) > 1000.0 && std::abs(dominantFrequency(sound) - 440.0) < 0.06 * 440.0;
}

bool hearsTheTone(const NullSink &sink)
{
    return waitFor([&] { return isTheTone(recordMonitor(0.5, sink)); }, "the station's tone on PipeWire's sink");
}

class PipeWireDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString missing = qEnvironmentVariable("SONAVEO_TEST_PIPEWIRE_MISSING");
        if (!missing.isEmpty())
            GTEST_SKIP() << "no PipeWire to test with: " << missing.toStdString();
        if (pw.runtimeDir.isEmpty())
            GTEST_SKIP() << "needs the PipeWire server that scripts/test starts";
        if (!e2e::haveDisplay())
            GTEST_SKIP() << "needs the display that scripts/test starts";
        ASSERT_TRUE(nullSinkPresent(pw.sink)) << "PipeWire's null sink " << pw.sink.name.toStdString() << " is gone";
    }

    // Starts the real program in the session, station button 1 holding the
    // local stream, and waits for its main window.
    void startProgram(const QProcessEnvironment &env)
    {
        QStringList block{QStringLiteral("Tone FM"), testStream()};
        while (block.size() < 14)
            block << QStringLiteral("none");
        writeTextLines(QDir(data.path()).filePath(QStringLiteral("Maro Radio Network1.dat")), block);
        app = std::make_unique<e2e::Sonaveo>(data.path(), env);
        const QString id = app->waitForMainWindow();
        ASSERT_FALSE(id.isEmpty()) << "no main window; the program said: " << app->errorOutput().toStdString();
        // The splash lies over the middle of the main window until the presets
        // are loaded; a click before it has gone would land on it.
        ASSERT_TRUE(waitFor([&] { return e2e::windowsOf(app->pid()) == QStringList{id}; }, "the splash to go"));
        main = e2e::windowGeometry(id);
        // A station pressed before the first status tick has told the program
        // it is online is not tuned. Once the LED display moves, the program's
        // timers run and that tick is past.
        const QRect led = kLedDisplay.translated(main.topLeft());
        const QImage first = e2e::screenshot(QStringLiteral("pipewire-started")).copy(led);
        ASSERT_TRUE(waitFor([&] { return e2e::screenshot(QStringLiteral("pipewire-started")).copy(led) != first; },
                            "the LED display to move"));
    }
    void click(QPoint at) { e2e::clickAt(main, at.x(), at.y()); }
    // Presses station button 1 and waits for its tone on PipeWire's sink.
    ::testing::AssertionResult playStationOne()
    {
        click(kStationOne);
        if (hearsTheTone(pw.sink))
            return ::testing::AssertionSuccess();
        e2e::screenshot(QStringLiteral("pipewire-not-playing"));
        const auto heard = recordMonitor(1.0, pw.sink);
        const QString streams = e2e::run(QStringLiteral("pactl"), pw.sink.serverArgs() << QStringLiteral("list")
                                                                       << QStringLiteral("short") << QStringLiteral("sink-inputs"));
        return ::testing::AssertionFailure() << "no tone on PipeWire's sink (see pipewire-not-playing.png): a second of its monitor gave "
                                             << heard.size() << " samples at level " << rms(heard) << ", "
                                             << dominantFrequency(heard) << " Hz; its streams: "
                                             << streams.toStdString() << "; the program said: "
                                             << app->errorOutput().toStdString();
    }

    PipeWire pw;
    QTemporaryDir data;
    std::unique_ptr<e2e::Sonaveo> app;
    QRect main;
};

#define NEED_STREAM()                                                                                                  \
    if (testStream().isEmpty())                                                                                        \
    GTEST_SKIP() << "needs the local stream that scripts/test starts"

} // namespace

TEST_F(PipeWireDesktop, TheStationPlaysIntoPipeWiresSinkAndDisconnectSilencesIt)
{
    NEED_STREAM();
    ASSERT_NO_FATAL_FAILURE(startProgram(pw.environment()));
    ASSERT_TRUE(playStationOne());
    // The sound went to PipeWire, not to the PulseAudio beside it.
    if (nullSinkPresent()) {
        EXPECT_LT(rms(recordMonitor(0.5)), 50.0) << "PulseAudio's null sink hears the station too";
    }
    e2e::screenshot(QStringLiteral("pipewire-playing"));

    click(kDisconnect);
    EXPECT_TRUE(waitFor([&] { return rms(recordMonitor(0.3, pw.sink)) < 50.0; }, "Disconnect to silence PipeWire's sink"));
}

TEST_F(PipeWireDesktop, TheRecordingHoldsTheStationPipeWiresSinkPlays)
{
    NEED_STREAM();
    ASSERT_NO_FATAL_FAILURE(startProgram(pw.environment()));
    ASSERT_TRUE(playStationOne());

    // REC records the default input, which is the monitor of the sink the
    // station plays into: what the sound card hears.
    const QString file = QDir(data.path()).filePath(QStringLiteral("webfile.wav"));
    click(kRec);
    const bool recorded = waitFor([&] { return QFileInfo(file).size() > 46 + 176400; }, "a second of the recording");
    if (!recorded)
        e2e::screenshot(QStringLiteral("pipewire-not-recording"));
    ASSERT_TRUE(recorded) << "no second of the recording (see pipewire-not-recording.png); the program said: "
                          << app->errorOutput().toStdString();
    click(kStop);
    // STOP writes the sizes into the header last.
    QByteArray wav;
    ASSERT_TRUE(waitFor(
        [&] {
            wav = bytesOf(file);
            return wav.size() > 46 && qint64(le32(wav, 42)) + 46 == wav.size();
        },
        "the header to hold the recording's size"));
    click(kDisconnect);

    EXPECT_EQ(le16(wav, 22), 2);      // channels
    EXPECT_EQ(le32(wav, 24), 44100u); // rate
    EXPECT_EQ(le16(wav, 34), 16);     // bits
    std::vector<int16_t> left;
    for (qsizetype i = 46; i + 3 < wav.size(); i += 4)
        left.push_back(int16_t(le16(wav, int(i))));
    // The last second, clear of the capture's first moments, is the station's.
    const std::vector<int16_t> lastSecond(left.end() - std::min<ptrdiff_t>(44100, ptrdiff_t(left.size())), left.end());
    EXPECT_TRUE(isTheTone(lastSecond)) << "level " << rms(lastSecond) << ", " << dominantFrequency(lastSecond) << " Hz";
}

TEST_F(PipeWireDesktop, TheMixerButtonStartsAMixerThatReachesPipeWire)
{
    // A stand-in for pavucontrol, first in PATH, asks the sound server it finds
    // who it is and writes the answer down whole.
    QTemporaryDir bin;
    const QByteArray record = QDir(data.path()).filePath(QStringLiteral("mixer-saw")).toUtf8();
    writeProgram(bin.path(), QStringLiteral("pavucontrol"),
                 "LC_ALL=C pactl info > '" + record + ".part' 2>&1\nmv '" + record + ".part' '" + record + "'\n");
    QProcessEnvironment env = pw.environment();
    env.insert(QStringLiteral("PATH"), bin.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    ASSERT_NO_FATAL_FAILURE(startProgram(env));

    click(kMixer);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(QString::fromUtf8(record)); }, "the mixer to start"));
    const QByteArray saw = bytesOf(QString::fromUtf8(record));
    EXPECT_TRUE(saw.contains("Server Name: PulseAudio (on PipeWire")) << saw.toStdString();
    EXPECT_TRUE(saw.contains("Default Sink: sonaveo_pw_sink\n")) << saw.toStdString();
}

// The options window of the program's own windows, built in this process in
// the PipeWire session: the device lists come from the same code as in the
// program, and their entries can be read here.
TEST_F(PipeWireDesktop, TheOptionsWindowListsEachOfPipeWiresSourcesOnce)
{
    InSession session(pw);
    FakeDialogs dialogs;
    ForgetCaptureDrivers();
    TApplicationWindows windows;
    createWindows(windows);
    windows.MainForm->recorder()->FillDriverList();
    const QComboBox *drivers = windows.OptionsForm->DriverBox;
    QStringList listed;
    for (int i = 0; i < drivers->count(); ++i)
        listed << drivers->itemText(i);
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed.takeFirst(), QStringLiteral("Primary Sound Capture Driver"));
    // GStreamer's PipeWire plugin lists the microphone too; it is there once.
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Monitor of Sonaveo PipeWire Sink"),
                                   QStringLiteral("Sonaveo PipeWire Microphone")}));
    EXPECT_EQ(windows.OptionsForm->FormatBox->currentText(), QStringLiteral("44100Hz 16bit Stereo"));

    // Each source opens by its identity, as the driver list keeps it.
    const TDirectXDrivers &known = CaptureDrivers();
    for (int i = 1; i < known.Count(); ++i) {
        SCOPED_TRACE(known[i].Description.toStdString());
        TSoundCaptureStream chosen(known[i].Guid);
        EXPECT_GT(chosen.Formats().Count(), 0);
    }
    // The start-up check finds PipeWire's sink as a sound output.
    EXPECT_TRUE(probeSoundOutput());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    ForgetCaptureDrivers();
}
