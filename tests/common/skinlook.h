#pragma once
// What the tests of the program's look share: skins in other colours than the
// built-in one, the program's windows made and dressed in such a skin, finding
// the toolkit's stock colours in a picture, and looking at a modal dialog while
// it shows.

#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "fakecapturebackend.h"
#include "fakeplatform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "skin/skinfile.h"
#include "waitfor.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>

namespace testsupport {

inline TColor tcolor(int r, int g, int b) { return TColor(r | g << 8 | b << 16); }

// How far two colours are apart in their most different channel.
inline int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Where a widget lies in a window (or another of its ancestors).
inline QRect areaIn(const QWidget *widget, const QWidget *ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

// The pixels of a picture in the toolkit's stock colours (Fusion's light grey
// windows and buttons, its blue selection and the darker blue of its focus
// frames) or near them, outside the areas left out, described for a failure
// message; empty when there are none.
inline QString stockPixels(const QImage &shot, const QList<QRect> &leftOut = {})
{
    static const QList<std::pair<QColor, int>> stock = [] {
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        const QPalette p = fusion->standardPalette();
        const QColor blue = p.color(QPalette::Highlight);
        return QList<std::pair<QColor, int>>{
            {p.color(QPalette::Window), 10}, {p.color(QPalette::Button), 10}, {blue, 16}, {blue.darker(125), 16}};
    }();
    int n = 0;
    QString first;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb pixel = shot.pixel(x, y);
            if (std::none_of(stock.begin(), stock.end(),
                             [pixel](const auto &c) { return channelDistance(pixel, c.first.rgb()) <= c.second; })
                || std::any_of(leftOut.begin(), leftOut.end(), [x, y](const QRect &r) { return r.contains(x, y); }))
                continue;
            if (n++ == 0)
                first = QStringLiteral("(%1, %2) %3").arg(x).arg(y).arg(QColor(pixel).name());
        }
    return n == 0 ? QString() : QStringLiteral("%1 stock pixels, the first at %2").arg(n).arg(first);
}

// Runs open(), which shows a modal dialog and returns once it is closed. While it
// shows, look(dialog) runs as soon as ready(dialog) holds, and the dialog is then
// closed. False when no dialog got ready within the waiting limit.
inline bool whileShown(const std::function<void()> &open, const std::function<void(QDialog *)> &look,
                       const std::function<bool(QDialog *)> &ready = [](QDialog *) { return true; })
{
    bool looked = false;
    const QDeadlineTimer deadline(kWaitLimitMs);
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || (!ready(dialog) && !deadline.hasExpired()))
            return;
        if (ready(dialog)) {
            look(dialog);
            looked = true;
        }
        poll.stop();
        dialog->reject();
    });
    poll.start();
    open();
    return looked;
}

// A skin to dress the windows in, named for the tests' names.
struct SkinCase {
    const char *name;
    TSkin skin;
};

inline void PrintTo(const SkinCase &c, std::ostream *os) { *os << c.name; }

inline std::string skinCaseName(const ::testing::TestParamInfo<SkinCase> &row) { return row.param.name; }

inline SkinCase builtInSkin() { return {"Default", DefaultSkin()}; }

// Green text on a dark blue pop-up colour.
inline SkinCase greenOnDarkBlue()
{
    TSkin s = DefaultSkin();
    s.WindowActive = tcolor(0x3C, 0xFF, 0x6E);
    s.WindowPassive = tcolor(0x1E, 0x8C, 0x46);
    s.Active = tcolor(0x50, 0xFF, 0x78);
    s.Passive = tcolor(0x2A, 0xA0, 0x50);
    s.PopUp = tcolor(0x0B, 0x1A, 0x40);
    s.ButtonText = tcolor(0xA0, 0xE6, 0xB4);
    s.MouseOver = tcolor(0xE6, 0xFF, 0x5A);
    return {"GreenOnDarkBlue", s};
}

// The built-in skin with a cream pop-up colour: its aqua, teal, silver and white
// text colours do not read on it as they are.
inline SkinCase lightPopUp()
{
    TSkin s = DefaultSkin();
    s.PopUp = tcolor(0xFF, 0xF0, 0xC8);
    return {"LightPopUp", s};
}

// The program's windows as a start makes them, in a data folder of their own,
// with one sound capture device of every format, dressed in the test's skin as
// the designer dresses them on every change.
class SkinnedWindowsTest : public ::testing::TestWithParam<SkinCase> {
protected:
    void SetUp() override
    {
        capture.drivers = {CaptureDriverInfo{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()}};
        ForgetCaptureDrivers();
        createWindows(windows);
        main = windows.MainForm.get();
        main->ui().TimerSonaveo->stop();
        main->setDataDirectory(dir.path());
        main->skipFirstLoading();
        main->recorder()->FillDriverList(); // the 56 formats of a device that takes every one
        windows.SkinForm->setSkin(skin());
        windows.SkinForm->ApplySkin(false);
    }
    void TearDown() override { ForgetCaptureDrivers(); }

    const TSkin &skin() const { return GetParam().skin; }
    QColor colour(TColor TSkin::*which) const { return toQColor(skin().*which); }
    // Shows a window and gives it the keyboard.
    void activate(QWidget *window)
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(waitFor([window] { return window->isActiveWindow(); }, "the window to be active"));
    }

    FakePlatform fake;
    FakeCaptureBackend capture;
    QTemporaryDir dir;
    TApplicationWindows windows;
    TMainForm *main = nullptr;
};

} // namespace testsupport
