// The owner-drawn widgets driven by real mouse and key events on the offscreen
// platform; what they show is checked on their pixels and display texts.

#include "childprocess.h"
#include "widgets/elidedcaption.h"
#include "widgets/timage.h"
#include "widgets/vranimate.h"
#include "widgets/vrblotter.h"
#include "widgets/vrclock.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrnum.h"
#include "widgets/vrscale.h"
#include "widgets/vrslider.h"
#include "widgets/vrspinner.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QHelpEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "waitfor.h"

#include <cstdlib>
#include <memory>

namespace {

// A shown top-level window the widget under test sits in, with room around it so
// the pointer can leave the widget and still be over the window.
struct Host {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    Host()
    {
        window->resize(400, 300);
    }
    template <class W> W *add(QRect geometry)
    {
        auto *w = new W(window.get());
        w->setGeometry(geometry);
        return w;
    }
    void show()
    {
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
};

int countColor(const QImage &img, const QColor &c)
{
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if ((argb.pixel(x, y) & 0xFFFFFF) == (c.rgb() & 0xFFFFFF))
                ++n;
    return n;
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QColor pixelAt(const QImage &img, QPoint p) { return QColor(img.pixel(p)); }

TVrPalette ledPalette() { return {toQColor(clTeal), toQColor(clAqua)}; }

// The tooltip the pointer resting on the widget's middle brings up.
QString tipOnHoverOf(QWidget &widget)
{
    QHelpEvent hover(QEvent::ToolTip, widget.rect().center(), widget.rect().center());
    QApplication::sendEvent(&widget, &hover);
    return widget.toolTip();
}
} // namespace

TEST(DemoButton, MouseClickNeedsReleaseOverTheButton)
{
    Host host;
    auto *button = host.add<TVrDemoButton>(QRect(50, 50, 150, 25));
    button->setCaption(QStringLiteral("Play"));
    host.show();
    QSignalSpy clicks(button, &TVrDemoButton::OnClick);
    QSignalSpy downs(button, &TVrDemoButton::OnMouseDown);
    const QPoint inside(75, 12);
    const QPoint outside(200, 60); // below and right of the button, still in the window

    // Released outside: no click, the pressed look went off while outside.
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    EXPECT_TRUE(button->isPressedLook());
    EXPECT_TRUE(button->hasFocus());
    QTest::mouseMove(button, outside);
    EXPECT_FALSE(button->isPressedLook());
    QTest::mouseRelease(button, Qt::LeftButton, {}, outside);
    EXPECT_EQ(clicks.count(), 0);

    // Out and back in before the release: one click.
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    QTest::mouseMove(button, outside);
    QTest::mouseMove(button, inside);
    EXPECT_TRUE(button->isPressedLook());
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_FALSE(button->isPressedLook());
    EXPECT_EQ(clicks.count(), 1);

    // Any button reports the press with its button; only the left one clicks.
    QTest::mouseClick(button, Qt::RightButton, {}, inside);
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 3);
    EXPECT_EQ(downs.at(2).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(downs.at(2).at(1).toPoint(), inside);
}

TEST(DemoButton, SpaceKeyAndAcceleratorClick)
{
    Host host;
    auto *button = host.add<TVrDemoButton>(QRect(50, 50, 150, 25));
    button->setCaption(QStringLiteral("&Stop && Go"));
    host.show();
    button->setFocus();
    QSignalSpy clicks(button, &TVrDemoButton::OnClick);

    QTest::keyPress(button, Qt::Key_Space);
    EXPECT_TRUE(button->isPressedLook());
    QTest::keyPress(button, Qt::Key_Space); // held: still one press
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_FALSE(button->isPressedLook());
    EXPECT_EQ(clicks.count(), 1);

    // A Space release without a Space press (the press came from the mouse) does
    // not click.
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);

