// Records the sound card through the real windows until it is killed: the main
// window's REC with "44100Hz 16bit Stereo", for bench/record_cpu.sh to measure.
// Prints "recording" once the first sound bytes are in the file. With --idle the
// same windows are shown but REC is never pressed (it prints "idle" instead), so
// the cost of the windows alone can be told from that of recording.
// Usage: record_station FILE.wav | --idle   (QT_QPA_PLATFORM defaults to offscreen;
// the sound server's default source is recorded, or PULSE_SOURCE's when it is set)

#include "app/mainform.h"
#include "app/startup.h"
#include "platform/dialogs.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/wavestream.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <cstdio>

namespace {

// A message the recorder would show in a box goes to the terminal instead.
class PrintedDialogs : public Dialogs {
public:
    PrintedDialogs() { setDialogs(this); }
    ~PrintedDialogs() override { setDialogs(nullptr); }
    void showMessage(const QString &text, MessageKind, const QString &) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    QColor chooseColor(const QColor &, QWidget *) override { return {}; }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: record_station FILE.wav | --idle\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString file = QString::fromLocal8Bit(argv[1]);
    const bool idle = file == QLatin1String("--idle");

    PrintedDialogs dialogs;
    TApplicationWindows windows;
    createWindows(windows);
    TMainForm *form = windows.MainForm.get();
    TOptionsForm *options = windows.OptionsForm.get();
    form->show(); // the first showing fills the driver and format lists

    QTimer watch;
    bool started = false;
    QObject::connect(&watch, &QTimer::timeout, form, [&] {
        if (idle) {
            std::printf("idle\n");
            std::fflush(stdout);
            watch.stop();
        } else if (!started) {
            const int format = options->FormatBox->findText(kDefaultFormat, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (format < 0) {
                std::fprintf(stderr, "the recorder does not offer %s\n", qPrintable(kDefaultFormat));
                QApplication::exit(1);
                return;
            }
            options->FormatBox->setCurrentIndex(format);
            options->DirectoryEditLogger->setFileName(file);
            form->recorder()->VrDemoButtonRecClick();
            started = true;
            if (!form->recorder()->WaveFile) {
                std::fprintf(stderr, "REC did not start a recording\n");
                QApplication::exit(1);
            }
        } else if (form->recorder()->WaveFile && form->recorder()->WaveFile->Size() > 0) {
            std::printf("recording\n");
            std::fflush(stdout);
            watch.stop();
        }
    });
    watch.start(20);
    return QApplication::exec();
}
