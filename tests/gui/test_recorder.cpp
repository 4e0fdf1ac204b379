// The recorder block and the options window with a scripted capture device and
// scripted players: REC, the copy step, STOP, PLAY, the lists and export.

#include "app/mainform.h"
#include "app/startup.h"
#include "fakecapturebackend.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "platform/errorguard.h"
#include "playback/stationplayback.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "recording/wavestream.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrnum.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        capture.drivers = {CaptureDriverInfo{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()}};
        ForgetCaptureDrivers();
        createWindows(windows);
        form = windows.MainForm.get();
        options = windows.OptionsForm.get();
        form->ui().TimerSonaveo->stop();
        options->DirectoryEditLogger->setFileName(file());
        form->recorder()->FillDriverList();
        station = fake.station;
        rec = fake.recording;
    }
    void TearDown() override { ForgetCaptureDrivers(); }
    QString file() const { return QDir(dir.path()).filePath(QStringLiteral("my recording.wav")); }
    void click(TVrDemoButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    bool idleButtons() const
    {
        return form->ui().VrDemoButtonRec->isEnabled() && form->ui().VrDemoButtonStart->isEnabled() &&
               form->ui().VrDemoButtonOptions->isEnabled() && form->ui().VrDemoButtonBurn->isEnabled();
    }
    bool busyButtons() const
    {
        return !form->ui().VrDemoButtonRec->isEnabled() && !form->ui().VrDemoButtonStart->isEnabled() &&
               !form->ui().VrDemoButtonOptions->isEnabled() && !form->ui().VrDemoButtonBurn->isEnabled() &&
               form->ui().VrDemoButtonStop->isEnabled();
    }

    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakePlatform fake;
    FakeCaptureBackend capture;
    TApplicationWindows windows;
    TMainForm *form = nullptr;
    TOptionsForm *options = nullptr;
    FakeMediaEngine *station = nullptr;
    FakeMediaEngine *rec = nullptr;
};

TEST_F(RecorderTest, TheListsOfferEveryAcceptedFormatAndSelectCdQuality)
{
    EXPECT_EQ(options->DriverBox->count(), 1);
    EXPECT_EQ(options->DriverBox->currentText(), QStringLiteral("Primary Sound Capture Driver"));
    ASSERT_EQ(options->FormatBox->count(), 56);
    EXPECT_EQ(options->FormatBox->itemText(0), QStringLiteral("8000Hz 8bit Mono"));
    EXPECT_EQ(options->FormatBox->itemText(55), QStringLiteral("96000Hz 32bit Stereo"));
    EXPECT_EQ(options->FormatBox->currentIndex(), 35);
    EXPECT_EQ(options->FormatBox->currentText(), QStringLiteral("44100Hz 16bit Stereo"));
    EXPECT_EQ(options->DirectoryEditLogger->text(), QLatin1Char('"') + file() + QLatin1Char('"'))
        << "a name with a blank is shown in quotes";
    EXPECT_EQ(options->DirectoryEditLogger->fileName(), file());

    // Choosing the driver again throws away a format chosen before.
    options->FormatBox->setCurrentIndex(3);
    options->DriverBoxChange();
    EXPECT_EQ(options->FormatBox->currentIndex(), 35);
}