    QTest::keyClick(host.window.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
    // "&&" is a literal ampersand, not an accelerator for G.
    QTest::keyClick(host.window.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);

    button->setEnabled(false);
    QTest::keyClick(host.window.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(DemoButton, DisabledButtonGreysItsCaptionAndIgnoresTheMouse)
{
    Host host;
    auto *button = host.add<TVrDemoButton>(QRect(50, 50, 150, 25));
    button->setCaption(QStringLiteral("Disconnect"));
    button->setFont3D(0, 0);
    button->setColor(Qt::white);
    button->setDisabledTextColor(QColor(0, 200, 0));
    // The pointer rests away from the button, wherever an earlier test left it:
    // under the mouse the caption takes the mouse-over colour.
    QCursor::setPos(QPoint(-200, -200));
    host.show();
    QSignalSpy clicks(button, &TVrDemoButton::OnClick);

    QImage img = button->render();
    EXPECT_GT(countColor(img, Qt::black), 20); // caption in FontLeave black
    EXPECT_EQ(countColor(img, QColor(0, 200, 0)), 0);

    button->setEnabled(false);
    img = button->render();
    EXPECT_GT(countColor(img, QColor(0, 200, 0)), 20);
    // Only the one-pixel black outline is left in black.
    EXPECT_EQ(countColor(img, Qt::black), 2 * 150 + 2 * 23);

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(75, 12));
    EXPECT_FALSE(button->isPressedLook());
    EXPECT_EQ(clicks.count(), 0);
}

TEST(DemoButton, HoverSwitchesFontAndFlatBevel)
{
    Host host;
    auto *button = host.add<TVrDemoButton>(QRect(50, 50, 150, 25));
    button->setCaption(QStringLiteral("Options"));
    button->setFont3D(0, 0);
    button->setColor(Qt::white);
    host.show();
    QSignalSpy enters(button, &TVrDemoButton::OnMouseEnter);
    QSignalSpy leaves(button, &TVrDemoButton::OnMouseLeave);
    const QColor red = toQColor(clRed);

    EXPECT_EQ(countColor(button->render(), red), 0);
    QTest::mouseMove(host.window.get(), QPoint(120, 60));
    EXPECT_TRUE(button->isMouseInside());
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(button->currentFont().Color, red);
    EXPECT_GT(countColor(button->render(), red), 20);

    QTest::mouseMove(host.window.get(), QPoint(300, 200));
    EXPECT_FALSE(button->isMouseInside());
    EXPECT_EQ(leaves.count(), 1);
    EXPECT_EQ(countColor(button->render(), red), 0);

    // A flat button shows its bevel only under the mouse.
    button->setFlat(true);
    button->setHighlightColor(QColor(1, 2, 3));
    EXPECT_EQ(countColor(button->render(), QColor(1, 2, 3)), 0);
    QTest::mouseMove(host.window.get(), QPoint(120, 60));
    EXPECT_GT(countColor(button->render(), QColor(1, 2, 3)), 100);
}

TEST(DemoButton, TheTooltipTellsTheWholeCaptionWhenEitherFontShortensIt)
{
    // The tooltip is what the pointer resting on the button brings up, at any
    // moment: also before the button was ever painted, and right after its
    // caption, size or fonts changed.
    TVrDemoButton button;
    button.resize(60, 25);
    button.setCaption(QStringLiteral("&Deutschlandfunk Kultur"));
    EXPECT_EQ(tipOnHoverOf(button), QStringLiteral("Deutschlandfunk Kultur")) << "shortened, never painted";
    button.resize(2000, 25);
    EXPECT_EQ(tipOnHoverOf(button), QString()) << "the whole caption fits";
    TVrFont huge = button.FontEnter();
    huge.Font.setPixelSize(300);
    button.setFontEnter(huge);
    EXPECT_EQ(tipOnHoverOf(button), QStringLiteral("Deutschlandfunk Kultur")) << "the hover font shortens it";
    button.setCaption(QStringLiteral("DLF"));
    button.setFontEnter(button.FontLeave());
    EXPECT_EQ(tipOnHoverOf(button), QString());
    // A tooltip of the program's own stays.
    button.setToolTip(QStringLiteral("Station 1"));
    button.resize(10, 25);
    EXPECT_EQ(tipOnHoverOf(button), QStringLiteral("Station 1"));
}

TEST(ElidingComboBox, TheTooltipTellsTheWholeEntryWheneverItIsShortened)
{
    // As for the buttons: what the pointer brings up is right at any moment,
    // also for a box never painted, right after its entry, size or font changed.
    TElidingComboBox box;
    box.resize(120, 21);
    const QString longEntry = QStringLiteral("Primary Sound Capture Driver (Monitor of Built-in Audio Analog Stereo)");
    box.addItem(longEntry);
    box.addItem(QStringLiteral("Mic"));
    EXPECT_EQ(tipOnHoverOf(box), longEntry) << "shortened, never painted";
    EXPECT_TRUE(box.shownText().endsWith(QChar(0x2026))) << box.shownText().toStdString();
    box.resize(3000, 21);
    EXPECT_EQ(tipOnHoverOf(box), QString()) << "the whole entry fits";
    QFont huge = box.font();
    huge.setPixelSize(200);
    box.setFont(huge);
    EXPECT_EQ(tipOnHoverOf(box), longEntry) << "a larger font shortens it";
    box.setCurrentIndex(1);
    box.setFont(QFont());
    box.resize(120, 21);
    EXPECT_EQ(tipOnHoverOf(box), QString()) << "a short entry needs none";
    // Painting brings it up to date too, without a hover.
    box.setCurrentIndex(0);
    (void)box.grab();
    EXPECT_EQ(box.toolTip(), longEntry);
    // A tooltip of the program's own stays.
    box.setToolTip(QStringLiteral("Where the recorder listens"));
    box.setCurrentIndex(1);
    EXPECT_EQ(tipOnHoverOf(box), QStringLiteral("Where the recorder listens"));
}

TEST(VrNum, CellsForValueAndSettings)
{
    struct Row {
        int min, max, digits;
        bool leadingZero, zeroBlank;
        int value;
        const char *shown;
    };
    const Row rows[] = {
        {0, 9999, 3, false, false, 1234, "1234"}, // longer than Digits: drawn whole
        {0, 9999, 3, false, false, 5, "  5"},
        {0, 9999, 3, true, false, 5, "005"},
        {0, 100, 3, false, false, 250, "100"},    // above Max shows Max
        {1, 100, 3, false, false, -7, "  1"},     // below Min shows Min
        {0, 9999, 4, false, true, 0, "    "},     // zero left blank
        {0, 9999, 4, false, false, 0, "   0"},
        {-99, 99, 3, true, false, 5, "+005"},     // sign cell when Min is negative
        {-99, 99, 2, false, false, -12, "-12"},
        {-99, 99, 2, false, false, -500, "-99"},
    };
    for (const Row &r : rows) {
        TVrNum num;
        num.setMax(r.max);
        num.setMin(r.min);
        num.setDigits(r.digits);
        num.setLeadingZero(r.leadingZero);
        num.setZeroBlank(r.zeroBlank);
        num.setValue(r.value);
        EXPECT_EQ(num.displayText(), QString::fromLatin1(r.shown)) << "value " << r.value;
    }

    // A Min at or above Max and a Max at or below Min are refused.
    TVrNum num;
    num.setMin(1);
    num.setMax(100);
    num.setMin(100);
    num.setMax(1);
    EXPECT_EQ(num.Min(), 1);
    EXPECT_EQ(num.Max(), 100);
    // Narrowing the range pulls the value in.
    num.setValue(80);
    num.setMax(50);
    EXPECT_EQ(num.Value(), 50);
}

TEST(VrNum, SegmentsLitInHighUnlitInADimCopyOfIt)
{
    TVrNum num;
    num.setPalette(ledPalette());
    num.setDigits(1);
    num.setAlignment(Qt::AlignLeft);
    num.resize(7, 13);
    num.setValue(1);
    QImage img = num.render();
    const QColor high = toQColor(clAqua);
    // Unlit segments are aqua at 18 % of its brightness, not the palette's teal,
    // which is too close to aqua to tell a lit segment from an unlit one.
    const QColor low(0, 45, 45);
    // "1" lights b and c; a, d, e, f and g stay dark.
    EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, segB).center()), high);
    EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, segC).center()), high);
    for (TVrSegment s : {segA, segD, segE, segF, segG})
        EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, s).center()), low) << s;
    EXPECT_EQ(pixelAt(img, QPoint(0, 0)), QColor(Qt::black)); // corner between segments

    // A new palette recolours the same artwork.
    num.setPalette(TVrPalette{QColor(10, 20, 30), QColor(200, 100, 50)});
    num.setValue(8);
    img = num.render();
    for (TVrSegment s : {segA, segB, segC, segD, segE, segF, segG})
        EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, s).center()), QColor(200, 100, 50));

    // Three 7x13 cells two pixels apart fill the main window's 25x21 display,
    // centred vertically.
    TVrNum volume;
    volume.setPalette(ledPalette());
    volume.resize(25, 21);
    volume.setMax(100);
    volume.setDigits(3);
    volume.setValue(100);
    img = volume.render();
    const QPoint b = segmentRect(ns7x13, segB).center() + QPoint(0, 4);
    EXPECT_EQ(pixelAt(img, b), high);                // "1" in the first cell
    EXPECT_EQ(pixelAt(img, b + QPoint(9, 0)), high); // "0"
    EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, segG).center() + QPoint(18, 4)), low);
}

