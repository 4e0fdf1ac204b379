// ApplySkin with every window of the program created, the main window shown.
//   BM_ApplySkinColours: the path of the seven colour buttons (no picture reload);
//     the window active colour alternates, so every setter meets a real change.
//   BM_ApplySkinColoursAndRepaint: the same plus the repaint of the shown main
//     window that follows in the event loop, as the user sees it.
//   BM_ApplySkinNewPalette: the pop-up colour alternates instead: the application's
//     palette changes with it, so every window and control of the program
//     resolves its palette anew (the toolkit's dialogs, menus and lists follow).
//   BM_ApplySkinNewPaletteAndRepaint: the same plus the repaint that follows.
//   BM_ApplySkinUnchanged: nothing changed since the last apply (no repaint at all).
//   BM_ApplySkinReloadPicture: "Load Image" and "Load Skin": a 600 x 350 picture
//     read from disk, handed to the window and its outline rescanned.
// Target for the colour path: under 5 ms.
//   QT_QPA_PLATFORM defaults to offscreen.

#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "skin/skinform.h"
#include "widgets/vrformshape.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QPainter>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>

#include "benchmain.h"

namespace {

struct Program {
    TApplicationWindows windows;
    QTemporaryDir dir;
    Program()
    {
        createWindows(windows);
        windows.MainForm->skipFirstLoading(); // the start-up loading is not measured
        windows.MainForm->ui().TimerSonaveo->stop();
        windows.MainForm->show();
        QCoreApplication::processEvents();
    }
    TSkinForm &skin() { return *windows.SkinForm; }
};

Program *g_program = nullptr;
Program &program() { return *g_program; }

void colourLoop(benchmark::State &state, bool repaint, bool change,
                TSkinSwatch *TSkinForm::*swatch = &TSkinForm::PanelWActive)
{
    using Clock = std::chrono::steady_clock;
    TSkinForm &skin = program().skin();
    skin.EditSkin->setText(QStringLiteral("default"));
    const TColor first = (skin.*swatch)->Color();
    const TColor colours[2] = {first, 0x40C0FF};
    int i = 0;
    for (auto _ : state) {
        if (change)
            (skin.*swatch)->setColor(colours[++i & 1]);
        const auto start = Clock::now();
        skin.ApplySkin(false);
        if (repaint)
            QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!repaint)
            QCoreApplication::processEvents(); // untimed: the repaints do not pile up
    }
}

void BM_ApplySkinColours(benchmark::State &state) { colourLoop(state, false, true); }
BENCHMARK(BM_ApplySkinColours)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ApplySkinColoursAndRepaint(benchmark::State &state) { colourLoop(state, true, true); }
BENCHMARK(BM_ApplySkinColoursAndRepaint)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ApplySkinNewPalette(benchmark::State &state)
{
    colourLoop(state, false, true, &TSkinForm::PanelPopup);
    program().skin().PanelPopup->setColor(clBlack);
}
BENCHMARK(BM_ApplySkinNewPalette)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ApplySkinNewPaletteAndRepaint(benchmark::State &state)
{
    colourLoop(state, true, true, &TSkinForm::PanelPopup);
    program().skin().PanelPopup->setColor(clBlack);
}
BENCHMARK(BM_ApplySkinNewPaletteAndRepaint)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ApplySkinUnchanged(benchmark::State &state) { colourLoop(state, false, false); }
BENCHMARK(BM_ApplySkinUnchanged)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ApplySkinReloadPicture(benchmark::State &state)
{
    TSkinForm &skin = program().skin();
    // A ragged outline, as a hand-drawn skin has.
    QImage image(600, 350, QImage::Format_RGB32);
    image.fill(QColor(0x80, 0, 0));
    for (int y = 0; y < image.height(); ++y) {
        const int left = 12 + int(10 * std::sin(y / 7.0));
        const int right = 586 - int(14 * std::sin(y / 5.0));
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = left; x < right; ++x)
            row[x] = qRgb((x * 3) & 0x7F, y & 0xFF, 0x40);
    }
    const QString path = program().dir.filePath(QStringLiteral("ragged.bmp"));
    image.save(path, "BMP");
    skin.EditSkin->setText(path);
    skin.PanelTrans->setColor(clMaroon);
    for (auto _ : state) {
        skin.ApplySkin(true);
        QCoreApplication::processEvents();
    }
    state.counters["scans"] = program().windows.MainForm->ui().VrMainFormShape->RegionScans();
    skin.EditSkin->setText(QStringLiteral("default"));
}
BENCHMARK(BM_ApplySkinReloadPicture)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Program windows; // goes before the application object
    g_program = &windows;
    return runBenchmarks(argc, argv);
}