TEST_F(RecorderTest, StopWhileIdleResetsTheBlock)
{
    form->ui().LabelStation->setText(QStringLiteral("Radio One"));
    click(form->ui().VrDemoButtonStop);
    EXPECT_EQ(rec->calls, QStringList({"stop", "url:"}));
    EXPECT_TRUE(idleButtons());
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("none"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(RecorderTest, RecRefusesWithoutOptionsAndShowsItOnce)
{
    options->DirectoryEditLogger->setText(QString());
    click(form->ui().VrDemoButtonRec);
    EXPECT_EQ(dialogs.messages, QStringList({kOptionsMissing}));
    EXPECT_TRUE(idleButtons());
    EXPECT_EQ(rec->calls, QStringList({"url:"}));

    // A device that accepts nothing leaves the format list empty: refused too.
    dialogs.messages.clear();
    capture.accepts = [](const PcmFormat &, uint32_t) { return false; };
    options->DirectoryEditLogger->setFileName(file());
    form->recorder()->RebuildFormatList();
    EXPECT_EQ(options->FormatBox->count(), 0);
    click(form->ui().VrDemoButtonRec);
    EXPECT_EQ(dialogs.messages, QStringList({kOptionsMissing}));
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(RecorderTest, RecCopiesWhatArrivesAndStopFinishesTheFile)
{
    writeBytes(file(), QByteArray(5000, 'x')); // an older recording is emptied
    click(form->ui().VrDemoButtonRec);
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_TRUE(busyButtons());
    ASSERT_NE(capture.ring, nullptr);
    EXPECT_EQ(capture.requests.back().first.samplesPerSec, 44100);

    capture.ring->deliver(3000);
    form->recorder()->CaptureBufferFilled();
    capture.ring->deliver(1000);
    form->recorder()->CaptureBufferFilled();
    EXPECT_EQ(form->ui().VrNumSize->Value(), TRecorder::sizeInKB(4000));

    click(form->ui().VrDemoButtonStop);
    EXPECT_TRUE(idleButtons());
    const QByteArray wav = bytesOf(file());
    ASSERT_EQ(wav.size(), 46 + 4000);
    EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
    EXPECT_EQ(le32(wav, 4), 38u + 4000u);
    EXPECT_EQ(le32(wav, 24), 44100u);
    EXPECT_EQ(le32(wav, 42), 4000u);
    for (int k = 0; k < 4000; ++k)
        ASSERT_EQ(quint8(wav[46 + k]), FakeCaptureBuffer::byteAt(quint64(k))) << k;
}

TEST(RecordSize, KilobytesRoundHalvesToEven)
{
    const std::pair<qint64, int> rows[] = {{0, 0}, {511, 0}, {512, 0}, {513, 1}, {1535, 1},
                                           {1536, 2}, {2560, 2}, {3584, 4}, {1024 * 1000, 1000}};
    for (const auto &[bytes, kb] : rows)
        EXPECT_EQ(TRecorder::sizeInKB(bytes), kb) << bytes;
}

TEST_F(RecorderTest, PlayWaitsForTheStationAndKeepsTheButtonsUntilThePlaybackEnds)
{
    station->state = 3;
    click(form->ui().VrDemoButtonStart);
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("File Playback"));
    EXPECT_TRUE(busyButtons());
    EXPECT_TRUE(station->calls.contains(QStringLiteral("stop")));
    station->state = 3; // the double keeps saying "playing" until told otherwise
    form->playback()->TimerSonaveoTimer();
    EXPECT_FALSE(rec->calls.contains(QStringLiteral("play"))) << "not while a station plays";
    station->state = 1;
    form->playback()->TimerSonaveoTimer();
    EXPECT_TRUE(rec->calls.contains(QStringLiteral("url:") + file()));
    EXPECT_TRUE(rec->calls.contains(QStringLiteral("play")));

    // No file on disk: the recording player never plays, so the buttons wait for STOP.
    for (int i = 0; i < 20; ++i)
        form->playback()->TimerSonaveoTimer();
    EXPECT_TRUE(busyButtons());
    click(form->ui().VrDemoButtonStop);
    EXPECT_TRUE(idleButtons());
}

TEST_F(RecorderTest, ExportCopiesByteForByteAndSaysSoWhenItCannot)
{
    const QByteArray recording = QByteArray("RIFF") + QByteArray(3000, '\x11');
    ASSERT_TRUE(writeBytes(file(), recording));
    const QString target = QDir(dir.path()).filePath(QStringLiteral("export.wav"));

    options->VrDemoButtonExportClick(); // cancelled: nothing
    EXPECT_FALSE(QFile::exists(target));

    dialogs.nextFile.push_back(target);
    options->VrDemoButtonExportClick();
    EXPECT_EQ(bytesOf(target), recording);
    EXPECT_TRUE(dialogs.asked.contains(QStringLiteral("Export File")));

    QFile::remove(file());
    dialogs.nextFile.push_back(QDir(dir.path()).filePath(QStringLiteral("second.wav")));
    QTest::mouseClick(options->VrDemoButtonExport, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1) << "a failed export says so";
    EXPECT_TRUE(dialogs.messages.first().contains(file()));
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("second.wav"))));
}

TEST_F(RecorderTest, AFileDroppedOnTheFieldBecomesTheRecordingFile)
{
    const QString dropped = QDir(dir.path()).filePath(QStringLiteral("dropped take.wav"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped), QUrl::fromLocalFile(QStringLiteral("/tmp/second.wav"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(options->DirectoryEditLogger, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(options->DirectoryEditLogger, &drop);
    EXPECT_EQ(options->DirectoryEditLogger->text(), QLatin1Char('"') + dropped + QLatin1Char('"'));
    EXPECT_EQ(form->recorder()->recordingFile(), dropped) << "the quotes go when the name is read back";
}

TEST_F(RecorderTest, AStationThatDropsAndReconnectsLeavesTheRecordingRunning)
{
    auto tick = [this](int n) {
        for (int i = 0; i < n; ++i)
            guarded([this] { form->playback()->TimerSonaveoTimer(); });
    };
    tick(1); // the network is found
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));
    station->state = MediaEngine::Playing;
    station->position = 3;
    tick(2);
    click(form->ui().VrDemoButtonRec);
    ASSERT_TRUE(busyButtons());
    capture.ring->deliver(2000);
    form->recorder()->CaptureBufferFilled();

    // The station drops and is tuned again while the sound card is recorded.
    station->state = MediaEngine::MediaEnded;
    tick(1);
    ASSERT_TRUE(form->playback()->reconnecting());
    tick(15);
    station->state = MediaEngine::Playing;
    tick(2);
    EXPECT_FALSE(form->playback()->reconnecting());
    EXPECT_TRUE(busyButtons()) << "the recording runs on";
    capture.ring->deliver(1000);
    form->recorder()->CaptureBufferFilled();
    click(form->ui().VrDemoButtonStop);
    EXPECT_EQ(bytesOf(file()).size(), 46 + 3000);
}