TEST(VrClock, TextOfFieldsAndTypes)
{
    TVrClock custom;
    custom.setClockType(ctCustom);
    EXPECT_EQ(custom.displayText(), QStringLiteral("00:00:00"));
    custom.setActive(true);
    EXPECT_FALSE(custom.Active());
    custom.setShowSeconds(false);
    EXPECT_EQ(custom.displayText(), QStringLiteral("00:00"));
    custom.setShowSeconds(true);
    custom.setHours(31);
    custom.setMinutes(-4);
    custom.setSeconds(7);
    EXPECT_EQ(custom.displayText(), QStringLiteral("23:00:07"));

    TVrClock real;
    real.setHours24(false);
    real.setShowSeconds(false);
    real.setHours(0);
    real.setMinutes(5);
    EXPECT_EQ(real.displayText(), QStringLiteral("12:05"));
    real.setHours(13);
    EXPECT_EQ(real.displayText(), QStringLiteral("01:05"));
    real.setHours(12);
    EXPECT_EQ(real.displayText(), QStringLiteral("12:05"));

    // A running clock reads the time of day on start and on every tick; blinking
    // colons are dark on every other tick.
    QTime now(21, 7, 9);
    real.setHours24(true);
    real.setShowSeconds(true);
    real.setBlink(true);
    real.setThreaded(false);
    real.setTimeSource([&now] { return now; });
    real.setActive(true);
    EXPECT_EQ(real.displayText(), QStringLiteral("21:07:09"));
    now = QTime(21, 7, 10);
    real.tick();
    EXPECT_EQ(real.displayText(), QStringLiteral("21 07 10"));
    real.tick();
    EXPECT_EQ(real.displayText(), QStringLiteral("21:07:10"));
    real.setActive(false);
    now = QTime(22, 0, 0);
    real.tick();
    EXPECT_EQ(real.displayText(), QStringLiteral("21:07:10"));

    // Switching a running clock to custom stops it.
    real.setActive(true);
    real.setClockType(ctCustom);
    EXPECT_FALSE(real.Active());
}

