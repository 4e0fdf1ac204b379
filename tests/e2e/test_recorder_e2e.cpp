// Recording what the sound card hears, for real: a 1 kHz tone played into the null
// sink is recorded from its monitor, played back and exported.

#include "app/mainform.h"
#include "app/startup.h"
#include "enginetestkit.h"
#include "fakedialogs.h"
#include "filebytes.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "widgets/vrdemobutton.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace enginetest;

TEST(LiveRecording, RecordsTheToneOnTheSoundCardPlaysItBackAndExportsIt)
{
    if (!nullSinkPresent())
        GTEST_SKIP() << "needs the null sink that scripts/test starts";
    QProcess tone;
    tone.start(QStringLiteral("gst-launch-1.0"),
               {QStringLiteral("-q"), QStringLiteral("audiotestsrc"), QStringLiteral("is-live=true"),
                QStringLiteral("freq=1000"), QStringLiteral("volume=0.5"), QStringLiteral("!"),
                QStringLiteral("pulsesink"), QStringLiteral("device=sonaveo_sink")});
    ASSERT_TRUE(tone.waitForStarted());
    ASSERT_TRUE(testsupport::waitFor(soundServerHasAStream, "the tone's stream on the sound server"));

    QTemporaryDir dir;
    FakeDialogs dialogs;
    ForgetCaptureDrivers();
    TApplicationWindows windows;
    createWindows(windows);
    TMainForm *form = windows.MainForm.get();
    TOptionsForm *options = windows.OptionsForm.get();
    const QString file = QDir(dir.path()).filePath(QStringLiteral("take.wav"));
    options->DirectoryEditLogger->setFileName(file);
    form->recorder()->FillDriverList();
    ASSERT_EQ(options->FormatBox->currentText(), QStringLiteral("44100Hz 16bit Stereo"));

    QTest::mouseClick(form->ui().VrDemoButtonRec, Qt::LeftButton);
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    // The monitor of the rig's null sink takes from 0.2 to 2 s to deliver its
    // first bytes (parec waits as long); from the first bytes on, nothing may be
    // missing.
    ASSERT_TRUE(testsupport::waitFor([&] { return QFileInfo(file).size() > 46; }, "the first recorded bytes"));
    // Two seconds of real time: what the file holds is compared with it.
    QTest::qWait(2000);
    QTest::mouseClick(form->ui().VrDemoButtonStop, Qt::LeftButton);
    tone.kill();
    tone.waitForFinished();

    const QByteArray wav = bytesOf(file);
    ASSERT_GT(wav.size(), 46);
    EXPECT_EQ(le16(wav, 22), 2);       // channels
    EXPECT_EQ(le32(wav, 24), 44100u);  // rate
    EXPECT_EQ(le16(wav, 34), 16);      // bits
    const quint32 data = le32(wav, 42);
    EXPECT_EQ(qint64(data) + 46, wav.size());
    EXPECT_EQ(le32(wav, 4), data + 38);
    const double seconds = data / 176400.0;
    // Two seconds, less at most the last 50 ms; the first bytes' step may add one.
    EXPECT_GT(seconds, 1.9);
    EXPECT_LT(seconds, 2.2);
    std::vector<int16_t> left;
    for (qint64 i = 46; i + 3 < wav.size(); i += 4)
        left.push_back(int16_t(le16(wav, int(i))));
    EXPECT_NEAR(dominantFrequency(left), 1000.0, 10.0);
    EXPECT_GT(rms(left), 1000.0);

    // Export: a byte-for-byte copy.
    const QString exported = QDir(dir.path()).filePath(QStringLiteral("copy.wav"));
    dialogs.nextFile.push_back(exported);
    options->VrDemoButtonExportClick();
    EXPECT_EQ(bytesOf(exported), wav);

    // PLAY: the recording reaches the sound server, and the buttons come back at its end.
    QTest::mouseClick(form->ui().VrDemoButtonStart, Qt::LeftButton);
    EXPECT_FALSE(form->ui().VrDemoButtonRec->isEnabled());
    EXPECT_TRUE(testsupport::waitFor([] { return std::abs(dominantFrequency(recordMonitor(0.3)) - 1000.0) < 10.0; },
                                     "the recording's tone on the sound card"));
    EXPECT_TRUE(testsupport::waitFor([&] { return form->ui().VrDemoButtonRec->isEnabled(); }, "the end of the playback"));
    EXPECT_TRUE(form->ui().VrDemoButtonStart->isEnabled());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    ForgetCaptureDrivers();
}
