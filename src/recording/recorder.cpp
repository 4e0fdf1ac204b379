#include "recording/recorder.h"

#include "platform/dialogs.h"
#include "platform/errors.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "recording/optionsform.h"
#include "recording/soundcapture.h"
#include "recording/wavestream.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>

#include <cmath>
#include <vector>

namespace {
constexpr int kCopyChunk = 61440;
} // namespace

TRecorder::TRecorder(TRecorderControls controls, TWindowsMediaPlayer &stationPlayer,
                     TWindowsMediaPlayer &recordingPlayer, TPlaybackState &playback, TRecorderHooks hooks)
    : m_c(controls), m_station(stationPlayer), m_rec(recordingPlayer), m_playback(playback), m_hooks(std::move(hooks))
{
}

TRecorder::~TRecorder()
{
    // The file is always finished: the capture stops before the writer writes its
    // sizes and closes.
    if (CaptureStream)
        CaptureStream->Stop();
    WaveFile.reset();
}

QString TRecorder::formatText(int samplesPerSec, int bits, int channels)
{
    return QStringLiteral("%1Hz %2bit %3")
        .arg(samplesPerSec)
        .arg(bits)
        .arg(channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

int TRecorder::sizeInKB(qint64 bytes)
{
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    return int(std::nearbyint(double(bytes) / 1024.0));
}

QString TRecorder::recordingFile() const
{
    TOptionsForm *o = m_hooks.options ? m_hooks.options() : nullptr;
    QString name = o ? o->DirectoryEditLogger->fileName() : QString();
    if (name.isEmpty())
        name = QStringLiteral("webfile.wav");
    if (m_hooks.dataDirectory && QDir::isRelativePath(name))
        return QDir(m_hooks.dataDirectory()).filePath(name);
    return name;
}

void TRecorder::FillDriverList()
{
    TOptionsForm *o = m_hooks.options();
    const TDirectXDrivers &drivers = CaptureDrivers();
    for (int i = 0; i < drivers.Count(); ++i)
        o->DriverBox->addItem(drivers[i].Description);
    o->DriverBox->setCurrentIndex(drivers.Count() > 0 ? 0 : -1);
    RebuildFormatList(); // the main window's own driver change
}

void TRecorder::RebuildFormatList()
{
    TOptionsForm *o = m_hooks.options();
    CaptureStream.reset();
    CaptureStream = std::make_unique<TSoundCaptureStream>();
    o->FormatBox->clear();
    const TSoundCaptureFormats &formats = CaptureStream->Formats();
    for (int i = 0; i < formats.Count(); ++i)
        o->FormatBox->addItem(formatText(formats[i].SamplesPerSec, formats[i].BitsPerSample, formats[i].Channels));
    o->FormatBox->setCurrentIndex(o->FormatBox->findText(kDefaultFormat, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void TRecorder::enableButtons(bool on)
{
    for (TVrDemoButton *b : {m_c.VrDemoButtonOptions, m_c.VrDemoButtonRec, m_c.VrDemoButtonStart, m_c.VrDemoButtonBurn})
        b->setEnabled(on);
}

void TRecorder::VrDemoButtonRecClick()
{
    TOptionsForm *o = m_hooks.options();
    // 1. A new capture stream replaces the one held.
    CaptureStream.reset();
    CaptureStream = std::make_unique<TSoundCaptureStream>();
    // 2. Playback may still hold the file.
    m_rec.setURL(QString());
    // 3. Every option must be set.
    if (o->FormatBox->currentText().isEmpty() || o->DriverBox->currentText().isEmpty()
        || o->DirectoryEditLogger->text().isEmpty()) {
        dialogs().showMessage(kOptionsMissing, MessageKind::Warning);
        return;
    }
    // 4.-6. The writer on the file, in the chosen format, header written.
    WaveFile.reset();
    WaveFile = std::make_unique<TWaveFileStream>(recordingFile(), TWaveFileStream::fmCreate);
    const TSoundCaptureFormat &format = CaptureStream->Formats()[o->FormatBox->currentIndex()];
    WaveFile->SetPCMFormat(format.SamplesPerSec, format.BitsPerSample, format.Channels);
    WaveFile->Open(true);
    // 7. Only STOP stays usable.
    enableButtons(false);
    // 8.-10. Capture in the same format.
    CaptureStream->setOnFilledBuffer([this](TSoundCaptureStream *) { CaptureBufferFilled(); });
    CaptureStream->setCaptureFormat(o->FormatBox->currentIndex());
    CaptureStream->Start();
}

void TRecorder::CaptureBufferFilled()
{
    if (!CaptureStream || !WaveFile)
        return;
    int n = CaptureStream->FilledSize();
    // A size that the device could not tell is no reason to copy anything.
    if (n <= 0)
        return;
    if (WaveFile->WouldOverflow(n)) {
        // A wave file's sizes are 32-bit: finish what fits instead of wrapping.
        VrDemoButtonStopClick();
        dialogs().showMessage(QStringLiteral("The recording has reached the largest size of a wave file and was "
                                             "stopped. Everything recorded so far is in the file."),
                              MessageKind::Warning, placeInFile(recordingFile()));
        return;
    }
    // One buffer for the whole recording: the step runs twenty times a second.
    if (m_copyBuffer.size() < size_t(kCopyChunk))
        m_copyBuffer.resize(size_t(kCopyChunk));
    while (n > 0) {
        const int chunk = std::min(n, kCopyChunk);
        CaptureStream->Read(m_copyBuffer.data(), chunk);
        WaveFile->WriteBuffer(m_copyBuffer.data(), chunk);
        n -= chunk;
    }
    m_c.VrNumSize->setValue(sizeInKB(WaveFile->Size()));
}

void TRecorder::VrDemoButtonStopClick()
{
    if (CaptureStream)
        CaptureStream->Stop();
    WaveFile.reset();
    m_rec.controls().stop();
    m_rec.setURL(QString());
    enableButtons(true);
    if (m_c.LabelStation->text() != QLatin1String("none"))
        m_c.LabelStation->setText(QStringLiteral("none"));
}

void TRecorder::VrDemoButtonStartClick()
{
    m_c.LabelStation->setText(QStringLiteral("File Playback"));
    m_c.LabelStation->setVisible(true);
    m_station.controls().stop();
    if (m_hooks.endStation)
        m_hooks.endStation();
    m_playback.connecting = false;
    const int position = m_c.VrScrollBarPlayer1->Position();
    if (m_hooks.setVolume)
        m_hooks.setVolume(position != 0 ? position : 1000);
    enableButtons(false);
    m_playback.filePlaybackRequest = true;
}