TEST(VrClock, TimerTicksWhileActiveAndFitsTheWindowCell)
{
    TVrClock elapsed;
    elapsed.setClockType(ctElapsed);
    elapsed.setActive(true);
    EXPECT_EQ(elapsed.displayText(), QStringLiteral("00:00:00"));
    QTRY_COMPARE_WITH_TIMEOUT(elapsed.displayText(), QStringLiteral("00:00:01"), 3000);
    elapsed.setActive(false);

    // Six 7x13 digits and two colons fill the 62x13 clocks of the main window.
    EXPECT_EQ(elapsed.sizeHint(), QSize(62, 13));
    TVrClock clock;
    clock.setClockType(ctCustom);
    clock.setPalette(ledPalette());
    clock.resize(62, 13);
    clock.setHours(18);
    const QImage img = clock.render();
    EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, segB).center()), toQColor(clAqua));       // 1
    EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, segA).center()), QColor(0, 45, 45));      // unlit
    EXPECT_EQ(pixelAt(img, segmentRect(ns7x13, segG).center() + QPoint(9, 0)), toQColor(clAqua)); // 8
}

TEST(VrSlider, KeysClampAndSignalOnlyRealChanges)
{
    Host host;
    auto *slider = host.add<TVrSlider>(QRect(50, 20, 25, 105));
    slider->setMaxValue(1000);
    slider->setPosition(1000);
    host.show();
    slider->setFocus();
    QSignalSpy changes(slider, &TVrSlider::OnChange);

    slider->setPosition(1000);
    EXPECT_EQ(changes.count(), 0);
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(slider->Position(), 0);
    QTest::keyClick(slider, Qt::Key_Down); // already at the bottom
    EXPECT_EQ(slider->Position(), 0);
    QTest::keyClick(slider, Qt::Key_Up);
    EXPECT_EQ(slider->Position(), 5);
    QTest::keyClick(slider, Qt::Key_Left); // not a vertical slider's key
    EXPECT_EQ(slider->Position(), 5);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(slider->Position(), 1000);
    QTest::keyClick(slider, Qt::Key_Up);
    slider->setPosition(5000);
    EXPECT_EQ(slider->Position(), 1000);
    EXPECT_EQ(changes.count(), 3); // Home, Up, End

    slider->setOrientation(Qt::Horizontal);
    slider->setKeyIncrement(1);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(slider->Position(), 999);
    QTest::keyClick(slider, Qt::Key_Down);
    EXPECT_EQ(slider->Position(), 999);
    EXPECT_EQ(changes.count(), 4);
}

TEST(VrSlider, DraggingTheThumbAndJumping)
{
    Host host;
    auto *slider = host.add<TVrSlider>(QRect(50, 20, 25, 105));
    slider->setPosition(100);
    host.show();
    // Maximum at the top.
    const QRect top = slider->thumbRect();
    EXPECT_EQ(top.top(), slider->Bevel().BorderWidth());

    // Drag the thumb's middle to the middle of the track: the middle value.
    QSignalSpy changes(slider, &TVrSlider::OnChange);
    QTest::mousePress(slider, Qt::LeftButton, {}, top.center());
    QTest::mouseMove(slider, QPoint(top.center().x(), slider->height() / 2));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(top.center().x(), slider->height() / 2));
    EXPECT_NEAR(slider->Position(), 50, 1);
    EXPECT_GE(changes.count(), 1);
    // Dragging past the end stops at the minimum.
    const QPoint mid = slider->thumbRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, mid);
    QTest::mouseMove(slider, QPoint(mid.x(), slider->height() + 40));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(mid.x(), slider->height() + 40));
    EXPECT_EQ(slider->Position(), 0);

    // A click beside the thumb does nothing, unless jumping is on.
    const QPoint nearTop(12, 8);
    QTest::mouseClick(slider, Qt::LeftButton, {}, nearTop);
    EXPECT_EQ(slider->Position(), 0);
    slider->setOptions(soJumpToClick);
    QTest::mouseClick(slider, Qt::LeftButton, {}, nearTop);
    EXPECT_EQ(slider->thumbRect().center().y(), 8);
    EXPECT_GT(slider->Position(), 90);

    // Reversed: minimum at the top.
    slider->setStyle(ssReversed);
    slider->setPosition(0);
    EXPECT_EQ(slider->thumbRect().top(), slider->Bevel().BorderWidth());
}

TEST(VrSpinner, ArrowShapeHitTestAndRepeat)
{
    Host host;
    auto *spinner = host.add<TVrSpinner>(QRect(50, 50, 21, 38));
    host.show();
    QSignalSpy ups(spinner, &TVrSpinner::OnUpClick);
    QSignalSpy downs(spinner, &TVrSpinner::OnDownClick);

    const QRect upBox = spinner->arrowShape(TVrSpinner::UpArrow).boundingRect();
    const QPoint upCentre(upBox.center().x(), upBox.bottom() - 2);
    const QPoint downCentre = spinner->arrowShape(TVrSpinner::DownArrow).boundingRect().center()
                              - QPoint(0, 3);
    // Top left corner of the up arrow's box: inside its rectangle, outside the triangle.
    const QPoint corner = upBox.topLeft() + QPoint(1, 1);
    EXPECT_EQ(spinner->arrowAt(corner), TVrSpinner::NoArrow);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, corner);
    EXPECT_EQ(ups.count() + downs.count(), 0);

    QTest::mouseClick(spinner, Qt::LeftButton, {}, upCentre);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, downCentre);
    EXPECT_EQ(ups.count(), 1);
    EXPECT_EQ(downs.count(), 1);

    // Held: the press itself clicks nothing, the arrow repeats while held, the
    // release over the arrow clicks at most once more and then the repeats stop.
    // (Their pace is measured by bench/timer_pace.)
    ups.clear();
    QTest::mousePress(spinner, Qt::LeftButton, {}, upCentre);
    EXPECT_EQ(spinner->pressedArrow(), TVrSpinner::UpArrow);
    EXPECT_EQ(ups.count(), 0);
    ASSERT_TRUE(testsupport::waitFor([&] { return ups.count() >= 3; }, "three repeats"));
    const int held = int(ups.count());
    QTest::mouseRelease(spinner, Qt::LeftButton, {}, upCentre);
    const int released = int(ups.count());
    EXPECT_LE(released, held + 1);
    testsupport::whileATimerTicks(100, 3); // longer than a repeat's interval
    EXPECT_EQ(ups.count(), released) << "the repeats stop at the release";

    // Held, then moved off the arrow: no repeats and no click on release.
    downs.clear();
    QTest::mousePress(spinner, Qt::LeftButton, {}, downCentre);
    QTest::mouseMove(spinner, QPoint(150, 10));
    EXPECT_EQ(spinner->pressedArrow(), TVrSpinner::NoArrow);
    testsupport::whileATimerTicks(100, 6); // longer than the first repeat's delay
    QTest::mouseRelease(spinner, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(downs.count(), 0);
}

TEST(VrSpinner, ArrowsInPaletteColours)
{
    TVrSpinner spinner;
    spinner.setPalette(ledPalette());
    spinner.resize(21, 38);
    const QImage img = spinner.render();
    const QPoint inUp = spinner.arrowShape(TVrSpinner::UpArrow).boundingRect().center()
                        + QPoint(0, 3);
    EXPECT_EQ(pixelAt(img, inUp), toQColor(clAqua));
    EXPECT_EQ(pixelAt(img, QPoint(0, 0)), QColor(Qt::black));
    EXPECT_GT(countColor(img, toQColor(clTeal)), 10); // arrow rims

    // A skin gives the spinner one colour for both; a pressed arrow still shows,
    // dark inside a lit rim.
    spinner.setPalette(TVrPalette{toQColor(clTeal), toQColor(clTeal)});
    QTest::mousePress(&spinner, Qt::LeftButton, {}, inUp);
    ASSERT_EQ(spinner.pressedArrow(), TVrSpinner::UpArrow);
    const QColor pressed = pixelAt(spinner.render(), inUp);
    EXPECT_LE(pressed.value(), toQColor(clTeal).value() / 5) << pressed.name().toStdString();
    EXPECT_GT(countColor(spinner.render(), toQColor(clTeal)), 10);
    QTest::mouseRelease(&spinner, Qt::LeftButton, {}, inUp);
}

TEST(VrAnimate, FramesAdvanceRowByRowAndLoopOrStop)
{
    // Six frames of 10x8 in three columns and two rows, frame n filled with grey n*40.
    QImage strip(30, 16, QImage::Format_ARGB32);
    for (int f = 0; f < 6; ++f) {
        QPainter p(&strip);
        p.fillRect(QRect((f % 3) * 10, (f / 3) * 8, 10, 8), QColor(f * 40, f * 40, f * 40));
    }
    Host host;
    auto *anim = host.add<TVrAnimate>(QRect(10, 10, 50, 50));
    anim->setBitmap(strip);
    anim->setFrameCols(3);
    anim->setFrameRows(2);
    EXPECT_EQ(anim->size(), QSize(10, 8)); // AutoSize
    EXPECT_EQ(anim->Interval(), 150);
    for (int f = 1; f <= 5; ++f) {
        anim->nextFrame();
        EXPECT_EQ(anim->CurrentFrame(), f);
        EXPECT_EQ(pixelAt(anim->render(), QPoint(5, 4)), QColor(f * 40, f * 40, f * 40));
    }
    anim->nextFrame();
    EXPECT_EQ(anim->CurrentFrame(), 0);

    // Running on its timer: ticks only while shown and active.
    anim->setThreaded(false);
    anim->setInterval(10);
    anim->setActive(true);
    EXPECT_FALSE(anim->isTicking());
    host.show();
    EXPECT_TRUE(anim->isTicking());
    QTRY_VERIFY_WITH_TIMEOUT(anim->CurrentFrame() == 3, 2000);
    QTRY_VERIFY_WITH_TIMEOUT(anim->CurrentFrame() == 0, 2000); // looped

    // Without Loop it stops on the last frame.
    anim->setLoop(false);
    QTRY_VERIFY_WITH_TIMEOUT(!anim->Active(), 2000);
    EXPECT_EQ(anim->CurrentFrame(), 5);
    EXPECT_FALSE(anim->isTicking());
    testsupport::whileATimerTicks(10, 5);
    EXPECT_EQ(anim->CurrentFrame(), 5);

    // Threaded ticks reach the GUI thread as well.
    anim->setThreaded(true);
    anim->setLoop(true);
    anim->setActive(true);
    QTRY_VERIFY_WITH_TIMEOUT(anim->CurrentFrame() == 2, 2000);
    anim->setActive(false);
    EXPECT_FALSE(anim->isTicking());
}

TEST(VrBlotter, TwoBevelsAndChildrenMoveWithIt)
{
    Host host;
    auto *block = host.add<TVrBlotter>(QRect(20, 20, 160, 56));
    block->setColor(QColor(47, 47, 47));
    TVrBevel bevel = block->Bevel();
    bevel.OuterHighlight = QColor(250, 0, 0);
    bevel.OuterShadow = QColor(0, 250, 0);
    bevel.InnerShadow = QColor(0, 0, 250);
    bevel.InnerHighlight = QColor(250, 250, 0);
    block->setBevel(bevel);
    const QImage img = block->render();
    EXPECT_EQ(pixelAt(img, QPoint(5, 0)), QColor(250, 0, 0));   // outer raised: light on top
    EXPECT_EQ(pixelAt(img, QPoint(5, 55)), QColor(0, 250, 0));  // dark at the bottom
    EXPECT_EQ(pixelAt(img, QPoint(5, 1)), QColor(0, 0, 250));   // inner lowered: dark on top
    EXPECT_EQ(pixelAt(img, QPoint(5, 54)), QColor(250, 250, 0));
    EXPECT_EQ(pixelAt(img, QPoint(80, 28)), QColor(47, 47, 47));
    EXPECT_EQ(block->clientArea(), QRect(2, 2, 156, 52));

    auto *num = new TVrNum(block);
    num->setGeometry(126, 1, 25, 13);
    block->move(300, 100);
    EXPECT_EQ(num->mapTo(host.window.get(), QPoint(0, 0)), QPoint(426, 101));
}

TEST(VrScale, DecibelLabels)
{
    TVrScale scale;
    scale.resize(21, 115);
    scale.setMinValue(-40);
    scale.setMaxValue(0);
    scale.setDigits(2);
    scale.setLeadingZero(true);
    scale.setFont(vrFont(QStringLiteral("Arial"), 9));
    EXPECT_EQ(scale.labelValues(), (QList<int>{-40, -30, -20, -10, 0}));
    EXPECT_EQ(scale.labelText(0), QStringLiteral("00"));
    EXPECT_EQ(scale.labelText(-5), QStringLiteral("-05"));
    EXPECT_LT(scale.offsetOf(0), scale.offsetOf(-40)); // 0 dB at the top
    scale.setScaleColor(QColor(0, 255, 255));
    scale.setPeakColor(QColor(255, 0, 0));
    const QImage img = scale.render();
    EXPECT_EQ(pixelAt(img, QPoint(2, scale.offsetOf(-40))), QColor(0, 255, 255));
    EXPECT_EQ(pixelAt(img, QPoint(2, scale.offsetOf(0))), QColor(255, 0, 0));
}

TEST(LedDisplays, SettingTheSameValueRepaintsNothing)
{
    Host host;
    auto *num = host.add<TVrNum>(QRect(10, 10, 25, 21));
    auto *clock = host.add<TVrClock>(QRect(10, 40, 62, 13));
    clock->setClockType(ctCustom);
    num->setValue(7);
    clock->setMinutes(3);
    host.show();
    PaintCounter numPaints, clockPaints;
    num->installEventFilter(&numPaints);
    clock->installEventFilter(&clockPaints);
    testsupport::handlePostedEvents();
    numPaints.paints = clockPaints.paints = 0;

    num->setValue(7);
    num->setPalette(num->Palette());
    clock->setMinutes(3);
    clock->setHours(0);
    clock->setSeconds(-1); // clamped to the 0 it already shows
    testsupport::handlePostedEvents();
    EXPECT_EQ(numPaints.paints, 0);
    EXPECT_EQ(clockPaints.paints, 0);

    num->setValue(8);
    clock->setMinutes(4);
    QTRY_VERIFY(numPaints.paints > 0 && clockPaints.paints > 0);
}

namespace {
QImage filled(QColor colour)
{
    QImage image(33, 33, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The activity pictures' arrangement: a dark green idle picture with a yellow
// active one over it, at the same place.
struct StackedPictures {
    Host host;
    TImage *below = host.add<TImage>({10, 10, 33, 33});
    TImage *top = host.add<TImage>({10, 10, 33, 33});
    const QRect area{10, 10, 33, 33};
    StackedPictures()
    {
        host.window->setStyleSheet(QStringLiteral("background: black"));
        below->setPicture(filled(Qt::darkGreen));
        top->setPicture(filled(Qt::yellow));
        host.show();
    }
    int shown(QColor colour) { return countColor(host.window->grab(area).toImage(), colour); }
};
} // namespace

TEST(Image, PictureShowsAndHidingTheTopOneRevealsTheOneBelow)
{
    StackedPictures pictures;
    Host &host = pictures.host;
    TImage *top = pictures.top;
    const QRect area = pictures.area;
    EXPECT_EQ(countColor(host.window->grab(area).toImage(), Qt::yellow), 33 * 33);
    top->hide();
    EXPECT_EQ(countColor(host.window->grab(area).toImage(), Qt::darkGreen), 33 * 33);

    // An opaque picture repaints only itself: the window beneath is not drawn.
    PaintCounter windowPaints;
    host.window->installEventFilter(&windowPaints);
    top->show();
    QApplication::processEvents();
    top->repaint();
    EXPECT_EQ(windowPaints.paints, 0);

    // A picture with transparent parts lets the window show through them.
    QImage ring(33, 33, QImage::Format_ARGB32);
    ring.fill(Qt::transparent);
    QPainter(&ring).fillRect(0, 0, 33, 10, Qt::red);
    top->setPicture(ring);
    const QImage shot = host.window->grab(area).toImage();
    EXPECT_EQ(countColor(shot, Qt::red), 33 * 10);
    EXPECT_EQ(countColor(shot, Qt::darkGreen), 33 * 23);
}

TEST(Image, APictureNotShownLetsTheOneBelowShowAndTakeTheMouse)
{
    StackedPictures pictures;
    TImage *top = pictures.top;
    QWidget *window = pictures.host.window.get();

    top->setShown(false);
    EXPECT_FALSE(top->Shown());
    EXPECT_FALSE(top->isHidden()); // the widget stays; only its picture goes
    EXPECT_EQ(pictures.shown(Qt::darkGreen), 33 * 33);
    EXPECT_EQ(window->childAt(20, 20), pictures.below);

    // Alternating as the activity picture does ends where it began, drawn on screen.
    for (int i = 0; i < 5; ++i) {
        top->setShown(!top->Shown());
        QApplication::processEvents();
    }
    EXPECT_TRUE(top->Shown());
    EXPECT_EQ(pictures.shown(Qt::yellow), 33 * 33);
    EXPECT_EQ(window->childAt(20, 20), top);

    // A new picture set while not shown stays unseen until the picture is shown.
    top->setShown(false);
    top->setPicture(filled(Qt::red));
    EXPECT_EQ(pictures.shown(Qt::darkGreen), 33 * 33);
    top->setShown(true);
    EXPECT_EQ(pictures.shown(Qt::red), 33 * 33);
}

TEST(VrClock, RealTimeShowsTheLocalTimeOfTheZone)
{
    // Run in a zone five and a half hours from UTC, so neither the hours nor the
    // minutes can come out right by chance.
    if (childprocess::isChild("SONAVEO_CLOCK_ZONE_CHILD")) {
        TVrClock clock;
        clock.setClockType(ctRealTime);
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QTime before = QTime::currentTime();
            clock.setActive(false);
            clock.setActive(true); // reads the time at once
            const QTime after = QTime::currentTime();
            if (before.minute() != after.minute())
                continue; // the minute turned between the readings: try again
            EXPECT_EQ(clock.Hours(), after.hour());
            EXPECT_EQ(clock.Minutes(), after.minute());
            EXPECT_LE(std::abs(clock.Seconds() - after.second()), 1);
            return;
        }
        FAIL() << "the minute kept turning";
    }
    if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Asia/Kolkata")))
        GTEST_SKIP() << "no time zone data";
    qputenv("TZ", "Asia/Kolkata");
    QString output;
    const bool passed = childprocess::runPassed(QStringLiteral("VrClock.RealTimeShowsTheLocalTimeOfTheZone"),
                                                "SONAVEO_CLOCK_ZONE_CHILD", {}, &output);
    qunsetenv("TZ");
    EXPECT_TRUE(passed) << output.toStdString();
}

// A translucent window, as the main window is on Wayland, where the compositor
// shows every pixel the window draws: a control that reaches into a cut-out
// corner of the picture is cut off with it, wherever it is put and whenever it
// was made.
TEST(FormShape, OnATranslucentWindowControlsAreCutToTheOutline)
{
    constexpr QRgb kMaroon = 0xFF800000;
    QWidget form(nullptr, Qt::Window | Qt::FramelessWindowHint);
    form.setAttribute(Qt::WA_TranslucentBackground);
    form.resize(200, 120);
    auto *shape = new TVrFormShape(&form);
    shape->setGeometry(0, 0, 200, 120);
    auto control = [&form](QRect place) {
        auto *w = new QWidget(&form);
        w->setAutoFillBackground(true);
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, Qt::red);
        w->setPalette(pal);
        w->setGeometry(place);
        return w;
    };
    QWidget *across = control(QRect(140, 10, 40, 40)); // half in the corner
    QWidget *inside = control(QRect(10, 60, 40, 40));
    QWidget *cutOff = control(QRect(170, 5, 20, 20)); // wholly in the corner
    // As a skin's picture comes: once loading is over.
    shape->Loaded();
    QImage picture(200, 120, QImage::Format_RGB32);
    picture.fill(QColor(0x30, 0x70, 0xB0));
    QPainter(&picture).fillRect(160, 0, 40, 40, QColor(kMaroon)); // the top right corner is cut out
    shape->setMaskColor(clMaroon);
    shape->setMask(picture);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget *later = control(QRect(10, 10, 20, 20)); // made once the window shows
    later->show();

    auto alphaAt = [&form](QPoint p) { return qAlpha(form.grab().toImage().pixel(p)); };
    EXPECT_EQ(alphaAt({150, 20}), 255) << "the control inside the outline";
    EXPECT_EQ(alphaAt({170, 20}), 0) << "the control in the corner";
    EXPECT_EQ(alphaAt({175, 45}), 255) << "the control below the corner";
    EXPECT_EQ(alphaAt({180, 15}), 0) << "the control wholly in the corner";
    EXPECT_EQ(alphaAt({30, 80}), 255);
    EXPECT_TRUE(inside->mask().isEmpty()) << "a control inside the outline is not cut at all";

    // Moved into the corner later, a control is cut there too, and out of it
    // again it shows whole.
    later->move(165, 0);
    EXPECT_EQ(alphaAt({170, 5}), 0);
    later->move(100, 60);
    EXPECT_EQ(alphaAt({105, 65}), 255);
    EXPECT_TRUE(later->mask().isEmpty());

    // A new picture without the corner gives the controls their whole place back.
    picture.fill(QColor(0x30, 0x70, 0xB0));
    shape->setMask(picture);
    EXPECT_EQ(alphaAt({170, 20}), 255);
    EXPECT_EQ(alphaAt({180, 15}), 255);
    EXPECT_TRUE(across->mask().isEmpty());
    EXPECT_TRUE(cutOff->mask().isEmpty());
}
